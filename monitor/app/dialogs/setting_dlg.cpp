#include "setting_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>

#include "hwmon_pin.h"
#include "limit_setting_dlg.h"

// The bitmaps are compiled into this static library; naming them keeps the linker from
// dropping them.
static void InitDialogResources() {
    Q_INIT_RESOURCE(dialogs);
}

namespace {

constexpr int NAME_COLUMN = 0;
constexpr int ENABLE_COLUMN = 1;
constexpr int SHUTDOWN_COLUMN = 2;
constexpr int BEEP_COLUMN = 3;
constexpr int DEFAULT_COLUMN = 4;
constexpr int LIMIT_COLUMN = 5;
constexpr int COLUMN_COUNT = 6;

// The tab images: one bitmap of three 15-pixel pictures (voltage, fan, temperature), white
// being the transparent part.
constexpr int TAB_IMAGE_WIDTH = 15;
enum { IMAGE_VOLTAGE = 0, IMAGE_FAN = 1, IMAGE_TEMPERATURE = 2 };

QIcon TabImage(const QPixmap& strip, int index) {
    QPixmap image = strip.copy(index * TAB_IMAGE_WIDTH, 0, TAB_IMAGE_WIDTH, strip.height());
    image.setMask(image.createMaskFromColor(Qt::white, Qt::MaskInColor));
    return QIcon(image);
}

QString RowName(const char* column, size_t row) {
    return QString::fromLatin1(column) + QLatin1Char('_') + QString::number(row);
}

// Why the beep switches are off: the chip is reached through a driver without its beeper, or
// no item reads the chip at all (a machine's hwmon sensors have no beeper of their own).
QString NoBeeperTip(const IMonitorCommands& commands) {
    bool chipItem = false;
    for (const SItemSettings& item : commands.ItemSettings())
        chipItem = chipItem || !IsHwmonPin(item.pin);
    if (!chipItem)
        return QStringLiteral(
            "These sensors are read from the kernel's hwmon devices, which have no beeper: "
            "nothing beeps. Alarms show on the page, in the tray and in the error log.");
    return QStringLiteral(
        "The chip is reached through the kernel's driver w83627ehf, which has no beeper "
        "control: the chip does not beep. The beep settings are kept for raw port access.");
}

}  // namespace

CSettingDlg::CSettingDlg(IMonitorCommands& commands, QWidget* parent)
    : QDialog(parent), m_commands(commands) {
    InitDialogResources();
    setWindowTitle(QStringLiteral("Setting"));

    m_tabs = new QTabBar;
    m_tabs->setObjectName(QStringLiteral("tabs"));
    m_tabs->setExpanding(false);
    const QPixmap strip(QStringLiteral(":/dialogs/tab_images.bmp"));
    m_tabs->addTab(TabImage(strip, IMAGE_VOLTAGE), QStringLiteral("Voltage"));
    m_tabs->addTab(TabImage(strip, IMAGE_TEMPERATURE), QStringLiteral("Temperature"));
    m_tabs->addTab(TabImage(strip, IMAGE_FAN), QStringLiteral("Fan"));

    // The rows sit in a panel under the tabs; the headings stay put while a long list scrolls.
    auto* panel = new QFrame;
    panel->setFrameShape(QFrame::StyledPanel);
    m_heading = new QGridLayout;
    const char* headings[] = {"Enable", "ShutDown", "Beep"};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(QString::fromLatin1(headings[i]));
        label->setAlignment(Qt::AlignCenter);
        m_heading->addWidget(label, 0, ENABLE_COLUMN + i);
    }
    m_rowsWidget = new QWidget;
    auto* rowsLayout = new QVBoxLayout(m_rowsWidget);
    rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_grid = new QGridLayout;
    rowsLayout->addLayout(m_grid);
    rowsLayout->addStretch(1);
    m_heading->setContentsMargins(0, 0, 0, 0);
    m_grid->setHorizontalSpacing(m_heading->horizontalSpacing());
    m_scroll = new QScrollArea;
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidget(m_rowsWidget);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addLayout(m_heading);
    panelLayout->addWidget(m_scroll, 1);

    m_globalBeep = new QCheckBox(QStringLiteral("Global Beep Enable"));
    m_globalBeep->setObjectName(QStringLiteral("globalBeep"));
    m_celsius = new QRadioButton(QStringLiteral("Celsius"));
    m_celsius->setObjectName(QStringLiteral("celsius"));
    m_fahrenheit = new QRadioButton(QStringLiteral("Fahrenheit"));
    m_fahrenheit->setObjectName(QStringLiteral("fahrenheit"));
    auto* units = new QButtonGroup(this);
    units->addButton(m_celsius);
    units->addButton(m_fahrenheit);
    m_resetAll = new QPushButton(QStringLiteral("Reset All to Default"));
    m_resetAll->setObjectName(QStringLiteral("resetAll"));
    m_ok = new QPushButton(QStringLiteral("OK"));
    m_ok->setObjectName(QStringLiteral("ok"));
    m_ok->setDefault(true);

    auto* switches = new QHBoxLayout;
    switches->addWidget(m_globalBeep);
    switches->addStretch(1);
    switches->addWidget(m_celsius);
    switches->addWidget(m_fahrenheit);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_resetAll);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->addWidget(m_tabs);
    layout->addWidget(panel, 1);
    layout->addSpacing(style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing));
    layout->addLayout(switches);
    layout->addSpacing(style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing));
    layout->addLayout(buttons);

    connect(m_tabs, &QTabBar::currentChanged, this, [this] { FillRows(); });
    connect(m_globalBeep, &QCheckBox::clicked, this, &CSettingDlg::OnGlobalBeep);
    connect(m_resetAll, &QPushButton::clicked, this, &CSettingDlg::OnResetAll);
    connect(m_ok, &QPushButton::clicked, this, &CSettingDlg::accept);
}

EItemList CSettingDlg::CurrentList() const {
    switch (m_tabs->currentIndex()) {
        case 1:
            return LIST_TEMPERATURE;
        case 2:
            return LIST_FAN;
        default:
            return LIST_VOLTAGE;
    }
}

std::optional<SItemSettings> CSettingDlg::ItemOfRow(size_t row) const {
    const auto& list = m_lists[CurrentList()];
    if (row >= list.size())
        return std::nullopt;
    return m_commands.ItemSettingsOf(list[row]);
}

bool CSettingDlg::RowBeep(EItemList list, size_t row) const {
    const auto& switches = m_rowBeep[list];
    return row < switches.size() && switches[row];
}

bool CSettingDlg::IsCelsius() const {
    return !m_fahrenheit->isChecked();
}

void CSettingDlg::TakeBeepSwitches() {
    m_lists = ItemListsOf(m_commands);
    for (size_t l = 0; l < m_lists.size(); ++l) {
        m_rowBeep[l].clear();
        for (int32_t itemNo : m_lists[l]) {
            const auto item = m_commands.ItemSettingsOf(itemNo);
            m_rowBeep[l].push_back(item && item->beepEnable);
        }
    }
    m_beepTaken = true;
}

void CSettingDlg::InitDialog() {
    m_lists = ItemListsOf(m_commands);
    // The switches belong to the items they were taken from; an engine started anew (the chip
    // came back) brings other items.
    bool sameItems = m_beepTaken;
    for (size_t l = 0; l < m_lists.size(); ++l)
        sameItems = sameItems && m_rowBeep[l].size() == m_lists[l].size();
    if (!sameItems)
        TakeBeepSwitches();

    {
        const QSignalBlocker quiet(m_tabs);
        m_tabs->setCurrentIndex(0);
    }
    m_globalBeep->setChecked(m_commands.BeepOffered() && m_commands.GlobalBeep());
    m_globalBeep->setEnabled(m_commands.BeepOffered());
    m_noBeeperTip = m_commands.BeepOffered() ? QString() : NoBeeperTip(m_commands);
    m_globalBeep->setToolTip(m_noBeeperTip);
    (m_commands.Celsius() ? m_celsius : m_fahrenheit)->setChecked(true);
    size_t longest = 0;
    for (const auto& list : m_lists)
        longest = std::max(longest, list.size());
    EnsureRows(longest);
    FitColumns();
    FillRows();
    OrderTabs();
    m_tabs->setFocus();
}

int CSettingDlg::exec() {
    InitDialog();
    return QDialog::exec();
}

void CSettingDlg::EnsureRows(size_t count) {
    while (m_rows.size() < count) {
        const size_t i = m_rows.size();
        const int r = static_cast<int>(i);
        SRow row{};
        row.name = new QLabel;
        row.name->setTextFormat(Qt::PlainText);  // item names come from files
        row.name->setObjectName(RowName("name", i));
        row.enable = new QCheckBox;
        row.enable->setObjectName(RowName("enable", i));
        row.enable->setAccessibleName(QStringLiteral("Enable"));
        row.shutdown = new QCheckBox;
        row.shutdown->setObjectName(RowName("shutdown", i));
        row.shutdown->setAccessibleName(QStringLiteral("ShutDown"));
        row.beep = new QCheckBox;
        row.beep->setObjectName(RowName("beep", i));
        row.beep->setAccessibleName(QStringLiteral("Beep"));
        row.defaults = new QPushButton(QStringLiteral("Default"));
        row.defaults->setObjectName(RowName("default", i));
        row.limit = new QPushButton(QStringLiteral("Limit"));
        row.limit->setObjectName(RowName("limit", i));
        m_grid->addWidget(row.name, r, NAME_COLUMN);
        m_grid->addWidget(row.enable, r, ENABLE_COLUMN, Qt::AlignHCenter);
        m_grid->addWidget(row.shutdown, r, SHUTDOWN_COLUMN, Qt::AlignHCenter);
        m_grid->addWidget(row.beep, r, BEEP_COLUMN, Qt::AlignHCenter);
        m_grid->addWidget(row.defaults, r, DEFAULT_COLUMN);
        m_grid->addWidget(row.limit, r, LIMIT_COLUMN);
        connect(row.enable, &QCheckBox::clicked, this, [this, i] { OnEnable(i); });
        connect(row.shutdown, &QCheckBox::clicked, this, [this, i] { OnShutDown(i); });
        connect(row.beep, &QCheckBox::clicked, this, [this, i] { OnBeep(i); });
        connect(row.defaults, &QPushButton::clicked, this, [this, i] { OnDefault(i); });
        connect(row.limit, &QPushButton::clicked, this, [this, i] { OnLimit(i); });
        for (QWidget* w : {static_cast<QWidget*>(row.name), static_cast<QWidget*>(row.enable),
                           static_cast<QWidget*>(row.shutdown), static_cast<QWidget*>(row.beep),
                           static_cast<QWidget*>(row.defaults), static_cast<QWidget*>(row.limit)})
            w->hide();
        m_rows.push_back(row);
    }
}

void CSettingDlg::FitColumns() {
    // The heading and the rows are two grids: the same column widths keep them in line.
    std::array<int, COLUMN_COUNT> width{};
    const QFontMetrics fm = fontMetrics();
    for (const SItemSettings& item : m_commands.ItemSettings())
        width[NAME_COLUMN] = std::max(width[NAME_COLUMN], fm.horizontalAdvance(Qs(item.name)));
    width[NAME_COLUMN] = std::max(width[NAME_COLUMN], fm.averageCharWidth() * 14);
    for (int c = ENABLE_COLUMN; c <= BEEP_COLUMN; ++c) {
        QLayoutItem* heading = m_heading->itemAtPosition(0, c);
        width[c] = heading->sizeHint().width();
    }
    int rowHeight = fm.height();
    if (!m_rows.empty()) {
        const SRow& row = m_rows.front();
        for (int c = ENABLE_COLUMN; c <= BEEP_COLUMN; ++c)
            width[c] = std::max(width[c], row.enable->sizeHint().width());
        width[DEFAULT_COLUMN] = row.defaults->sizeHint().width();
        width[LIMIT_COLUMN] = row.limit->sizeHint().width();
        rowHeight = std::max(
            {rowHeight, row.defaults->sizeHint().height(), row.enable->sizeHint().height()});
    }
    int total = 0;
    for (int c = 0; c < COLUMN_COUNT; ++c) {
        m_grid->setColumnMinimumWidth(c, width[static_cast<size_t>(c)]);
        m_heading->setColumnMinimumWidth(c, width[static_cast<size_t>(c)]);
        total += width[static_cast<size_t>(c)] + m_grid->horizontalSpacing();
    }
    m_grid->setColumnStretch(COLUMN_COUNT, 1);
    m_heading->setColumnStretch(COLUMN_COUNT, 1);

    size_t longest = 0;
    for (const auto& list : m_lists)
        longest = std::max(longest, list.size());
    const int shown = static_cast<int>(std::clamp<size_t>(longest, 1, VISIBLE_ROWS));
    const int spacing = m_grid->verticalSpacing();
    m_scroll->setFixedHeight(shown * rowHeight + (shown - 1) * spacing);
    const int scrollBar =
        longest > VISIBLE_ROWS ? m_scroll->verticalScrollBar()->sizeHint().width() : 0;
    m_scroll->setMinimumWidth(total + scrollBar);
}

void CSettingDlg::EnableRowSwitches(const SRow& row, bool on) {
    row.shutdown->setEnabled(on);
    row.defaults->setEnabled(on);
    row.limit->setEnabled(on);
    // Without the chip's beeper (the kernel's driver has none) the beep switches do nothing.
    row.beep->setEnabled(on && m_commands.BeepOffered());
    row.beep->setToolTip(m_noBeeperTip);
}

void CSettingDlg::FillRows() {
    for (const SRow& row : m_rows) {
        row.name->hide();
        row.enable->hide();
        row.shutdown->hide();
        row.beep->hide();
        row.defaults->hide();
        row.limit->hide();
    }
    const EItemList list = CurrentList();
    const auto& items = m_lists[list];
    EnsureRows(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        const SRow& row = m_rows[i];
        const std::optional<SItemSettings> item = m_commands.ItemSettingsOf(items[i]);
        if (!item)
            continue;
        row.name->setText(Qs(item->name));
        row.name->show();
        row.enable->show();
        row.enable->setChecked(item->enabled);
        EnableRowSwitches(row, item->enabled);
        row.shutdown->show();
        row.shutdown->setChecked(item->shutdownEnable);
        row.beep->setChecked(m_commands.BeepOffered() && RowBeep(list, i));
        row.beep->show();
        row.defaults->show();
        row.limit->show();
        if (item->missingProcessor) {
            row.enable->setEnabled(false);
            EnableRowSwitches(row, false);
        } else {
            row.enable->setEnabled(true);
        }
    }
    m_scroll->verticalScrollBar()->setValue(0);
}

void CSettingDlg::OrderTabs() {
    // Row by row, left to right, then the switches under the list and OK.
    QWidget* previous = m_tabs;
    for (const SRow& row : m_rows) {
        for (QWidget* w : {static_cast<QWidget*>(row.enable), static_cast<QWidget*>(row.shutdown),
                           static_cast<QWidget*>(row.beep), static_cast<QWidget*>(row.defaults),
                           static_cast<QWidget*>(row.limit)}) {
            setTabOrder(previous, w);
            previous = w;
        }
    }
    for (QWidget* w : {static_cast<QWidget*>(m_globalBeep), static_cast<QWidget*>(m_celsius),
                       static_cast<QWidget*>(m_fahrenheit), static_cast<QWidget*>(m_resetAll),
                       static_cast<QWidget*>(m_ok)}) {
        setTabOrder(previous, w);
        previous = w;
    }
}

void CSettingDlg::OnEnable(size_t i) {
    const std::optional<SItemSettings> item = ItemOfRow(i);
    if (!item)
        return;
    const SRow& row = m_rows[i];
    const bool on = row.enable->isChecked();
    m_commands.SetItemEnabled(item->itemNo, on);
    if (on) {
        // The row's own beep setting comes back with the row.
        const bool beep = RowBeep(CurrentList(), i);
        m_commands.SetItemBeepBit(item->itemNo, beep);
        m_commands.SetItemBeepFlag(item->itemNo, beep);
        row.beep->setChecked(beep);
    } else {
        m_commands.SetItemBeepBit(item->itemNo, false);
    }
    EnableRowSwitches(row, on);
}

void CSettingDlg::OnShutDown(size_t i) {
    if (const std::optional<SItemSettings> item = ItemOfRow(i))
        m_commands.SetItemShutdown(item->itemNo, m_rows[i].shutdown->isChecked());
}

void CSettingDlg::OnBeep(size_t i) {
    const std::optional<SItemSettings> item = ItemOfRow(i);
    if (!item)
        return;
    const bool on = m_rows[i].beep->isChecked();
    m_commands.SetItemBeepBit(item->itemNo, on);
    m_commands.SetItemBeepFlag(item->itemNo, on);
    m_rowBeep[CurrentList()][i] = on;
}

void CSettingDlg::OnDefault(size_t i) {
    const std::optional<SItemSettings> before = ItemOfRow(i);
    if (!before)
        return;
    const SRow& row = m_rows[i];
    m_commands.ApplyBoardFileSettings(before->itemNo);
    const std::optional<SItemSettings> item = ItemOfRow(i);
    if (!item)
        return;
    m_rowBeep[CurrentList()][i] = item->beepEnable;
    row.enable->setChecked(item->enabled);
    row.shutdown->setChecked(item->shutdownEnable);
    row.beep->setChecked(item->beepEnable);
    if (!item->enabled)
        EnableRowSwitches(row, false);
}

void CSettingDlg::OnLimit(size_t i) {
    const std::optional<SItemSettings> item = ItemOfRow(i);
    if (!item)
        return;
    CLimitSettingDlg limits(m_commands, this);
    limits.SetItem(item->itemNo);
    // The unit chosen here counts at once, before this dialog's OK.
    limits.SetUnit(IsCelsius());
    if (limits.exec() == QDialog::Accepted)
        m_commands.SaveSettings();
}

void CSettingDlg::OnGlobalBeep() {
    m_commands.SetGlobalBeep(m_globalBeep->isChecked());
}

void CSettingDlg::OnResetAll() {
    m_commands.SetGlobalBeep(true);
    m_globalBeep->setChecked(m_commands.BeepOffered());
    for (const auto& list : m_lists)
        for (int32_t itemNo : list)
            m_commands.ApplyBoardFileSettings(itemNo);
    TakeBeepSwitches();
    FillRows();
}

void CSettingDlg::accept() {
    m_commands.SetCelsius(IsCelsius());
    m_commands.SaveSettings();
    for (EItemList list : {LIST_TEMPERATURE, LIST_VOLTAGE, LIST_FAN}) {
        const auto& items = m_lists[list];
        for (size_t i = 0; i < items.size(); ++i)
            m_commands.SetItemBeepFlag(items[i], RowBeep(list, i));
    }
    QDialog::accept();
}
