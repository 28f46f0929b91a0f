#include "services/skin/SkinList.h"

#include "services/skin/SkinListContainerElement.h"

#include <QMouseEvent>
#include <QPainter>

SkinList::SkinList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setUniformItemSizes(false);
    setFocusPolicy(Qt::StrongFocus);
}

void SkinList::add(SkinListContainerElement* element)
{
    if (!element)
        return;
    auto* item = new QListWidgetItem(this);
    const QMargins pad = element->padding();
    const int height = element->fixedHeight() > 0 ? element->fixedHeight() : 22;
    item->setSizeHint(QSize(element->fixedWidth(), height + pad.top() + pad.bottom()));
    setItemWidget(item, element);
    viewport()->update();
}

int SkinList::getCount() const
{
    return count();
}

SkinListContainerElement* SkinList::getItemAt(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return qobject_cast<SkinListContainerElement*>(itemWidget(item(index)));
}

bool SkinList::removeAt(int index)
{
    if (index < 0 || index >= count())
        return false;
    QListWidgetItem* row = item(index);
    removeItemWidget(row);
    delete takeItem(index);
    viewport()->update();
    return true;
}

void SkinList::removeAll()
{
    while (count() > 0)
        removeAt(count() - 1);
}

int SkinList::getCurSel() const
{
    QListWidgetItem* current = currentItem();
    if (!current || !current->isSelected())
        return -1;
    return row(current);
}

bool SkinList::selectItem(int index)
{
    if (index < 0) {
        clearSelection();
        setCurrentRow(-1);
        return true;
    }
    if (index >= count())
        return false;
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    scrollToItem(item(index));
    return true;
}

void SkinList::setEmptyText(const QString& text)
{
    m_emptyText = text;
    viewport()->update();
}

void SkinList::mousePressEvent(QMouseEvent* event)
{
    QListWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()))
        emit notified(QStringLiteral("itemclick"), viewport()->mapTo(this, event->position().toPoint()));
}

void SkinList::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()))
        emit notified(QStringLiteral("itemactivate"), viewport()->mapTo(this, event->position().toPoint()));
}

void SkinList::paintEvent(QPaintEvent* event)
{
    QListWidget::paintEvent(event);
    if (count() > 0 || m_emptyText.isEmpty())
        return;
    QPainter painter(viewport());
    QColor hint = palette().color(QPalette::PlaceholderText);
    painter.setPen(hint);
    painter.drawText(viewport()->rect().adjusted(16, 16, -16, -16), Qt::AlignCenter | Qt::TextWordWrap,
                     m_emptyText);
}
