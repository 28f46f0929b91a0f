#include "services/skin/SkinContainer.h"

SkinContainer::SkinContainer(Qt::Orientation orientation, QWidget* parent)
    : SkinControl(parent), m_orientation(orientation)
{
}

void SkinContainer::add(SkinControl* child)
{
    if (!child)
        return;
    child->setParent(this);
    m_children.append(child);
    child->show();
    relayout();
}

int SkinContainer::getCount() const
{
    return static_cast<int>(m_children.size());
}

SkinControl* SkinContainer::getItemAt(int index) const
{
    if (index < 0 || index >= m_children.size())
        return nullptr;
    return m_children.at(index).data();
}

QRect SkinContainer::contentRect() const
{
    return rect();
}

void SkinContainer::resizeEvent(QResizeEvent* event)
{
    SkinControl::resizeEvent(event);
    relayout();
}

void SkinContainer::showEvent(QShowEvent* event)
{
    SkinControl::showEvent(event);
    relayout();
}

void SkinContainer::relayout()
{
    const QRect area = contentRect();
    const bool horizontal = m_orientation == Qt::Horizontal;
    const int length = horizontal ? area.width() : area.height();

    // First pass: what the fixed-size children and all paddings take.
    int used = 0;
    int flexible = 0;
    for (const QPointer<SkinControl>& entry : m_children) {
        const SkinControl* child = entry.data();
        if (child == nullptr || child->isFloat())
            continue;
        const QMargins pad = child->padding();
        used += horizontal ? pad.left() + pad.right() : pad.top() + pad.bottom();
        const int fixed = horizontal ? child->fixedWidth() : child->fixedHeight();
        if (fixed > 0)
            used += fixed;
        else
            ++flexible;
    }
    const int share = flexible > 0 ? qMax(0, length - used) / flexible : 0;

    int cursor = horizontal ? area.left() : area.top();
    for (const QPointer<SkinControl>& entry : m_children) {
        SkinControl* child = entry.data();
        if (child == nullptr)
            continue;
        if (child->isFloat()) {
            child->setGeometry(child->floatPos().translated(area.topLeft()));
            continue;
        }
        const QMargins pad = child->padding();
        if (horizontal) {
            cursor += pad.left();
            int width = child->fixedWidth() > 0 ? child->fixedWidth() : share;
            width = qMax(width, child->minWidth());
            const int height =
                child->fixedHeight() > 0 ? child->fixedHeight() : area.height() - pad.top() - pad.bottom();
            child->setGeometry(cursor, area.top() + pad.top(), width, height);
            cursor += width + pad.right();
        } else {
            cursor += pad.top();
            const int height = child->fixedHeight() > 0 ? child->fixedHeight() : share;
            int width =
                child->fixedWidth() > 0 ? child->fixedWidth() : area.width() - pad.left() - pad.right();
            width = qMax(width, child->minWidth());
            child->setGeometry(area.left() + pad.left(), cursor, width, height);
            cursor += height + pad.bottom();
        }
    }
}
