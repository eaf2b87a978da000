// The transparency dialog: the percent on its label, the alpha of each step, and the last
// position kept for the next opening whether or not it ended with OK.

#include <gtest/gtest.h>

#include <QLabel>
#include <QSlider>
#include <QtTest/QTest>

#include "trans_dlg.h"

namespace {

TEST(TransDlgTest, EachStepGivesItsPercentAndAlpha) {
    CTransDlg dlg;
    dlg.InitDialog();
    dlg.show();
    auto* slider = dlg.findChild<QSlider*>(QStringLiteral("opacity"));
    auto* label = dlg.findChild<QLabel*>(QStringLiteral("percent"));
    ASSERT_TRUE(slider != nullptr && label != nullptr);
    EXPECT_EQ(slider->value(), 10);
    EXPECT_EQ(dlg.GetAlpha(), 255);
    struct Case {
        int position;
        const char* text;
        int alpha;
    };
    for (Case c : {Case{0, "0%", 0}, Case{5, "50%", 128}, Case{10, "100%", 255}, Case{3, "30%", 77},
                   Case{9, "90%", 230}}) {
        slider->setValue(c.position);
        EXPECT_EQ(label->text(), c.text);
        EXPECT_EQ(dlg.GetAlpha(), c.alpha) << c.text;
    }
    EXPECT_EQ(AlphaOfPercent(55), -1);
}

TEST(TransDlgTest, TheLastPositionStaysForTheNextOpeningAndEnterIsOk) {
    CTransDlg dlg;
    dlg.InitDialog();
    dlg.show();
    auto* slider = dlg.findChild<QSlider*>(QStringLiteral("opacity"));
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Left);
    QTest::keyClick(slider, Qt::Key_Left);
    QTest::keyClick(slider, Qt::Key_Escape);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);

    dlg.InitDialog();
    dlg.show();
    EXPECT_EQ(slider->value(), 8);
    EXPECT_EQ(dlg.findChild<QLabel*>(QStringLiteral("percent"))->text(), "80%");
    QTest::keyClick(slider, Qt::Key_Return);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.GetAlpha(), 204);
}

}  // namespace
