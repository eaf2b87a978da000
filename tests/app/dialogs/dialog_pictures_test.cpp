// Every dialog draws itself at the size its layout gives it. With VORN_DIALOG_PICTURES set to a
// folder, the pictures are saved there as PNG files for review.

#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QTest>
#include <cstdlib>

#include "dialog_fixture.h"
#include "fanpilot_dlg.h"
#include "limit_setting_dlg.h"
#include "setting_dlg.h"
#include "trans_dlg.h"

namespace {

class DialogPicturesTest : public DialogFixture {
  protected:
    void Picture(QDialog& dialog, const char* file) {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 30000));
        QTest::qWait(50);
        const QImage image = dialog.grab().toImage();
        EXPECT_EQ(image.size(), dialog.size() * dialog.devicePixelRatio()) << file;
        // Drawn: text, frames and controls, not one flat colour.
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                colours.insert(image.pixel(x, y));
        EXPECT_GT(colours.size(), 8) << file;
        if (const char* folder = std::getenv("VORN_DIALOG_PICTURES")) {
            EXPECT_TRUE(image.save(QString::fromLocal8Bit(folder) + "/" + file)) << file;
        }
        dialog.hide();
    }
};

TEST_F(DialogPicturesTest, EachDialogDraws) {
    StartEngine();
    CSettingDlg setting(Source());
    setting.InitDialog();
    Picture(setting, "setting.png");

    CLimitSettingDlg limits(Source());
    limits.SetItem(Item("+12V")->GetItemNo());
    limits.InitDialog();
    Picture(limits, "limit_setting.png");

    CFanPilotDlg fanPilot(Source());
    fanPilot.SetFanList(ItemListsOf(Source())[LIST_FAN]);
    fanPilot.InitDialog();
    Picture(fanPilot, "fanpilot.png");

    CTransDlg trans;
    trans.InitDialog();
    Picture(trans, "transparency.png");
}

}  // namespace
