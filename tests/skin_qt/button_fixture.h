#pragma once
// A shown top-level window to put buttons in, the five looks as BMP files, and pointer input
// sent through the window so that it reaches buttons the way real input does (routing by
// mask, implicit grab while held, enter and leave).

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <memory>
#include <string>

#include "image_button.h"
#include "skin_bitmaps.h"
#include "temp_dir.h"

inline const QColor NORMAL_COLOUR{255, 0, 0};
inline const QColor DOWN_COLOUR{0, 0, 255};
inline const QColor OVER_COLOUR{0, 255, 0};
inline const QColor DISABLED_COLOUR{255, 255, 0};

class ButtonFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        m_window = std::make_unique<QWidget>();
        // Away from the X pointer's resting place, so only the test's input reaches it.
        m_window->setGeometry(20, 20, 200, 120);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get(), 30000));
        m_normal = SaveBmp(m_dir, "normal.bmp", SolidImage(40, 20, NORMAL_COLOUR));
        m_down = SaveBmp(m_dir, "down.bmp", SolidImage(40, 20, DOWN_COLOUR));
        m_over = SaveBmp(m_dir, "over.bmp", SolidImage(40, 20, OVER_COLOUR));
        m_disabled = SaveBmp(m_dir, "disabled.bmp", SolidImage(40, 20, DISABLED_COLOUR));
    }

    // A button at (10, 10), 40 x 20, with the normal, down and over looks.
    template <class TButton = CImageButton, class... TArgs>
    TButton* Make(TArgs&&... args) {
        auto* button = new TButton(std::forward<TArgs>(args)..., m_window.get());
        button->setGeometry(10, 10, 40, 20);
        button->show();
        button->SetSkin(m_normal, m_down, m_over, "", "", "", 0, false, 0);
        return button;
    }

    QPoint InWindow(QWidget* widget, QPoint pos) const {
        return widget->mapTo(m_window.get(), pos);
    }
    void Move(QWidget* widget, QPoint pos) {
        QTest::mouseMove(m_window->windowHandle(), InWindow(widget, pos));
    }
    void Press(QWidget* widget, QPoint pos) {
        QTest::mousePress(m_window->windowHandle(), Qt::LeftButton, {}, InWindow(widget, pos));
    }
    void Release(QWidget* widget, QPoint pos) {
        QTest::mouseRelease(m_window->windowHandle(), Qt::LeftButton, {}, InWindow(widget, pos));
    }
    void Click(QWidget* widget, QPoint pos) {
        QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, {}, InWindow(widget, pos));
    }

    // What the widget itself draws at `pos`: a colour name, or "none" where it draws nothing
    // (rendered without the window background that grab() would add).
    static std::string Shown(QWidget* widget, QPoint pos = {5, 5}) {
        QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        widget->render(&image, {}, {}, QWidget::RenderFlags());
        const QColor colour = image.pixelColor(pos);
        return colour.alpha() == 0 ? "none" : colour.name().toStdString();
    }
    static std::string Name(const QColor& colour) { return colour.name().toStdString(); }

    CTempDir m_dir;
    std::unique_ptr<QWidget> m_window;
    std::string m_normal, m_down, m_over, m_disabled;
};
