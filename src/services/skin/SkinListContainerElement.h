#pragma once

#include "services/skin/SkinContainer.h"

// One row of a skinned list: a container whose children are stacked from the top, inside
// the row's own padding (the gap the list leaves around the row).
class SkinListContainerElement : public SkinContainer
{
    Q_OBJECT
public:
    explicit SkinListContainerElement(QWidget* parent = nullptr);

protected:
    QRect contentRect() const override;
};
