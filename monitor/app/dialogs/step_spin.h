#pragma once
// A read-only, right-aligned number edit with its up-down arrows: the arrows (and the arrow and
// page keys) move the value by a fixed step and never past the range, and the text is the number
// followed by an optional suffix ("%"). A value set from outside is shown as it is, even outside
// the range, so the edit never claims a setting that is not the one stored.

#include <QAbstractSpinBox>

class CStepSpin : public QAbstractSpinBox {
    Q_OBJECT
  public:
    explicit CStepSpin(QWidget* parent = nullptr);

    // The two ends in either order.
    void SetRange(int a, int b);
    int Minimum() const { return m_min; }
    int Maximum() const { return m_max; }
    void SetStep(int step) { m_step = step; }
    int Step() const { return m_step; }
    void SetSuffix(const QString& suffix);
    void SetValue(int value);
    int Value() const { return m_value; }

    void stepBy(int steps) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  signals:
    // The user moved the value (one signal per step taken).
    void Stepped(int value);

  protected:
    StepEnabled stepEnabled() const override;

  private:
    void ShowValue();

    int m_min = 0;
    int m_max = 0;
    int m_step = 1;
    int m_value = 0;
    QString m_suffix;
};
