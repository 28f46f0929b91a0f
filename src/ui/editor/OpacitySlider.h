#pragma once

#include <QSlider>

class QLabel;

// The opacity slider of the layer pages: says its value as a percent of its range in a label
// beside it (also when the value is set with signals blocked), and a click on its track moves
// the knob to the click at once, as sliders elsewhere on the desktop do; the press then goes
// on as a drag of the knob.
class OpacitySlider : public QSlider
{
    Q_OBJECT

public:
    explicit OpacitySlider(QWidget* parent = nullptr);

    // The label that shows the percent (owned by the caller's layout).
    void setPercentLabel(QLabel* label);
    QString percentText() const;

protected:
    void sliderChange(SliderChange change) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void showPercent();

    QLabel* m_percent = nullptr;
};
