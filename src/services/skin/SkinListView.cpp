#include "services/skin/SkinListView.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

SkinListView::SkinListView(QWidget* parent) : QListView(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Every row has the height of the first: the view lays out many rows without asking each.
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::StrongFocus);
}

int SkinListView::getCount() const
{
    return model() ? model()->rowCount() : 0;
}

int SkinListView::getCurSel() const
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel() || !selectionModel()->isSelected(current))
        return -1;
    return current.row();
}

bool SkinListView::selectItem(int index)
{
    if (!model() || !selectionModel())
        return false;
    if (index < 0) {
        selectionModel()->clear();
        return true;
    }
    if (index >= getCount())
        return false;
    const QModelIndex row = model()->index(index, 0);
    selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
    scrollTo(row);
    return true;
}

QList<int> SkinListView::selectedRows() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void SkinListView::setEmptyText(const QString& text)
{
    m_emptyText = text;
    viewport()->update();
}

void SkinListView::mousePressEvent(QMouseEvent* event)
{
    emit inputArriving();
    QListView::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        emit notified(QStringLiteral("itemclick"), viewport()->mapTo(this, event->position().toPoint()));
}

void SkinListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        emit notified(QStringLiteral("itemactivate"), viewport()->mapTo(this, event->position().toPoint()));
}

void SkinListView::keyPressEvent(QKeyEvent* event)
{
    emit inputArriving();
    QListView::keyPressEvent(event);
}

void SkinListView::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    if (getCount() > 0 || m_emptyText.isEmpty())
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(viewport()->rect().adjusted(16, 16, -16, -16), Qt::AlignCenter | Qt::TextWordWrap,
                     m_emptyText);
}
