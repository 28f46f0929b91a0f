#include "services/skin/SkinFrame.h"

#include "services/skin/SkinManager.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBitmap>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWindow>

SkinFrame::SkinFrame(QWidget* window, SkinManager* skin) : QObject(window), m_window(window), m_skin(skin)
{
    window->setWindowFlag(Qt::FramelessWindowHint, true);
    window->installEventFilter(this);
    qApp->installEventFilter(this);
}

SkinFrame::~SkinFrame()
{
    qApp->removeEventFilter(this);
}

SkinFrame::HitArea SkinFrame::hitTest(const QPoint& point) const
{
    if (!m_window || !m_window->rect().contains(point))
        return HitClient;
    const QRect r = m_window->rect();
    if (!m_window->isMaximized() && !m_window->isFullScreen()) {
        const QMargins box = m_skin->sizeBox();
        const bool left = point.x() < r.left() + box.left();
        const bool right = point.x() > r.right() - box.right();
        const bool top = point.y() < r.top() + box.top();
        const bool bottom = point.y() > r.bottom() - box.bottom();
        if (top && left)
            return HitTopLeft;
        if (top && right)
            return HitTopRight;
        if (bottom && left)
            return HitBottomLeft;
        if (bottom && right)
            return HitBottomRight;
        if (left)
            return HitLeft;
        if (right)
            return HitRight;
        if (top)
            return HitTop;
        if (bottom)
            return HitBottom;
    }
    if (m_skin->captionRect().contains(point)) {
        QWidget* control = m_skin->FindControl(point);
        if (!control)
            return HitClient;
        if (qobject_cast<QAbstractButton*>(control) || qobject_cast<QLineEdit*>(control) ||
            qobject_cast<QTextEdit*>(control) || qobject_cast<QPlainTextEdit*>(control))
            return HitClient;
        return HitCaption;
    }
    return HitClient;
}

void SkinFrame::updateMaxRestoreButtons()
{
    if (!m_window)
        return;
    const bool maximised = m_window->isMaximized();
    if (QWidget* maxButton = m_skin->FindControl(QStringLiteral("max_btn")))
        maxButton->setVisible(!maximised);
    if (QWidget* restoreButton = m_skin->FindControl(QStringLiteral("restore_btn")))
        restoreButton->setVisible(maximised);
}

void SkinFrame::applyRoundCorner()
{
    if (!m_window)
        return;
    const QSize corner = m_skin->roundCorner();
    if (m_window->isMinimized())
        return;
    if (m_window->isMaximized() || m_window->isFullScreen() || corner.isEmpty()) {
        m_window->clearMask();
        return;
    }
    QBitmap mask(m_window->size());
    mask.fill(Qt::color0);
    QPainter painter(&mask);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::color1);
    painter.drawRoundedRect(QRect(QPoint(0, 0), m_window->size()), corner.width(), corner.height());
    painter.end();
    m_window->setMask(mask);
}

bool SkinFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window) {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show)
            applyRoundCorner();
        else if (event->type() == QEvent::WindowStateChange) {
            updateMaxRestoreButtons();
            applyRoundCorner();
        }
    }
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && m_window && widget->window() == m_window)
            return handleMouse(widget, event);
        break;
    }
    default:
        break;
    }
    return false;
}

bool SkinFrame::handleMouse(QWidget* widget, QEvent* event)
{
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint global = mouse->globalPosition().toPoint();
    const QPoint point = widget->mapTo(m_window, mouse->position().toPoint());

    if (event->type() == QEvent::MouseMove) {
        if (m_dragArea != HitClient && (mouse->buttons() & Qt::LeftButton)) {
            dragTo(global);
            return true;
        }
        if (mouse->buttons() == Qt::NoButton)
            updateCursor(hitTest(point));
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        if (m_dragArea != HitClient && mouse->button() == Qt::LeftButton) {
            m_dragArea = HitClient;
            return true;
        }
        return false;
    }
    if (mouse->button() != Qt::LeftButton)
        return false;
    const HitArea area = hitTest(point);
    if (area == HitClient)
        return false;
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (area == HitCaption) {
            if (m_window->isMaximized())
                m_window->showNormal();
            else
                m_window->showMaximized();
            return true;
        }
        return false;
    }

    // Left press: let the window system move or resize the window when it can, else do it here.
    QWindow* handle = m_window->windowHandle();
    bool systemDone = false;
    if (handle) {
        if (area == HitCaption) {
            systemDone = handle->startSystemMove();
        } else {
            Qt::Edges edges;
            if (area == HitLeft || area == HitTopLeft || area == HitBottomLeft)
                edges |= Qt::LeftEdge;
            if (area == HitRight || area == HitTopRight || area == HitBottomRight)
                edges |= Qt::RightEdge;
            if (area == HitTop || area == HitTopLeft || area == HitTopRight)
                edges |= Qt::TopEdge;
            if (area == HitBottom || area == HitBottomLeft || area == HitBottomRight)
                edges |= Qt::BottomEdge;
            systemDone = handle->startSystemResize(edges);
        }
    }
    if (!systemDone) {
        m_dragArea = area;
        m_dragStart = global;
        m_startGeometry = m_window->geometry();
    }
    return true;
}

void SkinFrame::dragTo(const QPoint& globalPos)
{
    const QPoint delta = globalPos - m_dragStart;
    QRect g = m_startGeometry;
    if (m_dragArea == HitCaption) {
        if (m_window->isMaximized())
            return;
        m_window->move(g.topLeft() + delta);
        return;
    }
    const QSize minimum = m_window->minimumSizeHint().expandedTo(m_window->minimumSize());
    if (m_dragArea == HitLeft || m_dragArea == HitTopLeft || m_dragArea == HitBottomLeft)
        g.setLeft(qMin(g.left() + delta.x(), g.right() - minimum.width()));
    if (m_dragArea == HitRight || m_dragArea == HitTopRight || m_dragArea == HitBottomRight)
        g.setRight(qMax(g.right() + delta.x(), g.left() + minimum.width()));
    if (m_dragArea == HitTop || m_dragArea == HitTopLeft || m_dragArea == HitTopRight)
        g.setTop(qMin(g.top() + delta.y(), g.bottom() - minimum.height()));
    if (m_dragArea == HitBottom || m_dragArea == HitBottomLeft || m_dragArea == HitBottomRight)
        g.setBottom(qMax(g.bottom() + delta.y(), g.top() + minimum.height()));
    m_window->setGeometry(g);
}

void SkinFrame::updateCursor(HitArea area)
{
    Qt::CursorShape shape = Qt::ArrowCursor;
    switch (area) {
    case HitLeft:
    case HitRight:
        shape = Qt::SizeHorCursor;
        break;
    case HitTop:
    case HitBottom:
        shape = Qt::SizeVerCursor;
        break;
    case HitTopLeft:
    case HitBottomRight:
        shape = Qt::SizeFDiagCursor;
        break;
    case HitTopRight:
    case HitBottomLeft:
        shape = Qt::SizeBDiagCursor;
        break;
    default:
        if (m_cursorSet) {
            m_window->unsetCursor();
            m_cursorSet = false;
        }
        return;
    }
    m_window->setCursor(shape);
    m_cursorSet = true;
}
