#include "step_spin.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <algorithm>

CStepSpin::CStepSpin(QWidget* parent) : QAbstractSpinBox(parent) {
    lineEdit()->setReadOnly(true);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setFocusPolicy(Qt::StrongFocus);
    ShowValue();
}

void CStepSpin::SetRange(int a, int b) {
    m_min = std::min(a, b);
    m_max = std::max(a, b);
}

void CStepSpin::SetSuffix(const QString& suffix) {
    m_suffix = suffix;
    ShowValue();
}

void CStepSpin::SetValue(int value) {
    m_value = value;
    ShowValue();
}

void CStepSpin::ShowValue() {
    lineEdit()->setText(QString::number(m_value) + m_suffix);
}

QAbstractSpinBox::StepEnabled CStepSpin::stepEnabled() const {
    if (isReadOnly() || !isEnabled())
        return StepNone;
    StepEnabled e = StepNone;
    if (m_value < m_max)
        e |= StepUpEnabled;
    if (m_value > m_min)
        e |= StepDownEnabled;
    return e;
}

void CStepSpin::stepBy(int steps) {
    for (; steps > 0; --steps) {
        if (m_value >= m_max)
            break;
        m_value = std::clamp(m_value + m_step, m_min, m_max);
        ShowValue();
        emit Stepped(m_value);
    }
    for (; steps < 0; ++steps) {
        if (m_value <= m_min)
            break;
        m_value = std::clamp(m_value - m_step, m_min, m_max);
        ShowValue();
        emit Stepped(m_value);
    }
}

QSize CStepSpin::sizeHint() const {
    ensurePolished();
    const QFontMetrics fm = fontMetrics();
    // Room for the widest text of the range, as a spin box gives itself.
    int width = 0;
    for (int v : {m_min, m_max, m_value, -999})
        width = std::max(width, fm.horizontalAdvance(QString::number(v) + m_suffix));
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const QSize content(width + 4, lineEdit()->sizeHint().height());
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, content, this);
}

QSize CStepSpin::minimumSizeHint() const {
    return sizeHint();
}
