#include "services/skin/SkinListContainerElement.h"

SkinListContainerElement::SkinListContainerElement(QWidget* parent) : SkinContainer(Qt::Vertical, parent)
{
    // The list draws the selection behind the row.
    setAttribute(Qt::WA_TranslucentBackground);
}

QRect SkinListContainerElement::contentRect() const
{
    return rect().marginsRemoved(padding());
}
