// The limit dialog: rows, ranges and texts by item type, the voltage trackbars that cannot cross,
// the temperature low limit that follows the high one, bounds given the wrong way round, and
// what OK and Cancel leave on the chip and in the hive file.

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <climits>

#include "dialog_fixture.h"
#include "limit_setting_dlg.h"
#include "setting_dlg.h"

namespace {

class LimitSettingDlgTest : public DialogFixture {
  protected:
    void Open(CSensorItem* item, bool celsius = true) {
        dlg = std::make_unique<CLimitSettingDlg>();
        dlg->SetItem(item);
        dlg->SetUnit(celsius);
        dlg->InitDialog();
        dlg->show();
    }
    QSlider* High() { return Child<QSlider>(dlg.get(), "high"); }
    QSlider* Low() { return Child<QSlider>(dlg.get(), "low"); }
    QString Text(const char* name) { return Child<QLabel>(dlg.get(), name)->text(); }
    // The chip's limits of a voltage item, in volts.
    std::pair<double, double> ChipVoltageLimits(const CSensorItem& item) {
        double hi = 0, lo = 0;
        EXPECT_GE(chip.ReadVoltageLimits(item.GetPinRegister(), &hi, &lo, item.GetFactor(),
                                         item.IsNegative()),
                  1);
        return {hi, lo};
    }
    void TearDown() override {
        dlg.reset();
        DialogFixture::TearDown();
    }
    std::unique_ptr<CLimitSettingDlg> dlg;
};

TEST_F(LimitSettingDlgTest, EachTypeShowsItsRowsRangesAndTexts) {
    StartEngine();
    Open(Item("+12V"));  // 9.6 .. 14.4 V, limits 10.8 .. 13.2 V
    EXPECT_TRUE(High()->isVisible() && Low()->isVisible());
    EXPECT_EQ(High()->minimum(), 960);
    EXPECT_EQ(Low()->maximum(), 1440);
    EXPECT_EQ(High()->value(), 1320);
    EXPECT_EQ(Text("highValue"), "13.20");
    EXPECT_EQ(Text("lowUnit"), "V");

    Open(Item("CPU"), false);  // 30 .. 100 C, limit 70 C
    EXPECT_TRUE(High()->isVisible());
    EXPECT_FALSE(Low()->isVisible());
    EXPECT_EQ(High()->minimum(), 60);
    EXPECT_EQ(High()->value(), 140);
    EXPECT_EQ(Text("highValue"), "158");
    EXPECT_EQ(Text("highUnit"), "F");

    Open(Item("CPU Fan"));  // 0 .. 5000 rpm, limit 800 rpm
    EXPECT_FALSE(High()->isVisible());
    EXPECT_EQ(Low()->maximum(), 5000);
    EXPECT_EQ(Text("lowValue"), "  800");
    EXPECT_EQ(Text("lowUnit"), "RPM");
    Low()->setValue(1500);
    dlg->accept();
    int rpm = 0;
    ASSERT_GE(chip.ReadFanLimit(Item("CPU Fan")->GetPinRegister(), &rpm), 1);
    EXPECT_NEAR(rpm, 1500, 20);
}

TEST_F(LimitSettingDlgTest, VoltageTrackbarsSnapInsteadOfCrossing) {
    StartEngine();
    CSensorItem* rail = Item("+12V");
    struct Case {
        bool moveHigh;
        int to;
    };
    for (Case c : {Case{true, 1000}, Case{false, 1400}}) {
        Open(rail);
        (c.moveHigh ? High() : Low())->setValue(c.to);
        EXPECT_EQ(High()->value(), Low()->value()) << c.moveHigh;
        EXPECT_EQ(Text("highValue"), Text("lowValue"));
        dlg->accept();
        const auto [hi, lo] = ChipVoltageLimits(*rail);
        EXPECT_DOUBLE_EQ(hi, lo);
        EXPECT_NEAR(hi, c.moveHigh ? 10.8 : 13.2, 0.1);
        // Back to the board file's limits for the next case.
        ASSERT_TRUE(rail->ApplySettings());
    }
}

TEST_F(LimitSettingDlgTest, CancelLeavesTheLimits) {
    StartEngine();
    CSensorItem* rail = Item("+12V");
    const auto before = ChipVoltageLimits(*rail);
    Open(rail);
    High()->setValue(1400);
    Low()->setValue(1000);
    QPushButton* cancel = Child<QPushButton>(dlg.get(), "cancel");
    cancel->click();
    EXPECT_EQ(ChipVoltageLimits(*rail), before);
    double hi = 0, lo = 0;
    rail->GetLimits(&hi, &lo);
    EXPECT_NEAR(hi, 13.2, 1e-6);
}

TEST_F(LimitSettingDlgTest, ATemperatureLowLimitEqualsItsHighAfterOkMovedOrNot) {
    StartEngine();
    CSensorItem* cpu = Item("CPU");
    CSettingDlg settings(Source());
    settings.InitDialog();
    settings.show();
    settings.findChild<QTabBar*>(QStringLiteral("tabs"))->setCurrentIndex(1);
    for (int position : {-1, 160}) {
        WhileModal<CLimitSettingDlg>([&] { Child<QPushButton>(&settings, "limit_0")->click(); },
                                     [&](CLimitSettingDlg* limits) {
                                         if (position >= 0)
                                             Child<QSlider>(limits, "high")->setValue(position);
                                         Child<QPushButton>(limits, "ok")->click();
                                     });
        const double expected = position < 0 ? 70 : 80;
        double hi = 0, lo = 0;
        ASSERT_GE(chip.ReadTemperatureLimits(cpu->GetPinRegister(), &hi, &lo, cpu->GetPinBank()),
                  1);
        EXPECT_EQ(hi, expected);
        EXPECT_EQ(lo, expected);
        // Saved with the limits.
        EXPECT_EQ(Hive().GetDword(ItemKey(11), "LoLimit"), Hive().GetDword(ItemKey(11), "HiLimit"));
    }
}

TEST_F(LimitSettingDlgTest, BoundsTheWrongWayRoundKeepEveryLimitBetweenThem) {
    EditBoard("ITEM2", "HiBound", "9600");  // +12V, bounds swapped
    EditBoard("ITEM2", "LoBound", "14400");
    EditBoard("ITEM11", "HiBound", "30000");  // CPU temperature
    EditBoard("ITEM11", "LoBound", "100000");
    StartEngine();
    for (const char* name : {"+12V", "CPU"}) {
        CSensorItem* item = Item(name);
        double top = 0, bottom = 0;
        item->GetLimitRange(&top, &bottom);
        for (int end : {INT_MIN, INT_MAX}) {
            Open(item);
            // The trackbar spans the whole range between the bounds.
            const int scale = item->GetItemType() == ITEM_VOLTAGE ? 100 : 2;
            EXPECT_EQ(High()->minimum(), static_cast<int>(std::min(top, bottom) * scale));
            EXPECT_EQ(High()->maximum(), static_cast<int>(std::max(top, bottom) * scale));
            High()->setValue(end);
            Low()->setValue(end);
            dlg->accept();
            double hi = 0, lo = 0;
            item->GetLimits(&hi, &lo);
            for (double limit : {hi, lo}) {
                EXPECT_GE(limit, std::min(top, bottom) - 0.01) << name;
                EXPECT_LE(limit, std::max(top, bottom) + 0.01) << name;
            }
        }
    }
}

}  // namespace
