#include "ui/editor/OpacitySlider.h"

#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

#include <cmath>

OpacitySlider::OpacitySlider(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setSingleStep(1);
    setTickPosition(QSlider::NoTicks);
}

void OpacitySlider::setPercentLabel(QLabel* label)
{
    m_percent = label;
    if (m_percent) {
        m_percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        // Room for "100%" whatever the value shown.
        m_percent->setMinimumWidth(m_percent->fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 4);
    }
    showPercent();
}

QString OpacitySlider::percentText() const
{
    const int range = maximum() - minimum();
    const int percent =
        range > 0 ? static_cast<int>(std::lround((value() - minimum()) * 100.0 / range)) : 100;
    return QStringLiteral("%1%").arg(percent);
}

void OpacitySlider::showPercent()
{
    if (m_percent)
        m_percent->setText(percentText());
}

void OpacitySlider::sliderChange(SliderChange change)
{
    QSlider::sliderChange(change);
    if (change == SliderValueChange || change == SliderRangeChange)
        showPercent();
}

void OpacitySlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect handle =
            style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
        if (!handle.contains(event->position().toPoint())) {
            const QRect groove =
                style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
            const int span = groove.width() - handle.width();
            const int at = event->position().toPoint().x() - groove.x() - handle.width() / 2;
            setValue(
                QStyle::sliderValueFromPosition(minimum(), maximum(), at, qMax(1, span), option.upsideDown));
        }
    }
    // With the knob under the mouse the press takes it, so a drag goes on from there.
    QSlider::mousePressEvent(event);
}
