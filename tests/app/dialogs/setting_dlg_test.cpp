// The settings dialog on the live items: tabs and rows, the row switches' effect on the item and
// the chip, the second-processor rule, a long list, the unit and what OK and Escape store.

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTabBar>
#include <QtTest/QTest>
#include <fstream>

#include "dialog_fixture.h"
#include "limit_setting_dlg.h"
#include "setting_dlg.h"

namespace {

class SettingDlgTest : public DialogFixture {
  protected:
    // Opens the dialog as the main window does, without its modal loop.
    void Open() {
        dlg = std::make_unique<CSettingDlg>(Source());
        dlg->InitDialog();
        dlg->show();
    }
    template <class T>
    T* Row(const char* column, int row) {
        return Child<T>(dlg.get(), (std::string(column) + "_" + std::to_string(row)).c_str());
    }
    void SelectTab(int index) { Child<QTabBar>(dlg.get(), "tabs")->setCurrentIndex(index); }
    // Whether Enable, ShutDown, Beep, Default and Limit of a row can be used.
    std::vector<bool> RowEnabled(int row) {
        return {Row<QCheckBox>("enable", row)->isEnabled(),
                Row<QCheckBox>("shutdown", row)->isEnabled(),
                Row<QCheckBox>("beep", row)->isEnabled(),
                Row<QPushButton>("default", row)->isEnabled(),
                Row<QPushButton>("limit", row)->isEnabled()};
    }
    void TearDown() override {
        dlg.reset();
        DialogFixture::TearDown();
    }
    std::unique_ptr<CSettingDlg> dlg;
};

TEST_F(SettingDlgTest, TabsReadVoltageTemperatureFanAndEveryOpeningShowsVoltage) {
    StartEngine();
    Open();
    auto* tabs = Child<QTabBar>(dlg.get(), "tabs");
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "Voltage");
    EXPECT_EQ(tabs->tabText(1), "Temperature");
    EXPECT_EQ(tabs->tabText(2), "Fan");
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(tabs->tabIcon(i).isNull()) << i;
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(Row<QLabel>("name", 9)->text(), "Memory");

    SelectTab(2);
    EXPECT_EQ(Row<QLabel>("name", 0)->text(), "CPU Fan");
    EXPECT_TRUE(Row<QLabel>("name", 4)->isVisible());
    EXPECT_FALSE(Row<QLabel>("name", 5)->isVisible()) << "five fans, five rows";
    dlg->reject();

    dlg->InitDialog();
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(Row<QLabel>("name", 0)->text(), "CPU Core");
}

TEST_F(SettingDlgTest, EnableOffGraysTheRowAndOnBringsBackItsBeep) {
    StartEngine();
    CSensorItem* rail = Item("+12V");  // row 1, beeping
    Open();
    ASSERT_TRUE(ChipBeepBit("VIN0"));

    Row<QCheckBox>("enable", 1)->click();
    EXPECT_FALSE(rail->IsEnabled());
    EXPECT_FALSE(ChipBeepBit("VIN0")) << "a disabled item does not beep";
    EXPECT_TRUE(rail->IsBeepEnabled()) << "its beep setting stays";
    EXPECT_EQ(RowEnabled(1), (std::vector<bool>{true, false, false, false, false}));

    // Reopened, a disabled item's row is grayed the same way.
    dlg->reject();
    dlg->InitDialog();
    EXPECT_FALSE(Row<QCheckBox>("enable", 1)->isChecked());
    EXPECT_EQ(RowEnabled(1), (std::vector<bool>{true, false, false, false, false}));

    Row<QCheckBox>("enable", 1)->click();
    EXPECT_TRUE(rail->IsEnabled());
    EXPECT_TRUE(Row<QCheckBox>("beep", 1)->isChecked());
    EXPECT_TRUE(ChipBeepBit("VIN0"));
    EXPECT_EQ(RowEnabled(1), (std::vector<bool>(5, true)));

    // With Beep off, the row comes back silent.
    Row<QCheckBox>("beep", 1)->click();
    EXPECT_FALSE(ChipBeepBit("VIN0"));
    EXPECT_FALSE(rail->IsBeepEnabled());
    Row<QCheckBox>("enable", 1)->click();
    Row<QCheckBox>("enable", 1)->click();
    EXPECT_FALSE(Row<QCheckBox>("beep", 1)->isChecked());
    EXPECT_FALSE(ChipBeepBit("VIN0"));
}

TEST_F(SettingDlgTest, DefaultAndResetAllPutBackTheBoardFileAndTheGlobalBeep) {
    StartEngine();
    Open();
    Row<QCheckBox>("beep", 1)->click();
    Row<QCheckBox>("shutdown", 1)->click();
    ASSERT_FALSE(ChipBeepBit("VIN0"));
    Row<QPushButton>("default", 1)->click();
    EXPECT_TRUE(Row<QCheckBox>("beep", 1)->isChecked());
    EXPECT_FALSE(Row<QCheckBox>("shutdown", 1)->isChecked());
    EXPECT_TRUE(ChipBeepBit("VIN0"));

    Child<QCheckBox>(dlg.get(), "globalBeep")->click();
    EXPECT_FALSE(ChipGlobalBeep());
    Row<QCheckBox>("enable", 0)->click();
    ASSERT_FALSE(ChipBeepBit("VCORE"));
    Child<QPushButton>(dlg.get(), "resetAll")->click();
    EXPECT_TRUE(ChipGlobalBeep());
    EXPECT_TRUE(Child<QCheckBox>(dlg.get(), "globalBeep")->isChecked());
    EXPECT_TRUE(Row<QCheckBox>("enable", 0)->isChecked());
    EXPECT_TRUE(ChipBeepBit("VCORE"));
}

TEST_F(SettingDlgTest, ASecondProcessorItemOnOneProcessorHasItsWholeRowGrayed) {
    machine.processors = 1;
    StartEngine();
    Open();
    SelectTab(2);
    ASSERT_EQ(Row<QLabel>("name", 3)->text(), "CPU2 Fan");
    EXPECT_EQ(RowEnabled(3), (std::vector<bool>(5, false)));
    EXPECT_EQ(RowEnabled(0), (std::vector<bool>(5, true)));
}

TEST_F(SettingDlgTest, FahrenheitCountsInTheLimitDialogAndEscapeStoresNoUnit) {
    StartEngine();
    Open();
    Child<QRadioButton>(dlg.get(), "fahrenheit")->click();
    SelectTab(1);
    WhileModal<CLimitSettingDlg>([&] { Row<QPushButton>("limit", 0)->click(); },
                                 [&](CLimitSettingDlg* limits) {
                                     EXPECT_EQ(Child<QLabel>(limits, "name")->text(), "CPU");
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
    Row<QCheckBox>("enable", 1)->click();
    QTest::keyClick(Row<QCheckBox>("enable", 1), Qt::Key_Return);
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(StoredUnit(), "F");
    EXPECT_EQ(Hive().GetDword(ItemKey(2), "Enable"), 0u);
}

TEST_F(SettingDlgTest, TabGoesFromTheTabsAlongTheFirstRow) {
    StartEngine();
    Open();
    QApplication::setActiveWindow(dlg.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    Child<QTabBar>(dlg.get(), "tabs")->setFocus();
    for (const char* next :
         {"enable_0", "shutdown_0", "beep_0", "default_0", "limit_0", "enable_1"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), next);
    }
}

TEST_F(SettingDlgTest, MoreThanSeventeenItemsOfOneTypeScroll) {
    // Twenty voltage items on one pin.
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
    EXPECT_GT(scroll->verticalScrollBar()->maximum(), 0);
    QLabel* last = Row<QLabel>("name", 19);
    EXPECT_EQ(last->text(), "Rail 20");
    scroll->ensureWidgetVisible(last);
    EXPECT_TRUE(last->visibleRegion().boundingRect().height() > 0);
}

}  // namespace
