#include "ui/editor/EditorPreviewArea.h"

#include <QPainter>

EditorPreviewArea::EditorPreviewArea(QWidget* parent) : QFrame(parent)
{
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void EditorPreviewArea::setPicture(const QImage& picture)
{
    m_picture = picture;
    update();
}

void EditorPreviewArea::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(64, 64, 64));
    if (!m_picture.isNull())
        p.drawImage(0, 0, m_picture);
    // A thin frame drawn over the picture's edge.
    p.setPen(QColor(90, 90, 90));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    ++m_paints;
    emit painted();
}
