#include "limit_setting_dlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "dialog_support.h"
#include "number_format.h"
#include "sensor_item_config.h"

namespace {

QString Fixed(double value, int width, int precision) {
    return Qs(FormatFixed(value, width, precision));
}

QString VoltText(double volts) {
    return Fixed(volts, 2, 2);
}

QString DegreesText(double celsius, bool inCelsius) {
    return Fixed(inCelsius ? celsius : celsius * 1.8 + 32, 3, 0);
}

QString RpmText(double rpm) {
    return Fixed(rpm, 5, 0);
}

// A board file may give its bounds the wrong way round: the trackbar spans them either way, so
// every position stays between the two.
void SetSpan(QSlider* slider, int a, int b) {
    const QSignalBlocker quiet(slider);
    slider->setRange(std::min(a, b), std::max(a, b));
}

// Moves a trackbar without reporting the move back to this dialog (a range that clamps the
// position does not count as a move either).
void Place(QSlider* slider, int position) {
    const QSignalBlocker quiet(slider);
    slider->setValue(position);
}

}  // namespace

CLimitSettingDlg::CLimitSettingDlg(IMonitorCommands& commands, QWidget* parent)
    : QDialog(parent), m_commands(commands) {
    setWindowTitle(QStringLiteral("Limit Setting"));
    m_name = new QLabel;
    m_name->setTextFormat(Qt::PlainText);  // item names come from files
    m_name->setObjectName(QStringLiteral("name"));
    m_hiCaption = new QLabel(QStringLiteral("Hi Limit:"));
    m_loCaption = new QLabel(QStringLiteral("Lo Limit:"));
    m_hiSlider = new QSlider(Qt::Horizontal);
    m_hiSlider->setObjectName(QStringLiteral("high"));
    m_loSlider = new QSlider(Qt::Horizontal);
    m_loSlider->setObjectName(QStringLiteral("low"));
    m_hiValue = new QLabel;
    m_hiValue->setObjectName(QStringLiteral("highValue"));
    m_loValue = new QLabel;
    m_loValue->setObjectName(QStringLiteral("lowValue"));
    m_hiUnit = new QLabel;
    m_hiUnit->setObjectName(QStringLiteral("highUnit"));
    m_loUnit = new QLabel;
    m_loUnit->setObjectName(QStringLiteral("lowUnit"));
    const int valueWidth = fontMetrics().horizontalAdvance(QStringLiteral("-00000.00")) + 4;
    const int unitWidth = fontMetrics().horizontalAdvance(QStringLiteral("RPM")) + 4;
    for (QLabel* value : {m_hiValue, m_loValue}) {
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(valueWidth);
    }
    for (QLabel* unit : {m_hiUnit, m_loUnit})
        unit->setMinimumWidth(unitWidth);
    for (QSlider* slider : {m_hiSlider, m_loSlider})
        slider->setMinimumWidth(fontMetrics().averageCharWidth() * 32);
    m_hiCaption->setBuddy(m_hiSlider);
    m_loCaption->setBuddy(m_loSlider);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(m_hiCaption, 0, 0);
    grid->addWidget(m_hiSlider, 0, 1);
    grid->addWidget(m_hiValue, 0, 2);
    grid->addWidget(m_hiUnit, 0, 3);
    grid->addWidget(m_loCaption, 1, 0);
    grid->addWidget(m_loSlider, 1, 1);
    grid->addWidget(m_loValue, 1, 2);
    grid->addWidget(m_loUnit, 1, 3);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_name);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(m_hiSlider, m_loSlider);

    connect(m_hiSlider, &QSlider::valueChanged, this, &CLimitSettingDlg::OnHighMoved);
    connect(m_loSlider, &QSlider::valueChanged, this, &CLimitSettingDlg::OnLowMoved);
    ShowRows(false, false);
}

void CLimitSettingDlg::ShowRows(bool high, bool low) {
    for (QWidget* w : {static_cast<QWidget*>(m_hiCaption), static_cast<QWidget*>(m_hiSlider),
                       static_cast<QWidget*>(m_hiValue), static_cast<QWidget*>(m_hiUnit)})
        w->setVisible(high);
    for (QWidget* w : {static_cast<QWidget*>(m_loCaption), static_cast<QWidget*>(m_loSlider),
                       static_cast<QWidget*>(m_loValue), static_cast<QWidget*>(m_loUnit)})
        w->setVisible(low);
}

void CLimitSettingDlg::InitDialog() {
    ShowRows(false, false);
    m_item = m_commands.ItemSettingsOf(m_itemNo);
    if (!m_item) {
        m_name->clear();
        return;
    }
    m_name->setText(Qs(m_item->name));
    m_hiLimit = m_item->hiLimit;
    m_loLimit = m_item->loLimit;
    m_rangeMax = m_item->hiBound;
    m_rangeMin = m_item->loBound;
    switch (m_item->type) {
        case ITEM_VOLTAGE: {
            const int lo = TruncToInt(m_rangeMin * 100), hi = TruncToInt(m_rangeMax * 100);
            SetSpan(m_hiSlider, lo, hi);
            SetSpan(m_loSlider, lo, hi);
            Place(m_hiSlider, TruncToInt(m_hiLimit * 100));
            Place(m_loSlider, TruncToInt(m_loLimit * 100));
            m_hiUnit->setText(QStringLiteral("V"));
            m_loUnit->setText(QStringLiteral("V"));
            ShowHigh();
            ShowLow();
            ShowRows(true, true);
            m_hiSlider->setFocus();
            break;
        }
        case ITEM_TEMPERATURE:
            // The low limit follows the high one, so a confirmed dialog always leaves them
            // equal, moved or not.
            m_loLimit = m_hiLimit;
            SetSpan(m_hiSlider, TruncToInt(m_rangeMin * 2), TruncToInt(m_rangeMax * 2));
            Place(m_hiSlider, 2 * TruncToInt(m_hiLimit));
            m_hiUnit->setText(m_celsius ? QStringLiteral("C") : QStringLiteral("F"));
            ShowHigh();
            ShowRows(true, false);
            m_hiSlider->setFocus();
            break;
        case ITEM_FAN:
            SetSpan(m_loSlider, TruncToInt(m_rangeMin), TruncToInt(m_rangeMax));
            Place(m_loSlider, TruncToInt(m_loLimit));
            m_loUnit->setText(QStringLiteral("RPM"));
            ShowLow();
            ShowRows(false, true);
            m_loSlider->setFocus();
            break;
        default:
            break;
    }
}

int CLimitSettingDlg::exec() {
    InitDialog();
    return QDialog::exec();
}

void CLimitSettingDlg::ShowHigh() {
    if (m_item && m_item->type == ITEM_TEMPERATURE)
        m_hiValue->setText(DegreesText(m_hiLimit, m_celsius));
    else
        m_hiValue->setText(VoltText(m_hiLimit));
}

void CLimitSettingDlg::ShowLow() {
    if (m_item && m_item->type == ITEM_FAN)
        m_loValue->setText(RpmText(m_loLimit));
    else
        m_loValue->setText(VoltText(m_loLimit));
}

void CLimitSettingDlg::OnHighMoved(int position) {
    if (!m_item)
        return;
    if (m_item->type == ITEM_TEMPERATURE) {
        m_hiLimit = position * 0.5;
        m_loLimit = m_hiLimit;
        ShowHigh();
    } else if (m_item->type == ITEM_VOLTAGE) {
        m_hiLimit = position * 0.01;
        if (m_hiLimit < m_loLimit) {
            m_hiLimit = m_loLimit;
            Place(m_hiSlider, m_loSlider->value());
        }
        ShowHigh();
    }
}

void CLimitSettingDlg::OnLowMoved(int position) {
    if (!m_item)
        return;
    if (m_item->type == ITEM_FAN) {
        m_loLimit = position;
        ShowLow();
    } else if (m_item->type == ITEM_VOLTAGE) {
        m_loLimit = position * 0.01;
        if (m_loLimit > m_hiLimit) {
            m_loLimit = m_hiLimit;
            Place(m_loSlider, m_hiSlider->value());
        }
        ShowLow();
    }
}

void CLimitSettingDlg::accept() {
    if (m_item)
        m_commands.SetItemLimits(m_item->itemNo, m_hiLimit, m_loLimit);
    QDialog::accept();
}
