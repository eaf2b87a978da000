#include "image_button.h"

#include <gtest/gtest.h>

#include <QFocusEvent>
#include <QSignalSpy>
#include <QTest>
#include <string>
#include <vector>

#include "button_fixture.h"

namespace {

const QPoint INSIDE{20, 10};
const QPoint OUTSIDE{100, 60};  // in the window, off the button

using ImageButton = ButtonFixture;

TEST_F(ImageButton, HoverShowsTheOverLookUntilThePointerLeaves) {
    CImageButton* button = Make(EButtonType::Push);
    EXPECT_EQ(Shown(button), Name(NORMAL_COLOUR));
    Move(button, INSIDE);
    EXPECT_TRUE(button->IsHovering());
    EXPECT_EQ(Shown(button), Name(OVER_COLOUR));
    Move(button, OUTSIDE);
    EXPECT_FALSE(button->IsHovering());
    EXPECT_EQ(Shown(button), Name(NORMAL_COLOUR));
}

TEST_F(ImageButton, DraggingOffAndBackFollowsThePointer) {
    CImageButton* button = Make(EButtonType::Check);
    QSignalSpy clicks(button, &CImageButton::Clicked);
    Move(button, INSIDE);
    Press(button, INSIDE);
    EXPECT_TRUE(button->IsPushed());
    EXPECT_EQ(Shown(button), Name(DOWN_COLOUR));
    Move(button, OUTSIDE);
    EXPECT_FALSE(button->IsPushed());
    EXPECT_EQ(Shown(button), Name(NORMAL_COLOUR));
    Move(button, INSIDE);
    EXPECT_EQ(Shown(button), Name(DOWN_COLOUR));
    Release(button, INSIDE);
    EXPECT_TRUE(button->GetCheck());
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(Shown(button), Name(DOWN_COLOUR));  // checked shows the down look
}

enum class EAction { ClickInside, ReleaseOutside, SpaceKey };

struct ClickCase {
    const char* name;
    EButtonType type;
    EAction action;
    bool checked;
    int clicks;
};

class ButtonClicks : public ButtonFixture, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(ButtonClicks, TogglesAndReportsOnlyOnACompletedClick) {
    CImageButton* button = Make(GetParam().type);
    QSignalSpy clicks(button, &CImageButton::Clicked);
    switch (GetParam().action) {
        case EAction::ClickInside:
            Click(button, INSIDE);
            break;
        case EAction::ReleaseOutside:
            Press(button, INSIDE);
            Move(button, OUTSIDE);
            Release(button, OUTSIDE);
            break;
        case EAction::SpaceKey:
            QTest::keyClick(button, Qt::Key_Space);
            break;
    }
    EXPECT_EQ(button->GetCheck(), GetParam().checked);
    EXPECT_EQ(clicks.count(), GetParam().clicks);
    EXPECT_FALSE(button->IsPushed());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ButtonClicks,
    ::testing::Values(
        ClickCase{"PushClicked", EButtonType::Push, EAction::ClickInside, false, 1},
        ClickCase{"CheckClicked", EButtonType::Check, EAction::ClickInside, true, 1},
        ClickCase{"RadioClicked", EButtonType::Radio, EAction::ClickInside, true, 1},
        ClickCase{"PushReleasedOutside", EButtonType::Push, EAction::ReleaseOutside, false, 0},
        ClickCase{"CheckReleasedOutside", EButtonType::Check, EAction::ReleaseOutside, false, 0},
        ClickCase{"RadioReleasedOutside", EButtonType::Radio, EAction::ReleaseOutside, false, 0},
        ClickCase{"PushSpace", EButtonType::Push, EAction::SpaceKey, false, 1},
        ClickCase{"CheckSpace", EButtonType::Check, EAction::SpaceKey, true, 1},
        ClickCase{"RadioSpace", EButtonType::Radio, EAction::SpaceKey, true, 1}),
    [](const ::testing::TestParamInfo<ClickCase>& info) { return std::string(info.param.name); });

TEST_F(ImageButton, DoubleClickOnACheckButtonTogglesTwiceAndClicksTwice) {
    CImageButton* button = Make(EButtonType::Check);
    std::vector<bool> stateAtClick;
    QObject::connect(button, &CImageButton::Clicked,
                     [&] { stateAtClick.push_back(button->GetCheck()); });
    QTest::mouseDClick(m_window->windowHandle(), Qt::LeftButton, {}, InWindow(button, INSIDE));
    EXPECT_EQ(stateAtClick, (std::vector<bool>{true, false}));
}

TEST_F(ImageButton, LosingFocusWhileHeldLetsGoWithoutAClick) {
    CImageButton* button = Make(EButtonType::Check);
    QSignalSpy clicks(button, &CImageButton::Clicked);
    Press(button, INSIDE);
    QFocusEvent focusOut(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(button, &focusOut);
    EXPECT_FALSE(button->IsPushed());
    Release(button, INSIDE);
    EXPECT_FALSE(button->GetCheck());
    EXPECT_EQ(clicks.count(), 0);
}

TEST_F(ImageButton, RadioGroupUnchecksItsOtherMembersOnlyAfterTheEventLoopRuns) {
    auto* panel = new QWidget(m_window.get());
    CImageButton* a = Make(EButtonType::Radio);
    CImageButton* b = Make(EButtonType::Radio);
    CImageButton* otherGroup = Make(EButtonType::Radio);
    CImageButton* ungrouped = Make(EButtonType::Radio);
    auto* otherParent = new CImageButton(EButtonType::Radio, panel);
    a->SetRadioGroup(1);
    b->SetRadioGroup(1);
    otherGroup->SetRadioGroup(2);
    otherParent->SetRadioGroup(1);
    for (CImageButton* button : {b, otherGroup, ungrouped, otherParent})
        button->SetCheck(1);
    QCoreApplication::sendPostedEvents();

    a->SetCheck(1);
    EXPECT_TRUE(b->GetCheck());  // not yet: the uncheck is posted
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(a->GetCheck());
    EXPECT_FALSE(b->GetCheck());
    EXPECT_TRUE(otherGroup->GetCheck());
    EXPECT_TRUE(ungrouped->GetCheck());
    EXPECT_TRUE(otherParent->GetCheck());

    b->move(60, 10);
    Click(b, INSIDE);
    EXPECT_TRUE(b->GetCheck());
    EXPECT_FALSE(a->GetCheck());
}

TEST_F(ImageButton, APushButtonStaysUnchecked) {
    CImageButton* push = Make(EButtonType::Push);
    CImageButton* check = Make(EButtonType::Check);
    push->SetCheck(1);
    check->SetCheck(5);
    EXPECT_FALSE(push->GetCheck());
    EXPECT_TRUE(check->GetCheck());
    check->SetCheck(0);
    EXPECT_FALSE(check->GetCheck());
}

struct DisabledCase {
    const char* name;
    bool disabledImage;
    QColor shown;
};

class DisabledLook : public ButtonFixture, public ::testing::WithParamInterface<DisabledCase> {};

TEST_P(DisabledLook, UsesTheDisabledImageElseTheNormalOne) {
    CImageButton* button = Make(EButtonType::Push);
    button->SetSkin(m_normal, m_down, m_over, GetParam().disabledImage ? m_disabled : "", "", "", 0,
                    false, 0);
    button->setEnabled(false);
    EXPECT_EQ(Shown(button), Name(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(Cases, DisabledLook,
                         ::testing::Values(DisabledCase{"WithImage", true, DISABLED_COLOUR},
                                           DisabledCase{"WithoutImage", false, NORMAL_COLOUR}),
                         [](const ::testing::TestParamInfo<DisabledCase>& info) {
                             return std::string(info.param.name);
                         });

struct MissingCase {
    const char* name;
    EButtonType type;
    const char* file;  // written broken when "broken.bmp"
    bool face;         // face fill, or nothing drawn
};

class MissingBitmaps : public ButtonFixture, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingBitmaps, FallBackToTheFaceOrNothing) {
    ASSERT_TRUE(m_dir.WriteFile("broken.bmp", "BM not really"));
    CImageButton* button = Make(GetParam().type);
    const std::string path = m_dir.PathOf(GetParam().file);
    button->SetSkin(path, path, path, path, path, path, 1, false, 0);
    EXPECT_EQ(button->size(), QSize(40, 20));
    EXPECT_TRUE(button->mask().isEmpty());  // still rectangular
    const std::string face = Name(button->palette().color(QPalette::Button));
    EXPECT_EQ(Shown(button), GetParam().face ? face : "none");
    Click(button, INSIDE);
    EXPECT_EQ(Shown(button), GetParam().face ? face : "none");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MissingBitmaps,
    ::testing::Values(MissingCase{"PushMissing", EButtonType::Push, "missing.bmp", true},
                      MissingCase{"CheckBroken", EButtonType::Check, "broken.bmp", true},
                      MissingCase{"RadioMissing", EButtonType::Radio, "missing.bmp", false}),
    [](const ::testing::TestParamInfo<MissingCase>& info) { return std::string(info.param.name); });

struct DrawCase {
    const char* name;
    int mode;
    QPoint probe;
    const char* shown;
};

class DrawModes : public ButtonFixture, public ::testing::WithParamInterface<DrawCase> {};

TEST_P(DrawModes, CopyStretchOrTile) {
    const std::string split = SaveBmp(m_dir, "split.bmp", SplitImage(10, 10, Qt::red, Qt::blue));
    CImageButton* button = Make(EButtonType::Push);
    button->resize(30, 20);
    button->SetSkin(split, "", "", "", "", "", GetParam().mode, false, 0);
    EXPECT_EQ(Shown(button, GetParam().probe), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DrawModes,
    ::testing::Values(DrawCase{"CopyAtOwnSize", 0, {7, 2}, "#0000ff"},
                      DrawCase{"CopyLeavesTheRestAlone", 0, {15, 5}, "none"},
                      DrawCase{"StretchLeftHalf", 1, {10, 19}, "#ff0000"},
                      DrawCase{"StretchReachesTheCorner", 1, {29, 19}, "#0000ff"},
                      DrawCase{"TileRepeatsAcross", 2, {12, 5}, "#ff0000"},
                      DrawCase{"TileRepeatsDown", 2, {17, 15}, "#0000ff"},
                      DrawCase{"ModeAboveTwoTiles", 7, {12, 5}, "#ff0000"},
                      DrawCase{"NegativeModeCopies", -3, {15, 5}, "none"}),
    [](const ::testing::TestParamInfo<DrawCase>& info) { return std::string(info.param.name); });

enum class EMask { None, HalfBlack, Missing };

struct SizeCase {
    const char* name;
    int mode;
    EMask mask;
    QSize size;
};

class MaskSize : public ButtonFixture, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(MaskSize, TheMaskSizeWinsOnlyInModeZero) {
    const std::string half = SaveBmp(m_dir, "mask.bmp", SplitImage(30, 15, Qt::black, Qt::white));
    CImageButton* button = Make(EButtonType::Push);
    button->resize(60, 40);
    const EMask mask = GetParam().mask;
    button->SetSkin(m_normal, "", "", "", "",
                    mask == EMask::HalfBlack ? half
                    : mask == EMask::Missing ? m_dir.PathOf("no.bmp")
                                             : "",
                    GetParam().mode, false, 0);
    EXPECT_EQ(button->size(), GetParam().size);
    EXPECT_EQ(button->pos(), QPoint(10, 10));
    if (mask == EMask::HalfBlack) {
        EXPECT_TRUE(button->mask().contains(QPoint(14, 14)));
        EXPECT_FALSE(button->mask().contains(QPoint(15, 0)));
    } else {
        EXPECT_TRUE(button->mask().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MaskSize,
    ::testing::Values(SizeCase{"CopyTakesTheMaskSize", 0, EMask::HalfBlack, {30, 15}},
                      SizeCase{"StretchKeepsItsSize", 1, EMask::HalfBlack, {60, 40}},
                      SizeCase{"TileKeepsItsSize", 2, EMask::HalfBlack, {60, 40}},
                      SizeCase{"NoMaskKeepsItsSize", 0, EMask::None, {60, 40}},
                      SizeCase{"MissingMaskKeepsItsSize", 0, EMask::Missing, {60, 40}}),
    [](const ::testing::TestParamInfo<SizeCase>& info) { return std::string(info.param.name); });

struct ReachCase {
    const char* name;
    bool allWhite;
    QPoint at;
    int clicks;
    const char* shown;  // the image only where the mask is not white
};

class MaskedClicks : public ButtonFixture, public ::testing::WithParamInterface<ReachCase> {};

TEST_P(MaskedClicks, OnlyTheShapeTakesClicks) {
    const QImage maskImage = GetParam().allWhite ? SolidImage(40, 20, Qt::white)
                                                 : SplitImage(40, 20, Qt::black, Qt::white);
    const std::string mask = SaveBmp(m_dir, "mask.bmp", maskImage);
    CImageButton* button = Make(EButtonType::Push);
    button->SetSkin(m_normal, m_down, m_over, "", "", mask, 0, false, 0);
    QSignalSpy clicks(button, &CImageButton::Clicked);
    Click(button, GetParam().at);
    EXPECT_EQ(clicks.count(), GetParam().clicks);
    EXPECT_EQ(Shown(button, GetParam().at), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MaskedClicks,
    ::testing::Values(ReachCase{"AllWhiteMask", true, {5, 10}, 0, "none"},
                      ReachCase{"InsideTheShape", false, {5, 10}, 1, "#ff0000"},
                      ReachCase{"OutsideTheShape", false, {30, 10}, 0, "none"}),
    [](const ::testing::TestParamInfo<ReachCase>& info) { return std::string(info.param.name); });

TEST_F(ImageButton, AStretchedMaskHidesTheImageWhereItIsWhite) {
    // The shape keeps the mask's own size (here all of the smaller button), the look follows the
    // mask stretched with the image: its white right half hides the image.
    const std::string mask = SaveBmp(m_dir, "mask.bmp", SplitImage(20, 10, Qt::black, Qt::white));
    CImageButton* button = Make(EButtonType::Push);
    button->resize(10, 5);
    button->SetSkin(m_normal, "", "", "", "", mask, 1, false, 0);
    EXPECT_EQ(button->size(), QSize(10, 5));
    EXPECT_EQ(Shown(button, {2, 2}), Name(NORMAL_COLOUR));
    EXPECT_EQ(Shown(button, {7, 2}), "none");
}

TEST_F(ImageButton, TooltipAndCaptionFont) {
    CImageButton* button = Make(EButtonType::Push);
    button->SetToolTipText("Fan pilot");
    button->SetToolTipText("Setup");
    button->SetFontBold(true);
    button->SetFontItalic(true);
    button->SetFontUnderline(true);
    button->SetFontSize(17);
    button->SetFontFace("DejaVu Sans");
    EXPECT_EQ(button->toolTip(), "Setup");
    button->SetToolTipText("<img src=\"/etc/x.png\"><b>Fan</b>");
    EXPECT_EQ(
        button->toolTip(),
        "<p style='white-space:pre'>&lt;img src=&quot;/etc/x.png&quot;&gt;&lt;b&gt;Fan&lt;/b&gt;"
        "</p>")
        << "a skin's tip is never markup";
    const QFont& font = button->CaptionFont();
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(font.italic());
    EXPECT_TRUE(font.underline());
    EXPECT_EQ(font.pointSize(), 17);
    EXPECT_EQ(font.family(), "DejaVu Sans");
    button->SetFontBold(false);
    EXPECT_EQ(button->CaptionFont().weight(), QFont::Normal);
}

}  // namespace
