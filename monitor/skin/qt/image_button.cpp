#include "image_button.h"

#include <QTransform>

#include <qdrawutil.h>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTextDocument>
#include <algorithm>

#include "bitmap_region.h"

CImageButton::CImageButton(EButtonType type, QWidget* parent)
    : QWidget(parent), m_type(type), m_captionFont(font()) {
    // Hover needs moves without a button held; clicks and the space key need focus.
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

CImageButton::~CImageButton() = default;

void CImageButton::SetSkin(const std::string& normal, const std::string& down,
                           const std::string& over, const std::string& disabled,
                           const std::string& focus, const std::string& mask, int drawMode,
                           bool border, int margin) {
    m_normal = LoadBitmapFile(normal);
    m_down = LoadBitmapFile(down);
    m_over = LoadBitmapFile(over);
    m_focus = LoadBitmapFile(focus);
    m_disabled = LoadBitmapFile(disabled.empty() ? normal : disabled);
    m_mask = QImage();
    m_sharp.clear();
    m_sharpMask = QImage();
    LoadSharp(normal, m_normal);
    LoadSharp(down, m_down);
    LoadSharp(over, m_over);
    LoadSharp(focus, m_focus);
    LoadSharp(disabled.empty() ? normal : disabled, m_disabled);

    m_drawMode = std::clamp(drawMode, DRAW_NORMAL, DRAW_TILE);
    m_border = border;
    m_margin = std::max(margin, 0);

    if (mask.empty()) {
        // The shape belongs to the mask bitmap: without one the button is rectangular again.
        ApplyShape(std::nullopt);
    } else {
        m_mask = LoadBitmapFile(mask);
        m_sharpMask = LoadSharpBitmap(mask, m_mask);
        // Shrunk, the shape comes from the mask scaled without blending, so that it stays
        // whole: white stays white.
        const QImage shapeMask = m_scale == 1.0 || m_mask.isNull()
                                     ? m_mask
                                     : m_mask.scaled((QSizeF(m_mask.size()) * m_scale).toSize(),
                                                     Qt::IgnoreAspectRatio, Qt::FastTransformation);
        ApplyShape(RegionFromImage(&shapeMask, BUTTON_MASK_KEY));
        if (m_drawMode == DRAW_NORMAL && !m_mask.isNull())
            resize((QSizeF(m_mask.size()) * m_scale).toSize());
    }
    update();
}

void CImageButton::ApplyShape(const std::optional<QRegion>& shape) {
    m_shape = shape;
    const bool empty = shape && shape->isEmpty();
    if (shape && !empty)
        setMask(*shape);
    else
        clearMask();
    // A shape with nothing inside: the button is there but can be neither seen nor reached.
    setAttribute(Qt::WA_TransparentForMouseEvents, empty);
    setFocusPolicy(empty ? Qt::NoFocus : Qt::StrongFocus);
    if (empty) {
        m_hovering = false;
        m_pressedByMouse = false;
        m_pressedBySpace = false;
        m_pushed = false;
    }
}

void CImageButton::SetCheck(int state) {
    m_checked = state != 0 && m_type != EButtonType::Push;
    if (m_checked && m_type == EButtonType::Radio && m_radioGroup != NO_GROUP &&
        parentWidget() != nullptr) {
        // Posted, so the others change after this button has finished its own handling; a
        // button deleted meanwhile takes its pending uncheck with it.
        const auto siblings =
            parentWidget()->findChildren<CImageButton*>(Qt::FindDirectChildrenOnly);
        for (CImageButton* other : siblings) {
            if (other != this && other->m_radioGroup == m_radioGroup)
                QMetaObject::invokeMethod(
                    other, [other] { other->Uncheck(); }, Qt::QueuedConnection);
        }
    }
    update();
}

void CImageButton::Uncheck() {
    if (!m_checked)
        return;
    m_checked = false;
    update();
}

void CImageButton::ToggleByUser() {
    if (m_type == EButtonType::Check)
        SetCheck(m_checked ? 0 : 1);
    else if (m_type == EButtonType::Radio)
        SetCheck(1);
}

void CImageButton::ReportClick() {
    // The click's receivers may delete the button.
    const QPointer<CImageButton> alive(this);
    OnClick();
    if (alive)
        emit Clicked();
}

void CImageButton::SetPushed(bool pushed) {
    if (m_pushed == pushed)
        return;
    m_pushed = pushed;
    update();
}

bool CImageButton::IsOver(const QPoint& pos) const {
    return rect().contains(pos) && (!m_shape || m_shape->contains(pos));
}

void CImageButton::SetToolTipText(const std::string& text) {
    // A skin's tip is shown as written: text that looks like markup is escaped, not rendered.
    const QString tip = QString::fromStdString(text);
    setToolTip(Qt::mightBeRichText(tip) ? QStringLiteral("<p style='white-space:pre'>") +
                                              tip.toHtmlEscaped() + QStringLiteral("</p>")
                                        : tip);
}

void CImageButton::SetCaption(const QString& caption) {
    m_caption = caption;
    update();
}

void CImageButton::SetCaptionAlignment(Qt::Alignment alignment) {
    m_captionAlignment = alignment;
    update();
}

void CImageButton::SetFontBold(bool bold) {
    m_captionFont.setWeight(bold ? QFont::Bold : QFont::Normal);
    update();
}

void CImageButton::SetFontFace(const std::string& face) {
    m_captionFont.setFamily(QString::fromStdString(face));
    update();
}

void CImageButton::SetFontUnderline(bool underline) {
    m_captionFont.setUnderline(underline);
    update();
}

void CImageButton::SetFontItalic(bool italic) {
    m_captionFont.setItalic(italic);
    update();
}

void CImageButton::SetFontSize(int points) {
    if (points > 0)
        m_captionFont.setPointSize(points);
    update();
}

void CImageButton::SetFont(const QFont& font) {
    m_captionFont = font;
    update();
}

void CImageButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_hovering = false;
    m_pressedByMouse = true;
    SetPushed(true);
    event->accept();
}

void CImageButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // A second press in quick succession is still a press: a double click makes two clicks.
    mousePressEvent(event);
}

void CImageButton::mouseMoveEvent(QMouseEvent* event) {
    if (m_pressedByMouse) {
        // Dragging off the held button lifts it; dragging back pushes it again.
        SetPushed(IsOver(event->position().toPoint()));
        return;
    }
    if (!m_hovering) {
        m_hovering = true;
        update();
    }
}

void CImageButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_pressedByMouse) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const bool over = IsOver(event->position().toPoint());
    if (over)
        ToggleByUser();
    m_pressedByMouse = false;
    SetPushed(false);
    event->accept();
    if (over)
        ReportClick();
}

void CImageButton::leaveEvent(QEvent* event) {
    m_hovering = false;
    update();
    QWidget::leaveEvent(event);
}

void CImageButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Space) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (event->isAutoRepeat() || m_pressedByMouse)
        return;
    ToggleByUser();
    m_pressedBySpace = true;
    SetPushed(true);
}

void CImageButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Space) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    event->accept();
    if (event->isAutoRepeat() || !m_pressedBySpace)
        return;
    m_pressedBySpace = false;
    SetPushed(false);
    ReportClick();
}

void CImageButton::focusInEvent(QFocusEvent* event) {
    update();
    QWidget::focusInEvent(event);
}

void CImageButton::focusOutEvent(QFocusEvent* event) {
    // Losing focus while held lets go without a click, even if the button is released later.
    m_pressedByMouse = false;
    m_pressedBySpace = false;
    m_pushed = false;
    update();
    QWidget::focusOutEvent(event);
}

void CImageButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            m_hovering = false;
            m_pressedByMouse = false;
            m_pressedBySpace = false;
            m_pushed = false;
        }
        update();
    }
    QWidget::changeEvent(event);
}

void CImageButton::LoadSharp(const std::string& path, const QImage& normal) {
    const QImage sharp = LoadSharpBitmap(path, normal);
    if (!sharp.isNull())
        m_sharp.insert(normal.cacheKey(), sharp);
}

QRect CImageButton::ImageArea() const {
    if (m_scale == 1.0)
        return rect();
    return QRect(QPoint(), (QSizeF(size()) / m_scale).toSize());
}

// The same looks as DrawImage from the twice-size pictures, the shape still the 1x mask's.
void CImageButton::DrawSharpImage(QPainter& painter, const QImage& sharp) const {
    const QRect area = ImageArea();
    if (m_drawMode == DRAW_TILE) {
        painter.setBrushOrigin(area.topLeft());
        painter.fillRect(area, QBrush(sharp));
        return;
    }
    const bool stretch = m_drawMode == DRAW_STRETCH;
    if (m_mask.isNull()) {
        if (stretch)
            painter.drawImage(QRectF(area), sharp);
        else
            painter.drawImage(QRectF(area.topLeft(), QSizeF(sharp.size()) / 2), sharp);
        return;
    }
    const QSize size = area.size() * 2;
    const QImage mask = m_sharpMask.isNull() ? m_mask.scaled(m_mask.size() * 2) : m_sharpMask;
    const QImage source =
        (stretch ? sharp.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation) : sharp)
            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage key =
        (stretch ? mask.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation) : mask)
            .convertToFormat(QImage::Format_RGB32);
    QImage composed(size, QImage::Format_ARGB32_Premultiplied);
    composed.fill(Qt::transparent);
    const int width = std::min({size.width(), source.width(), key.width()});
    const int height = std::min({size.height(), source.height(), key.height()});
    for (int y = 0; y < height; ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        const auto* k = reinterpret_cast<const QRgb*>(key.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(composed.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if ((k[x] & 0xFFFFFF) != BUTTON_MASK_KEY)
                to[x] = from[x];
        }
    }
    composed.setDevicePixelRatio(2);
    painter.drawImage(area.topLeft(), composed);
}

void CImageButton::DrawImage(QPainter& painter, const QImage& image) const {
    if (devicePixelRatioF() > 1) {
        const auto sharp = m_sharp.constFind(image.cacheKey());
        if (sharp != m_sharp.constEnd()) {
            DrawSharpImage(painter, *sharp);
            return;
        }
    }
    const QRect area = ImageArea();
    if (m_drawMode == DRAW_TILE) {
        painter.setBrushOrigin(area.topLeft());
        painter.fillRect(area, QBrush(image));
        return;
    }
    if (m_mask.isNull()) {
        if (m_drawMode == DRAW_NORMAL)
            painter.drawImage(area.topLeft(), image);
        else
            painter.drawImage(area, image);
        return;
    }
    // The image shows where the mask is not white, what lies under the button elsewhere, so the
    // look agrees with the shape made from the same mask. Mode 0 takes both at their own size,
    // mode 1 stretches both over the button.
    const bool stretch = m_drawMode == DRAW_STRETCH;
    const QImage source =
        (stretch ? image.scaled(area.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation) : image)
            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage mask =
        (stretch ? m_mask.scaled(area.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)
                 : m_mask)
            .convertToFormat(QImage::Format_RGB32);
    QImage composed(area.size(), QImage::Format_ARGB32_Premultiplied);
    composed.fill(Qt::transparent);
    const int width = std::min({area.width(), source.width(), mask.width()});
    const int height = std::min({area.height(), source.height(), mask.height()});
    for (int y = 0; y < height; ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        const auto* key = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        auto* to = reinterpret_cast<QRgb*>(composed.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if ((key[x] & 0xFFFFFF) != BUTTON_MASK_KEY)
                to[x] = from[x];
        }
    }
    painter.drawImage(area.topLeft(), composed);
}

void CImageButton::DrawLookOrFace(QPainter& painter, const QImage& image) const {
    if (!image.isNull() && m_scale != 1.0) {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.scale(m_scale, m_scale);
        DrawImage(painter, image);
        painter.restore();
    } else if (!image.isNull())
        DrawImage(painter, image);
    else if (m_type != EButtonType::Radio)  // a bare radio button lets the page show through
        painter.fillRect(rect(), palette().color(QPalette::Button));
}

void CImageButton::paintEvent(QPaintEvent* /*event*/) {
    if (m_shape && m_shape->isEmpty())
        return;
    QPainter painter(this);
    const QRect area = rect();
    QRect captionArea = area.adjusted(m_margin + 2, 0, -(m_margin + 2), 0);
    const int captionFlags = Qt::TextSingleLine | static_cast<int>(m_captionAlignment);
    painter.setFont(m_captionFont);

    if (!isEnabled()) {
        DrawLookOrFace(painter, m_disabled);
        if (m_border)
            qDrawWinButton(&painter, area, palette(), false);
        if (!m_caption.isEmpty()) {
            // Embossed: a light copy one pixel down-right under the grey text.
            painter.setPen(palette().color(QPalette::Light));
            painter.drawText(captionArea.translated(1, 1), captionFlags, m_caption);
            painter.setPen(palette().color(QPalette::Disabled, QPalette::ButtonText));
            painter.drawText(captionArea, captionFlags, m_caption);
        }
        return;
    }

    if (m_pushed || m_checked) {
        DrawLookOrFace(painter, m_down);
        if (m_type != EButtonType::Radio)
            captionArea.translate(1, 1);
        if (m_border)
            qDrawWinButton(&painter, area, palette(), true);
    } else {
        const QImage* look = &m_normal;
        if (!m_normal.isNull()) {
            if (m_hovering && !m_over.isNull())
                look = &m_over;
            else if (hasFocus() && !m_focus.isNull())
                look = &m_focus;
        }
        DrawLookOrFace(painter, *look);
        if (m_border)
            qDrawWinButton(&painter, area, palette(), false);
    }

    if (hasFocus() && m_margin > 0) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = area.adjusted(m_margin, m_margin, -m_margin, -m_margin);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
    if (!m_caption.isEmpty()) {
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(captionArea, captionFlags, m_caption);
    }
}
