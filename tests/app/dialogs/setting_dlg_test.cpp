// The settings dialog on the live items: tabs and rows, the row switches on the item and the
// chip, the second-processor rule, a long list, the unit and what OK and Escape store.

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QtTest/QTest>
#include <fstream>

#include "dialog_fixture.h"
#include "limit_setting_dlg.h"
#include "setting_dlg.h"

namespace {

constexpr int VCORE_BEEP = 0, VIN0_BEEP = 1;

class SettingDlgTest : public DialogFixture {
  protected:
    // Opened as the main window opens it, without the modal loop.
    void Open() {
        dlg = std::make_unique<CSettingDlg>(Source());
        dlg->InitDialog();
        dlg->show();
    }
    template <class T = QCheckBox>
    T* Row(const char* column, int row) {
        return Child<T>(dlg.get(), std::string(column) + "_" + std::to_string(row));
    }
    QTabBar* Tabs() { return Child<QTabBar>(dlg.get(), "tabs"); }
    // Whether Enable, ShutDown, Beep, Default and Limit of a row can be used.
    std::vector<bool> Usable(int row) {
        return {Row("enable", row)->isEnabled(), Row("shutdown", row)->isEnabled(),
                Row("beep", row)->isEnabled(), Row<QPushButton>("default", row)->isEnabled(),
                Row<QPushButton>("limit", row)->isEnabled()};
    }
    void TearDown() override {
        dlg.reset();
        DialogFixture::TearDown();
    }
    std::unique_ptr<CSettingDlg> dlg;
    const std::vector<bool> onlyEnable{true, false, false, false, false};
};

TEST_F(SettingDlgTest, TabsReadVoltageTemperatureFanAndEachOpeningShowsVoltageThenTabsAlong) {
    StartEngine();
    Open();
    ASSERT_EQ(Tabs()->count(), 3);
    EXPECT_EQ(Tabs()->tabText(0) + Tabs()->tabText(1) + Tabs()->tabText(2),
              "VoltageTemperatureFan");
    EXPECT_FALSE(Tabs()->tabIcon(2).isNull());
    EXPECT_EQ(Row<QLabel>("name", 9)->text(), "Memory");
    Tabs()->setCurrentIndex(2);
    EXPECT_EQ(Row<QLabel>("name", 0)->text(), "CPU Fan");
    EXPECT_FALSE(Row<QLabel>("name", 5)->isVisible()) << "five fans, five rows";
    dlg->reject();
    dlg->InitDialog();
    dlg->show();
    EXPECT_EQ(Tabs()->currentIndex(), 0);
    EXPECT_EQ(Row<QLabel>("name", 0)->text(), "CPU Core");

    QApplication::setActiveWindow(dlg.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get(), 30000));
    for (const char* next : {"enable_0", "shutdown_0", "beep_0", "default_0", "limit_0"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), next);
    }
}

TEST_F(SettingDlgTest, EnableOffGraysTheRowAndOnBringsBackItsBeep) {
    StartEngine();
    CSensorItem* rail = Item("+12V");  // row 1, beeping
    Open();
    Row("enable", 1)->click();
    EXPECT_FALSE(rail->IsEnabled());
    EXPECT_FALSE(ChipBeepBit(VIN0_BEEP));
    EXPECT_TRUE(rail->IsBeepEnabled()) << "its beep setting stays";
    EXPECT_EQ(Usable(1), onlyEnable);
    dlg->reject();
    dlg->InitDialog();
    EXPECT_FALSE(Row("enable", 1)->isChecked());
    EXPECT_EQ(Usable(1), onlyEnable);

    Row("enable", 1)->click();
    EXPECT_TRUE(Row("beep", 1)->isChecked());
    EXPECT_TRUE(ChipBeepBit(VIN0_BEEP));
    EXPECT_EQ(Usable(1), std::vector<bool>(5, true));
    // With Beep off, the row comes back silent.
    Row("beep", 1)->click();
    Row("enable", 1)->click();
    Row("enable", 1)->click();
    EXPECT_FALSE(Row("beep", 1)->isChecked());
    EXPECT_FALSE(ChipBeepBit(VIN0_BEEP));
}

TEST_F(SettingDlgTest, DefaultAndResetAllPutBackTheBoardFileAndTheGlobalBeep) {
    StartEngine();
    Open();
    Row("beep", 1)->click();
    Row<QPushButton>("default", 1)->click();
    EXPECT_TRUE(Row("beep", 1)->isChecked());
    EXPECT_TRUE(ChipBeepBit(VIN0_BEEP));

    Child<QCheckBox>(dlg.get(), "globalBeep")->click();
    EXPECT_FALSE(ChipGlobalBeep());
    Row("enable", 0)->click();
    Child<QPushButton>(dlg.get(), "resetAll")->click();
    EXPECT_TRUE(ChipGlobalBeep());
    EXPECT_TRUE(Child<QCheckBox>(dlg.get(), "globalBeep")->isChecked());
    EXPECT_TRUE(Row("enable", 0)->isChecked());
    EXPECT_TRUE(ChipBeepBit(VCORE_BEEP));
}

TEST_F(SettingDlgTest, ASecondProcessorItemOnOneProcessorHasItsWholeRowGrayed) {
    machine.processors = 1;
    StartEngine();
    Open();
    Tabs()->setCurrentIndex(2);
    ASSERT_EQ(Row<QLabel>("name", 3)->text(), "CPU2 Fan");
    EXPECT_EQ(Usable(3), std::vector<bool>(5, false));
    EXPECT_EQ(Usable(0), std::vector<bool>(5, true));
}

TEST_F(SettingDlgTest, FahrenheitCountsInTheLimitDialogAtOnceAndEscapeStoresNoUnit) {
    StartEngine();
    Open();
    Child<QRadioButton>(dlg.get(), "fahrenheit")->click();
    Tabs()->setCurrentIndex(1);
    WhileModal<CLimitSettingDlg>([&] { Row<QPushButton>("limit", 0)->click(); },
                                 [&](CLimitSettingDlg* limits) {
                                     EXPECT_EQ(Child<QLabel>(limits, "highValue")->text(), "158");
                                     EXPECT_EQ(Child<QLabel>(limits, "highUnit")->text(), "F");
                                     limits->reject();
                                 });
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(StoredUnit(), std::nullopt);
}

TEST_F(SettingDlgTest, EnterIsOkAndStoresTheUnitAndTheItems) {
    StartEngine();
    Open();
    Child<QRadioButton>(dlg.get(), "fahrenheit")->click();
    Row("enable", 1)->click();
    QTest::keyClick(Row("enable", 1), Qt::Key_Return);
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(StoredUnit(), "F");
    EXPECT_EQ(Hive().GetDword(ItemKey(2), "Enable"), 0u);
}

TEST_F(SettingDlgTest, MoreThanSeventeenItemsOfOneTypeScroll) {
    std::ofstream ini(BoardPath());
    ini << "[GLOBAL]\nTotal_Item_Count=20\nGlobal_Beep_Enable=1\n";
    for (int i = 1; i <= 20; ++i)
        ini << "[ITEM" << i << "]\nName=Rail " << i
            << "\nPinName=VCORE\nItemType=1\nNegative=0\nEnable=1\nBeepEnable=0\n"
               "ShutDownEnable=0\nHiBound=2000\nLoBound=800\nHiLimit=1500\nLoLimit=1200\n"
               "Factor=1000\nCpuNo=1\n";
    ini.close();
    StartEngine();
    Open();
    auto* scroll = dlg->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    QLabel* last = Row<QLabel>("name", 19);
    EXPECT_EQ(last->text(), "Rail 20");
    EXPECT_TRUE(last->visibleRegion().isEmpty());
    scroll->ensureWidgetVisible(last);
    EXPECT_GT(scroll->verticalScrollBar()->value(), 0);
    EXPECT_FALSE(last->visibleRegion().isEmpty());
}

}  // namespace
