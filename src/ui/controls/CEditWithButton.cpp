#include "ui/controls/CEditWithButton.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "services/language/CLanguageManager.h"
#include "services/messages/WindowMessage.h"

CEditWithButton::CEditWithButton(QWidget* parent) : QLineEdit(parent)
{
    setFrame(false);
    setMouseTracking(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::transparent);
    setPalette(pal);
    // A style sheet inherited from the window (the skin's) would paint the field's background
    // over the picture and its button.
    setStyleSheet(QStringLiteral("CEditWithButton { background: transparent; border: none; }"));
    connect(this, &QLineEdit::textChanged, this, [this] {
        fitToBitmap();
        if (!buttonActive())
            setHovered(false);
        update();
    });
}

void CEditWithButton::setBitmaps(int emptyId, int filledId)
{
    QImage empty, filled;
    CLanguageManager::LoadLanguageBitmap(empty, emptyId);
    CLanguageManager::LoadLanguageBitmap(filled, filledId);
    setBitmaps(empty, filled);
}

void CEditWithButton::setBitmaps(const QImage& empty, const QImage& filled)
{
    m_empty = empty;
    m_filled = filled;
    fitToBitmap();
    update();
}

void CEditWithButton::setTextRect(const QRect& rect)
{
    m_textRect = rect;
    fitToBitmap();
}

void CEditWithButton::setButtonRect(const QRect& rect)
{
    m_buttonRect = rect;
}

void CEditWithButton::setNotify(QObject* window, int message)
{
    m_notify = window;
    m_notifyMessage = message;
}

QObject* CEditWithButton::notifyWindow() const
{
    return m_notify ? m_notify.data() : parent();
}

const QImage& CEditWithButton::currentBitmap() const
{
    return text().isEmpty() ? m_empty : m_filled;
}

void CEditWithButton::fitToBitmap()
{
    if (m_textRect.isEmpty() || m_fitting)
        return;
    m_fitting = true;
    const QImage& picture = currentBitmap();
    // The picture is drawn 3 pixels left of and 2 pixels above the control.
    if (!picture.isNull())
        setFixedSize(picture.width() - 3, picture.height() - 2);
    setTextMargins(m_textRect.left(), m_textRect.top(), qMax(0, width() - m_textRect.right() - 1),
                   qMax(0, height() - m_textRect.bottom() - 1));
    raise();
    m_fitting = false;
}

void CEditWithButton::paintEvent(QPaintEvent* event)
{
    {
        QPainter p(this);
        p.drawImage(-3, -2, currentBitmap());
        paintButton(p);
    }
    QLineEdit::paintEvent(event);
}

void CEditWithButton::paintButton(QPainter& painter) const
{
    if (!m_hovered || m_buttonRect.isEmpty() || !buttonActive())
        return;
    // Under the mouse the picture's button is shaded darker.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 70));
    const QRectF area = QRectF(m_buttonRect).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal side = qMin(area.width(), area.height());
    painter.drawEllipse(QRectF(area.center() - QPointF(side / 2, side / 2), QSizeF(side, side)));
    painter.restore();
}

void CEditWithButton::setHovered(bool hovered)
{
    if (hovered == m_hovered)
        return;
    m_hovered = hovered;
    update(m_buttonRect);
}

bool CEditWithButton::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (buttonActive() && m_buttonRect.contains(help->pos()))
            QToolTip::showText(help->globalPos(), tr("清除"), this, m_buttonRect);
        else
            QToolTip::hideText();
        return true;
    }
    return QLineEdit::event(event);
}

void CEditWithButton::leaveEvent(QEvent* event)
{
    setHovered(false);
    QLineEdit::leaveEvent(event);
}

void CEditWithButton::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    fitToBitmap();
}

void CEditWithButton::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitToBitmap();
}

void CEditWithButton::keyPressEvent(QKeyEvent* event)
{
    QLineEdit::keyPressEvent(event);
    update();
}

void CEditWithButton::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const bool overButton = buttonActive() && m_buttonRect.contains(pos);
    setHovered(overButton);
    if (overButton)
        setCursor(Qt::PointingHandCursor);
    else
        setCursor(m_textRect.isEmpty() || m_textRect.contains(pos) ? Qt::IBeamCursor : Qt::ArrowCursor);
    QLineEdit::mouseMoveEvent(event);
}

void CEditWithButton::mouseReleaseEvent(QMouseEvent* event)
{
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !m_buttonRect.contains(event->position().toPoint()))
        return;
    if (!buttonActive())
        return;
    if (QObject* target = notifyWindow()) {
        WindowMessageEvent message(m_notifyMessage, 0, 0);
        QCoreApplication::sendEvent(target, &message);
    }
}
