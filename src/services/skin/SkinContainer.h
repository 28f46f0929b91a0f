#pragma once

#include "services/skin/SkinControl.h"

#include <QList>
#include <QPointer>

// A skinned control that holds other skinned controls and places them itself: floating
// children at their "pos" rectangle, the others one after the other (left to right or top
// to bottom) inside their padding; children without a fixed size share the space left.
class SkinContainer : public SkinControl
{
    Q_OBJECT
public:
    explicit SkinContainer(Qt::Orientation orientation, QWidget* parent = nullptr);

    void add(SkinControl* child);
    int getCount() const;
    SkinControl* getItemAt(int index) const;

    // Places the children in the current rectangle.
    void relayout();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // The part of the container the children are placed in.
    virtual QRect contentRect() const;

private:
    Qt::Orientation m_orientation;
    QList<QPointer<SkinControl>> m_children;
};
