#pragma once
// A button drawn entirely from bitmaps: normal, pushed, hovered, disabled and focused looks,
// optionally shaped by a mask bitmap, with its own check and radio behaviour. It is an alien
// child widget (never a native window) so it can sit over the page view.

#include <QFont>
#include <QHash>
#include <QImage>
#include <QRegion>
#include <QString>
#include <QWidget>
#include <optional>
#include <string>

enum class EButtonType { Push = 0, Check = 2, Radio = 4 };

class CImageButton : public QWidget {
    Q_OBJECT

  public:
    using EButtonType = ::EButtonType;

    // How a bitmap fills the button: at its own size from the top-left corner, stretched over
    // the whole button, or repeated from the top-left corner.
    static constexpr int DRAW_NORMAL = 0;
    static constexpr int DRAW_STRETCH = 1;
    static constexpr int DRAW_TILE = 2;

    CImageButton(EButtonType type, QWidget* parent);
    ~CImageButton() override;

    EButtonType Type() const { return m_type; }

    // Loads the looks from BMP files (empty path: none). A file that does not load leaves that
    // look empty; without a disabled bitmap the normal one is used. With a mask, white pixels
    // are outside the button: the widget is shaped to the rest and, in draw mode 0, takes the
    // mask's size. A mask with no pixel inside makes a button that is neither seen nor clicked.
    void SetSkin(const std::string& normal, const std::string& down, const std::string& over,
                 const std::string& disabled, const std::string& focus, const std::string& mask,
                 int drawMode, bool border, int margin);
    // The pictures, the mask's shape and size drawn at `scale` times their own size (a window
    // shrunk to fit its screen). Set before SetSkin.
    void SetScale(double scale) { m_scale = scale > 0 ? scale : 1.0; }
    double Scale() const { return m_scale; }

    // Any non-zero state checks; a push button stays unchecked. Checking a radio button
    // unchecks the other buttons of its radio group once the event loop runs.
    void SetCheck(int state);
    bool GetCheck() const { return m_checked; }

    // Radio buttons that share a parent widget and a group number uncheck one another; the
    // skin loader gives each GROUP element of a skin its own number. NO_GROUP (the default)
    // joins nothing.
    static constexpr int NO_GROUP = -1;
    void SetRadioGroup(int group) { m_radioGroup = group; }
    int RadioGroup() const { return m_radioGroup; }

    void SetToolTipText(const std::string& text);

    // The caption (skin buttons have none) and the font it is drawn with.
    void SetCaption(const QString& caption);
    void SetCaptionAlignment(Qt::Alignment alignment);
    void SetFontBold(bool bold);
    void SetFontFace(const std::string& face);
    void SetFontUnderline(bool underline);
    void SetFontItalic(bool italic);
    void SetFontSize(int points);
    void SetFont(const QFont& font);
    const QFont& CaptionFont() const { return m_captionFont; }

    // Interaction state, for whoever needs to know what the button shows.
    bool IsHovering() const { return m_hovering; }
    bool IsPushed() const { return m_pushed; }

  signals:
    // A press and release on the button, or the space key, completed.
    void Clicked();

  protected:
    // Runs on every completed click, before Clicked() is emitted.
    virtual void OnClick() {}

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    bool IsOver(const QPoint& pos) const;
    void ToggleByUser();
    void Uncheck();
    void ReportClick();
    void SetPushed(bool pushed);
    void ApplyShape(const std::optional<QRegion>& shape);
    void DrawImage(QPainter& painter, const QImage& image) const;
    // The button's rectangle in the pictures' pixels (its own size at scale 1).
    QRect ImageArea() const;
    void DrawSharpImage(QPainter& painter, const QImage& sharp) const;
    void LoadSharp(const std::string& path, const QImage& normal);
    // Draws `image`, or the face fill when it is null (radio buttons: nothing).
    void DrawLookOrFace(QPainter& painter, const QImage& image) const;

    EButtonType m_type;
    bool m_checked = false;
    bool m_hovering = false;
    bool m_pressedByMouse = false;
    bool m_pressedBySpace = false;
    bool m_pushed = false;
    int m_radioGroup = NO_GROUP;

    int m_margin = 0;
    bool m_border = false;
    int m_drawMode = DRAW_STRETCH;
    QImage m_normal;
    QImage m_down;
    QImage m_over;
    QImage m_disabled;
    QImage m_focus;
    QImage m_mask;
    // The sharper pictures shipped beside them (name@2x.bmp), by the normal picture's cache
    // key; drawn where the screen's scale is above 1.
    QHash<qint64, QImage> m_sharp;
    QImage m_sharpMask;
    double m_scale = 1.0;
    // An empty shape cannot be given to setMask (that would remove the mask), so it is kept
    // here and the button stops drawing and taking input instead.
    std::optional<QRegion> m_shape;

    QString m_caption;
    Qt::Alignment m_captionAlignment = Qt::AlignLeft | Qt::AlignTop;
    QFont m_captionFont;
};
