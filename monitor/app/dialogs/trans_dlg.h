#pragma once
// "Transparent Dialog Setting": the main window's opacity in steps of 10 %. The main window keeps
// one for the program's life, so the slider opens where the user left it, even after a close
// without OK.

#include <QDialog>

class QLabel;
class QSlider;

class CTransDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CTransDlg(QWidget* parent = nullptr);

    // Sets the slider from the percent kept since the last opening.
    void InitDialog();
    int exec() override;

    // The alpha of the percent now chosen (100 % is 255, 0 % is 0); a percent the table does
    // not hold leaves the alpha as it was.
    int GetAlpha();
    int Percent() const { return m_percent; }

  private:
    void OnSliderMoved(int position);

    int m_alpha = 255;
    int m_percent = 100;
    QSlider* m_slider;
    QLabel* m_value;
};

// The alpha of a percent in steps of 10; -1 for any other percent.
int AlphaOfPercent(int percent);
