#include "trans_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <array>

namespace {
// Percent 0, 10, ..., 100 to alpha: 255 x percent / 100, rounded to nearest.
constexpr std::array<int, 11> ALPHA_OF_TENTHS = {0, 26, 51, 77, 102, 128, 153, 179, 204, 230, 255};
constexpr int SLIDER_STEPS = 10;
}  // namespace

int AlphaOfPercent(int percent) {
    if (percent < 0 || percent > 100 || percent % 10 != 0)
        return -1;
    return ALPHA_OF_TENTHS[static_cast<size_t>(percent / 10)];
}

CTransDlg::CTransDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Transparent Dialog Setting"));
    auto* text = new QLabel(QStringLiteral("Please slide the control to transparent dialog"));
    m_slider = new QSlider(Qt::Horizontal);
    m_slider->setObjectName(QStringLiteral("opacity"));
    m_slider->setRange(0, SLIDER_STEPS);
    m_slider->setPageStep(1);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_slider->setTickInterval(1);
    m_slider->setMinimumWidth(fontMetrics().averageCharWidth() * 30);
    m_value = new QLabel;
    m_value->setObjectName(QStringLiteral("percent"));
    m_value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_value->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 4);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(m_slider, 1);
    row->addWidget(m_value);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_slider, &QSlider::valueChanged, this, &CTransDlg::OnSliderMoved);
    InitDialog();
}

void CTransDlg::InitDialog() {
    {
        const QSignalBlocker quiet(m_slider);
        m_slider->setValue(m_percent / 10);
    }
    m_value->setText(QString::number(m_percent) + QLatin1Char('%'));
    m_slider->setFocus();
}

int CTransDlg::exec() {
    InitDialog();
    return QDialog::exec();
}

void CTransDlg::OnSliderMoved(int position) {
    // Kept whether or not the dialog ends with OK: the next opening starts here.
    m_percent = position * 10;
    m_value->setText(QString::number(m_percent) + QLatin1Char('%'));
}

int CTransDlg::GetAlpha() {
    const int alpha = AlphaOfPercent(m_percent);
    if (alpha >= 0)
        m_alpha = alpha;
    return m_alpha;
}
