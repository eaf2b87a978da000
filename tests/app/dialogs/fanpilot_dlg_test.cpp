// The FanPilot dialog: fans listed and their ranges, Fahrenheit shown and stored, the save
// question, steps within the ranges, the second-processor fan, Load Default, and a list without
// any FanPilot fan; checked on the chip.

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
    void Open(std::vector<int32_t> fans = {}) {
        dlg = std::make_unique<CFanPilotDlg>(Source());
        dlg->SetFanList(fans.empty() ? ItemListsOf(Source())[LIST_FAN] : fans);
        dlg->InitDialog();
        dlg->show();
    }
    CStepSpin* Spin(const char* name) { return Child<CStepSpin>(dlg.get(), name); }
    QString Shown(const char* name) { return Spin(name)->text(); }
    QComboBox* Fans() { return Child<QComboBox>(dlg.get(), "fan"); }
    QCheckBox* EnableBox() { return Child<QCheckBox>(dlg.get(), "enableFanPilot"); }
    void Press(const char* name) { Child<QPushButton>(dlg.get(), name)->click(); }
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

TEST_F(FanPilotDlgTest, ListsTheFanPilotFansWithRangesByName) {
    StartEngine();
    Open();
    ASSERT_EQ(Fans()->count(), 4) << "the case fan offers no FanPilot";
    EXPECT_EQ(Fans()->itemText(0), "CPU Fan");
    EXPECT_EQ(Shown("target") + Shown("start") + Shown("stop"), "50100%35%");
    EXPECT_EQ(Spin("target")->Minimum(), 40);
    EXPECT_EQ(Spin("stop")->Maximum(), 60);
    // "SYS" wins over "CPU"; other fans get room for both.
    EXPECT_EQ(FanPilotRanges("CPU SYS", true).targetMax, 50);
    EXPECT_EQ(FanPilotRanges("Chipset Fan", true).targetMax, 70);
    EXPECT_EQ(FanPilotRanges("Chipset Fan", true).stopMax, 70);
    EXPECT_EQ(FanPilotRanges("CPU Fan", false).toleranceMin, 37);
}

TEST_F(FanPilotDlgTest, FahrenheitIsShownAndStoredAsTheFanHoldsIt) {
    StartEngine();
    Source().SetCelsius(false);
    ASSERT_TRUE(Item("System Fan")->SetToleranceTemp(5));
    Open();
    EXPECT_EQ(Shown("target") + "/" + Shown("tolerance"), "122/37");  // 50 C, 3 C
    Fans()->setCurrentIndex(1);
    ASSERT_EQ(Fans()->currentText(), "System Fan");
    EXPECT_EQ(Shown("tolerance"), "41");
    ASSERT_EQ(Shown("target"), "113");  // 45 C
    EnableBox()->click();
    Spin("target")->stepBy(-13);
    ASSERT_EQ(Shown("target"), "100");
    Press("apply");
    EXPECT_EQ(ChipTarget("System Fan"), 37);
    EXPECT_EQ(Shown("target"), "98");
    EXPECT_EQ(Shown("tolerance"), "41");
}

TEST_F(FanPilotDlgTest, ChangingFanAfterAnEditAsksAndNoDiscards) {
    StartEngine();
    Open();
    for (auto [answer, cpuTarget] : {std::pair{QMessageBox::No, 50}, {QMessageBox::Yes, 51}}) {
        Fans()->setCurrentIndex(0);
        Spin("target")->stepBy(1);
        WhileModal<QMessageBox>([&] { Fans()->setCurrentIndex(2); },
                                [&](QMessageBox* box) {
                                    EXPECT_EQ(box->text(), "Do you want to save the setting?");
                                    EXPECT_EQ(box->windowTitle(), "VORNPILOT");
                                    box->button(answer)->click();
                                });
        EXPECT_FALSE(dlg->IsModified());
        EXPECT_EQ(ChipTarget("CPU Fan"), cpuTarget);
        // Not asked again before the next change (a question would be left open here).
        Fans()->setCurrentIndex(1);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

TEST_F(FanPilotDlgTest, StartAndStopStepByTenWithinTheirRanges) {
    StartEngine();
    Open();  // CPU Fan: start 100 of 60..100, stop 35 of 30..60
    Spin("start")->stepBy(1);
    EXPECT_EQ(Shown("start"), "100%");
    Spin("stop")->stepBy(-2);
    EXPECT_EQ(Shown("stop"), "30%");
    Spin("start")->stepBy(-2);
    QTest::keyClick(Spin("stop"), Qt::Key_Up);
    EXPECT_EQ(Shown("start") + Shown("stop"), "80%40%");
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
    EXPECT_TRUE(EnableBox()->isEnabled() && Spin("target")->isEnabled());
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
    Open({Item("Case Fan")->GetItemNo()});
    EXPECT_EQ(Fans()->count(), 0);
    EXPECT_FALSE(dlg->CurrentItem());
    EXPECT_FALSE(EnableBox()->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(dlg.get(), "apply")->isEnabled());
    Press("ok");
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(board->Execute("status"), before);
}

}  // namespace
