#include "fanpilot_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "monitor_engine.h"
#include "step_spin.h"

namespace {
constexpr int TEMPERATURE_STEP = 1;
constexpr int CONTROL_STEP = 10;
}  // namespace

int FahrenheitShown(int celsius) {
    return TruncToInt(celsius * 1.8 + 32);
}

int CelsiusOfFahrenheit(int fahrenheit) {
    return TruncToInt((fahrenheit - 32) * 5.0 / 9.0);
}

SFanPilotRanges FanPilotRanges(const std::string& name, bool celsius) {
    // Celsius ranges; a fan that is neither the processor's nor the system's may be either kind.
    SFanPilotRanges r{30, 70, 3, 15, 60, 100, 30, 70};
    if (name.find("CPU") != std::string::npos)
        r = {40, 70, 3, 15, 60, 100, 30, 60};
    if (name.find("SYS") != std::string::npos)
        r = {30, 50, 3, 15, 70, 100, 50, 70};
    if (!celsius) {
        r.targetMin = FahrenheitShown(r.targetMin);
        r.targetMax = FahrenheitShown(r.targetMax);
        r.toleranceMin = FahrenheitShown(r.toleranceMin);
        r.toleranceMax = FahrenheitShown(r.toleranceMax);
    }
    return r;
}

CFanPilotDlg::CFanPilotDlg(IMonitorCommands& commands, QWidget* parent)
    : QDialog(parent), m_commands(commands) {
    setWindowTitle(QStringLiteral("FanPilot Setting"));
    m_none = new QLabel(QStringLiteral(
        "No fan here offers FANPILOT: it is the W83627EHF's own fan control, and none of "
        "these fans is driven by that chip."));
    m_none->setObjectName(QStringLiteral("noFanPilot"));
    m_none->setWordWrap(true);
    m_none->hide();
    m_fans = new QComboBox;
    m_fans->setObjectName(QStringLiteral("fan"));
    m_fans->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_enable = new QCheckBox(QStringLiteral("Enable FANPILOT"));
    m_enable->setObjectName(QStringLiteral("enableFanPilot"));
    m_target = new CStepSpin;
    m_target->setObjectName(QStringLiteral("target"));
    m_tolerance = new CStepSpin;
    m_tolerance->setObjectName(QStringLiteral("tolerance"));
    m_start = new CStepSpin;
    m_start->setObjectName(QStringLiteral("start"));
    m_stop = new CStepSpin;
    m_stop->setObjectName(QStringLiteral("stop"));
    m_target->SetStep(TEMPERATURE_STEP);
    m_tolerance->SetStep(TEMPERATURE_STEP);
    m_start->SetStep(CONTROL_STEP);
    m_stop->SetStep(CONTROL_STEP);
    m_start->SetSuffix(QStringLiteral("%"));
    m_stop->SetSuffix(QStringLiteral("%"));
    m_loadDefault = new QPushButton(QStringLiteral("Load Default"));
    m_loadDefault->setObjectName(QStringLiteral("loadDefault"));
    m_apply = new QPushButton(QStringLiteral("Apply"));
    m_apply->setObjectName(QStringLiteral("apply"));
    m_ok = new QPushButton(QStringLiteral("OK"));
    m_ok->setObjectName(QStringLiteral("ok"));
    m_ok->setDefault(true);

    auto* values = new QFormLayout;
    values->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    values->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    values->addRow(QStringLiteral("Target Temperature:"), m_target);
    values->addRow(QStringLiteral("Temperature Tolerance:"), m_tolerance);
    values->addRow(QStringLiteral("Start Control:"), m_start);
    values->addRow(QStringLiteral("Stop Control:"), m_stop);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_loadDefault);
    buttons->addWidget(m_apply);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_none);
    layout->addWidget(m_fans);
    layout->addWidget(m_enable);
    layout->addLayout(values);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    QWidget* previous = m_fans;
    for (QWidget* w : {static_cast<QWidget*>(m_enable), static_cast<QWidget*>(m_target),
                       static_cast<QWidget*>(m_tolerance), static_cast<QWidget*>(m_start),
                       static_cast<QWidget*>(m_stop), static_cast<QWidget*>(m_loadDefault),
                       static_cast<QWidget*>(m_apply), static_cast<QWidget*>(m_ok)}) {
        setTabOrder(previous, w);
        previous = w;
    }

    connect(m_fans, &QComboBox::currentIndexChanged, this, &CFanPilotDlg::OnSelectionChanged);
    connect(m_enable, &QCheckBox::clicked, this, &CFanPilotDlg::OnEnableClicked);
    for (CStepSpin* spin : {m_target, m_tolerance, m_start, m_stop})
        connect(spin, &CStepSpin::Stepped, this, &CFanPilotDlg::OnStepped);
    connect(m_apply, &QPushButton::clicked, this, &CFanPilotDlg::OnApply);
    connect(m_loadDefault, &QPushButton::clicked, this, &CFanPilotDlg::OnLoadDefault);
    connect(m_ok, &QPushButton::clicked, this, &CFanPilotDlg::accept);
}

void CFanPilotDlg::InitDialog() {
    m_celsius = m_commands.Celsius();
    m_modified = false;
    m_listed.clear();
    {
        const QSignalBlocker quiet(m_fans);
        m_fans->clear();
        for (int32_t itemNo : m_fanList) {
            const std::optional<SItemSettings> fan = m_commands.ItemSettingsOf(itemNo);
            if (fan && fan->smartFanSupport) {
                m_listed.push_back(itemNo);
                m_fans->addItem(Qs(fan->name));
            }
        }
        m_fans->setCurrentIndex(m_listed.empty() ? -1 : 0);
    }
    m_current = m_listed.empty() ? std::nullopt : std::optional<int32_t>(m_listed.front());
    // An empty list says why rather than showing controls for nothing.
    m_none->setVisible(m_listed.empty());
    m_fans->setVisible(!m_listed.empty());
    ShowCurrentItem();
    m_fans->setFocus();
}

int CFanPilotDlg::exec() {
    InitDialog();
    return QDialog::exec();
}

int CFanPilotDlg::ShownTemperature(int celsius) const {
    return m_celsius ? celsius : FahrenheitShown(celsius);
}

int CFanPilotDlg::StoredTemperature(int shown) const {
    return m_celsius ? shown : CelsiusOfFahrenheit(shown);
}

void CFanPilotDlg::EnableValueControls(bool on) {
    for (CStepSpin* spin : {m_target, m_tolerance, m_start, m_stop})
        spin->setEnabled(on);
}

void CFanPilotDlg::ShowCurrentItem() {
    // With no fan to show there is nothing to edit, apply or load.
    const std::optional<SItemSettings> fan =
        m_current ? m_commands.ItemSettingsOf(*m_current) : std::nullopt;
    const bool any = fan.has_value();
    m_apply->setEnabled(any);
    m_loadDefault->setEnabled(any);
    if (!any) {
        m_enable->setChecked(false);
        m_enable->setEnabled(false);
        EnableValueControls(false);
        return;
    }
    const SFanPilotRanges r = FanPilotRanges(m_fans->currentText().toStdString(), m_celsius);
    m_target->SetRange(r.targetMin, r.targetMax);
    m_tolerance->SetRange(r.toleranceMin, r.toleranceMax);
    m_start->SetRange(r.startMin, r.startMax);
    m_stop->SetRange(r.stopMin, r.stopMax);
    m_target->SetValue(ShownTemperature(fan->targetTemp));
    m_tolerance->SetValue(ShownTemperature(fan->toleranceTemp));
    m_start->SetValue(fan->startCtrl);
    m_stop->SetValue(fan->stopCtrl);
    // A fan of a processor the machine lacks cannot be switched on; any other fan can.
    m_enable->setEnabled(!fan->missingProcessor);
    m_enable->setChecked(fan->smartFanEnable);
    EnableValueControls(m_enable->isChecked() && m_enable->isEnabled());
}

void CFanPilotDlg::OnSelectionChanged(int index) {
    if (m_modified) {
        const auto answer =
            QMessageBox::question(this, QString::fromLatin1(APP_TITLE),
                                  QStringLiteral("Do you want to save the setting?"),
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer == QMessageBox::Yes)
            Apply();
        else
            m_modified = false;
    }
    // The entry's own fan, even when one fan's name contains another's.
    m_current = index >= 0 && static_cast<size_t>(index) < m_listed.size()
                    ? std::optional<int32_t>(m_listed[static_cast<size_t>(index)])
                    : std::nullopt;
    ShowCurrentItem();
}

void CFanPilotDlg::OnEnableClicked() {
    m_modified = true;
    EnableValueControls(m_enable->isChecked());
}

void CFanPilotDlg::OnStepped() {
    m_modified = true;
}

void CFanPilotDlg::Apply() {
    if (!m_current)
        return;
    m_commands.SetFanPilot(
        *m_current, {m_enable->isChecked(), StoredTemperature(m_target->Value()),
                     StoredTemperature(m_tolerance->Value()), m_start->Value(), m_stop->Value()});
    m_modified = false;
}

void CFanPilotDlg::OnApply() {
    Apply();
    // What the fan really holds now, after the unit's round trip and any refusal.
    ShowCurrentItem();
}

void CFanPilotDlg::OnLoadDefault() {
    if (!m_current)
        return;
    m_commands.ApplyBoardFileFanPilot(*m_current);
    ShowCurrentItem();
    m_modified = true;
    EnableValueControls(m_enable->isChecked());
}

void CFanPilotDlg::accept() {
    Apply();
    QDialog::accept();
}
