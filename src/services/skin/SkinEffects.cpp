#include "services/skin/SkinEffects.h"

#include <QGraphicsDropShadowEffect>
#include <QWidget>

void EnableTextWhiteShadow(QWidget* control, bool enable)
{
    if (!control)
        return;
    if (!enable) {
        control->setGraphicsEffect(nullptr);
        return;
    }
    auto* shadow = new QGraphicsDropShadowEffect(control);
    shadow->setColor(QColor(255, 255, 255, 230));
    shadow->setOffset(0, 1);
    shadow->setBlurRadius(0);
    control->setGraphicsEffect(shadow);
}
