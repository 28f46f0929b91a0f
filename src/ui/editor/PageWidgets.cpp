#include "ui/editor/PageWidgets.h"

#include <QLabel>
#include <QPalette>

#include "services/language/BuiltinPictureIds.h"
#include "ui/controls/CCoolButtonBar.h"

namespace PageWidgets {

QLabel* Label(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}

QLabel* LayerLabel(QWidget* parent)
{
    QLabel* label = Label(QStringLiteral("图层："), parent);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
    label->setPalette(pal);
    return label;
}

CCoolButtonBar* LayerMenuButton(QWidget* page, int message)
{
    auto* bar = new CCoolButtonBar(page);
    bar->setObjectName(QStringLiteral("layer_button"));
    bar->setFixedSize(32, 24);
    bar->SetButtons({CoolButton{1, 21, 0, 0, 32, 24, BuiltinStringIds::LayerButtonTip}},
                    {BuiltinPictureIds::LayerButtonNormal, BuiltinPictureIds::LayerButtonNormal,
                     BuiltinPictureIds::LayerButtonPressed, BuiltinPictureIds::LayerButtonNormal});
    bar->CreateTooltips();
    bar->SetTarget(page, message);
    return bar;
}

void PaintWhite(QWidget* page)
{
    QPalette pal = page->palette();
    pal.setColor(QPalette::Window, Qt::white);
    page->setPalette(pal);
    page->setAutoFillBackground(true);
}

} // namespace PageWidgets
