// The transparency dialog: percent and alpha of each step, and the last position kept for the
// next opening whether or not the dialog ended with OK.

#include <gtest/gtest.h>

#include <QLabel>
#include <QSlider>
#include <QtTest/QTest>

#include "trans_dlg.h"

namespace {

TEST(TransDlgTest, EachStepGivesItsPercentAndAlphaAndTheLastOneStays) {
    CTransDlg dlg;
    dlg.InitDialog();
    dlg.show();
    auto* slider = dlg.findChild<QSlider*>(QStringLiteral("opacity"));
    auto* label = dlg.findChild<QLabel*>(QStringLiteral("percent"));
    ASSERT_TRUE(slider != nullptr && label != nullptr);
    EXPECT_EQ(slider->value(), 10);
    for (auto [position, text, alpha] : {std::tuple{0, "0%", 0},
                                         {5, "50%", 128},
                                         {10, "100%", 255},
                                         {3, "30%", 77},
                                         {9, "90%", 230}}) {
        slider->setValue(position);
        EXPECT_EQ(label->text(), text);
        EXPECT_EQ(dlg.GetAlpha(), alpha) << text;
    }
    QTest::keyClick(slider, Qt::Key_Left);
    QTest::keyClick(slider, Qt::Key_Escape);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);

    dlg.InitDialog();
    dlg.show();
    EXPECT_EQ(label->text(), "80%");
    QTest::keyClick(slider, Qt::Key_Return);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.GetAlpha(), 204);
}

}  // namespace
