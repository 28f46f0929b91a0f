#include "ui/editor/EditorPreviewArea.h"

#include <QPainter>

EditorPreviewArea::EditorPreviewArea(QWidget* parent) : QFrame(parent)
{
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void EditorPreviewArea::setPicture(const QImage& picture, const QStringList& problems)
{
    m_picture = picture;
    if (problems != m_problems) {
        m_problems = problems;
        setToolTip(problems.join(QLatin1Char('\n')));
    }
    update();
}

void EditorPreviewArea::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(64, 64, 64));
    if (!m_picture.isNull())
        p.drawImage(0, 0, m_picture);
    if (!m_problems.isEmpty()) {
        // A banner along the top edge: what could not be drawn, and why.
        const int margin = 8;
        const QRect textArea = rect().adjusted(margin, margin, -margin, -margin);
        const QString text = m_problems.join(QLatin1Char('\n'));
        QRect needed = p.fontMetrics().boundingRect(textArea, Qt::TextWordWrap, text);
        needed.setLeft(0);
        needed.setRight(width() - 1);
        needed.adjust(0, -margin, 0, margin);
        p.fillRect(needed, QColor(150, 20, 20, 220));
        p.setPen(Qt::white);
        p.drawText(textArea, Qt::TextWordWrap | Qt::AlignTop | Qt::AlignLeft, text);
    }
    // A thin frame drawn over the picture's edge.
    p.setPen(QColor(90, 90, 90));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    ++m_paints;
    emit painted();
}
