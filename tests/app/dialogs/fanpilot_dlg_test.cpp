// The FanPilot dialog: the fans listed, ranges and steps, Fahrenheit shown and stored, the save
// question, the second-processor fan, Apply and Load Default on the chip, and a list without any
// FanPilot fan.

#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest/QTest>

#include "dialog_fixture.h"
#include "fanpilot_dlg.h"
#include "step_spin.h"

namespace {

class FanPilotDlgTest : public DialogFixture {
  protected:
    void Open(std::vector<CSensorItem*> fans = {}) {
        if (fans.empty())
            fans = ItemListsOf(engine.get())[LIST_FAN];
        dlg = std::make_unique<CFanPilotDlg>(Source());
        dlg->SetFanList(fans);
        dlg->InitDialog();
        dlg->show();
    }
    CStepSpin* Spin(const char* name) { return Child<CStepSpin>(dlg.get(), name); }
    QComboBox* Fans() { return Child<QComboBox>(dlg.get(), "fan"); }
    QCheckBox* EnableBox() { return Child<QCheckBox>(dlg.get(), "enableFanPilot"); }
    void Press(const char* name) { Child<QPushButton>(dlg.get(), name)->click(); }
    // The text the user sees in a spin's edit.
    QString Shown(const char* name) { return Spin(name)->text(); }
    int ChipTarget(const std::string& fan) {
        uint8_t target = 0;
        EXPECT_GE(chip.ReadFanTarget(Item(fan)->GetPinRegister(), &target), 1);
        return target;
    }
    void TearDown() override {
        dlg.reset();
        DialogFixture::TearDown();
    }
    std::unique_ptr<CFanPilotDlg> dlg;
};

TEST_F(FanPilotDlgTest, ListsTheFanPilotFansAndTheirRangesByName) {
    StartEngine();
    Open();
    ASSERT_EQ(Fans()->count(), 4) << "the case fan offers no FanPilot";
    EXPECT_EQ(Fans()->itemText(0), "CPU Fan");
    EXPECT_EQ(Shown("target"), "50");
    EXPECT_EQ(Shown("start"), "100%");
    EXPECT_EQ(Shown("stop"), "35%");
    EXPECT_EQ(Spin("target")->Minimum(), 40);
    EXPECT_EQ(Spin("stop")->Maximum(), 60);

    struct Case {
        const char* name;
        SFanPilotRanges celsius;
    };
    for (const Case& c : {Case{"CPU Fan", {40, 70, 3, 15, 60, 100, 30, 60}},
                          Case{"SYS Fan", {30, 50, 3, 15, 70, 100, 50, 70}},
                          Case{"CPU SYS Fan", {30, 50, 3, 15, 70, 100, 50, 70}},
                          Case{"Chipset Fan", {30, 70, 3, 15, 60, 100, 30, 70}}}) {
        const SFanPilotRanges r = FanPilotRanges(c.name, true);
        EXPECT_EQ(
            std::vector<int>({r.targetMin, r.targetMax, r.toleranceMin, r.toleranceMax, r.startMin,
                              r.startMax, r.stopMin, r.stopMax}),
            std::vector<int>({c.celsius.targetMin, c.celsius.targetMax, c.celsius.toleranceMin,
                              c.celsius.toleranceMax, c.celsius.startMin, c.celsius.startMax,
                              c.celsius.stopMin, c.celsius.stopMax}))
            << c.name;
    }
    const SFanPilotRanges f = FanPilotRanges("CPU Fan", false);
    EXPECT_EQ(std::vector<int>({f.targetMin, f.targetMax, f.toleranceMin, f.toleranceMax}),
              std::vector<int>({104, 158, 37, 59}));
}

TEST_F(FanPilotDlgTest, FahrenheitIsShownAndStoredAsTheFanHoldsIt) {
    StartEngine();
    StoreUnit(false);
    ASSERT_TRUE(Item("System Fan")->SetToleranceTemp(5));
    Open();
    EXPECT_EQ(Shown("target"), "122");    // 50 C
    EXPECT_EQ(Shown("tolerance"), "37");  // 3 C
    Fans()->setCurrentIndex(1);
    ASSERT_EQ(Fans()->currentText(), "System Fan");
    EXPECT_EQ(Shown("tolerance"), "41");  // 5 C
    ASSERT_EQ(Shown("target"), "113");    // 45 C
    EnableBox()->click();
    Spin("target")->stepBy(-13);
    ASSERT_EQ(Shown("target"), "100");
    Press("apply");
    EXPECT_EQ(Item("System Fan")->GetTargetTemp(), 37);
    EXPECT_EQ(ChipTarget("System Fan"), 37);
    EXPECT_EQ(Shown("target"), "98");
    EXPECT_EQ(Shown("tolerance"), "41");
}

TEST_F(FanPilotDlgTest, ChangingFanAfterAnEditAsksAndNoDiscards) {
    StartEngine();
    Open();
    struct Case {
        QMessageBox::StandardButton answer;
        int cpuTarget;
    };
    for (Case c : {Case{QMessageBox::No, 50}, Case{QMessageBox::Yes, 51}}) {
        Fans()->setCurrentIndex(0);
        Spin("target")->stepBy(1);
        ASSERT_TRUE(dlg->IsModified());
        WhileModal<QMessageBox>([&] { Fans()->setCurrentIndex(2); },
                                [&](QMessageBox* box) {
                                    EXPECT_EQ(box->text(), "Do you want to save the setting?");
                                    EXPECT_EQ(box->windowTitle(), "VORNPILOT");
                                    box->button(c.answer)->click();
                                });
        EXPECT_FALSE(dlg->IsModified());
        EXPECT_EQ(Item("CPU Fan")->GetTargetTemp(), c.cpuTarget);
        EXPECT_EQ(ChipTarget("CPU Fan"), c.cpuTarget);
        // Not asked again until the next change: a question would block here and fail below.
        Fans()->setCurrentIndex(1);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

TEST_F(FanPilotDlgTest, StartAndStopStepByTenWithinTheirRanges) {
    StartEngine();
    Open();  // CPU Fan: start 100 of 60..100, stop 35 of 30..60
    Spin("start")->stepBy(1);
    EXPECT_EQ(Shown("start"), "100%");
    Spin("stop")->stepBy(-1);
    EXPECT_EQ(Shown("stop"), "30%");
    Spin("stop")->stepBy(-1);
    EXPECT_EQ(Shown("stop"), "30%");
    Spin("start")->stepBy(-2);
    EXPECT_EQ(Shown("start"), "80%");
    QTest::keyClick(Spin("stop"), Qt::Key_Up);
    EXPECT_EQ(Shown("stop"), "40%");
    Press("ok");
    uint8_t start = 0, stop = 0;
    const uint8_t pin = Item("CPU Fan")->GetPinRegister();
    ASSERT_GE(chip.ReadFanStartValue(pin, &start), 1);
    ASSERT_GE(chip.ReadFanStopValue(pin, &stop), 1);
    EXPECT_EQ(start, 204);  // 80 %
    EXPECT_EQ(stop, 102);   // 40 %
}

TEST_F(FanPilotDlgTest, ASecondProcessorFanCannotBeSwitchedOnAndOthersCan) {
    machine.processors = 1;
    StartEngine();
    Open();
    Fans()->setCurrentIndex(3);
    ASSERT_EQ(Fans()->currentText(), "CPU2 Fan");
    EXPECT_FALSE(EnableBox()->isEnabled());
    for (const char* spin : {"target", "tolerance", "start", "stop"})
        EXPECT_FALSE(Spin(spin)->isEnabled()) << spin;
    Fans()->setCurrentIndex(0);
    EXPECT_TRUE(EnableBox()->isEnabled());
    EXPECT_TRUE(Spin("target")->isEnabled());
}

TEST_F(FanPilotDlgTest, LoadDefaultPutsTheBoardFileOnTheChip) {
    StartEngine();
    Open();
    Spin("target")->stepBy(10);
    Press("apply");
    ASSERT_EQ(ChipTarget("CPU Fan"), 60);
    Press("loadDefault");
    EXPECT_EQ(ChipTarget("CPU Fan"), 50);
    EXPECT_EQ(Shown("target"), "50");
    EXPECT_TRUE(dlg->IsModified());
}

TEST_F(FanPilotDlgTest, WithoutAFanPilotFanNothingIsShownOrWritten) {
    StartEngine();
    const std::string before = board->Execute("status");
    Open({Item("Case Fan")});
    EXPECT_EQ(Fans()->count(), 0);
    EXPECT_EQ(dlg->CurrentItem(), nullptr);
    EXPECT_FALSE(EnableBox()->isEnabled());
    Press("apply");
    Press("loadDefault");
    Press("ok");
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(board->Execute("status"), before);
}

}  // namespace
