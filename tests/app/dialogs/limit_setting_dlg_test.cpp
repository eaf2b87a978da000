// The limit dialog: rows, ranges and texts by item type, voltage trackbars that snap instead of
// crossing, the temperature low limit that follows the high one, and bounds given the wrong way
// round; checked on the chip and in the hive file.

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
        dlg = std::make_unique<CLimitSettingDlg>(Source());
        dlg->SetItem(item->GetItemNo());
        dlg->SetUnit(celsius);
        dlg->InitDialog();
        dlg->show();
    }
    QSlider* High() { return Child<QSlider>(dlg.get(), "high"); }
    QSlider* Low() { return Child<QSlider>(dlg.get(), "low"); }
    QString Text(const char* name) { return Child<QLabel>(dlg.get(), name)->text(); }
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
    EXPECT_EQ(Text("highValue") + Text("lowUnit"), "13.20V");

    Open(Item("CPU"), false);  // 30 .. 100 C, limit 70 C
    EXPECT_FALSE(Low()->isVisible());
    EXPECT_EQ(High()->minimum(), 60);
    EXPECT_EQ(High()->value(), 140);
    EXPECT_EQ(Text("highValue") + Text("highUnit"), "158F");

    Open(Item("CPU Fan"));  // 0 .. 5000 rpm, limit 800 rpm
    EXPECT_FALSE(High()->isVisible());
    EXPECT_EQ(Low()->maximum(), 5000);
    EXPECT_EQ(Text("lowValue") + Text("lowUnit"), "  800RPM");
    Low()->setValue(1500);
    dlg->accept();
    int rpm = 0;
    ASSERT_GE(chip.ReadFanLimit(Item("CPU Fan")->GetPinRegister(), &rpm), 1);
    EXPECT_NEAR(rpm, 1500, 20);
}

TEST_F(LimitSettingDlgTest, VoltageTrackbarsSnapInsteadOfCrossingAndCancelKeepsTheLimits) {
    StartEngine();
    CSensorItem* rail = Item("+12V");
    const auto chipLimits = [&] {
        double hi = 0, lo = 0;
        EXPECT_GE(chip.ReadVoltageLimits(rail->GetPinRegister(), &hi, &lo, rail->GetFactor(),
                                         rail->IsNegative()),
                  1);
        return std::pair{hi, lo};
    };
    const auto before = chipLimits();
    Open(rail);
    High()->setValue(1000);
    dlg->reject();
    EXPECT_EQ(chipLimits(), before);

    for (bool moveHigh : {true, false}) {
        Open(rail);
        (moveHigh ? High() : Low())->setValue(moveHigh ? 1000 : 1400);
        EXPECT_EQ(High()->value(), Low()->value());
        EXPECT_EQ(Text("highValue"), Text("lowValue"));
        dlg->accept();
        const auto [hi, lo] = chipLimits();
        EXPECT_EQ(hi, lo);
        EXPECT_NEAR(hi, moveHigh ? 10.8 : 13.2, 0.1);
        ASSERT_TRUE(rail->ApplySettings());  // the board file's limits again
    }
}

TEST_F(LimitSettingDlgTest, ATemperatureLowLimitEqualsItsHighAfterOkMovedOrNot) {
    StartEngine();
    CSensorItem* cpu = Item("CPU");
    CSettingDlg settings(Source());
    settings.InitDialog();
    settings.show();
    Child<QTabBar>(&settings, "tabs")->setCurrentIndex(1);
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
        EXPECT_EQ(Hive().GetDword(ItemKey(11), "LoLimit"), Hive().GetDword(ItemKey(11), "HiLimit"));
    }
}

TEST_F(LimitSettingDlgTest, BoundsTheWrongWayRoundKeepEveryLimitBetweenThem) {
    EditBoard("ITEM2", "HiBound", "9600");  // +12V
    EditBoard("ITEM2", "LoBound", "14400");
    EditBoard("ITEM11", "HiBound", "30000");  // CPU temperature
    EditBoard("ITEM11", "LoBound", "100000");
    StartEngine();
    for (const char* name : {"+12V", "CPU"}) {
        CSensorItem* item = Item(name);
        double a = 0, b = 0;
        item->GetLimitRange(&a, &b);
        const double bottom = std::min(a, b), top = std::max(a, b);
        const int scale = item->GetItemType() == ITEM_VOLTAGE ? 100 : 2;
        for (int end : {INT_MIN, INT_MAX}) {
            Open(item);
            EXPECT_EQ(High()->minimum(), static_cast<int>(bottom * scale)) << name;
            EXPECT_EQ(High()->maximum(), static_cast<int>(top * scale)) << name;
            High()->setValue(end);
            Low()->setValue(end);
            dlg->accept();
            double hi = 0, lo = 0;
            item->GetLimits(&hi, &lo);
            for (double limit : {hi, lo}) {
                EXPECT_GE(limit, bottom - 0.01) << name;
                EXPECT_LE(limit, top + 0.01) << name;
            }
        }
    }
}

}  // namespace
