#include "ui/controls/CCoolButtonBar.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "services/language/CLanguageManager.h"
#include "services/messages/WindowMessage.h"

CCoolButtonBar::CCoolButtonBar(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CCoolButtonBar::SetButtons(const QList<CoolButton>& buttons, const std::array<int, 4>& bitmapIds)
{
    m_bitmapIds = bitmapIds;
    for (int i = 0; i < 4; ++i)
        CLanguageManager::LoadLanguageBitmap(m_bitmaps[i], m_bitmapIds[i], true);
    m_hot = -1;
    m_pressed = -1;
    m_buttons = buttons;
    update();
}

void CCoolButtonBar::SetTarget(QObject* window, int message)
{
    m_target = window;
    m_message = message;
}

void CCoolButtonBar::setEnabledFlag(int index, bool enabled)
{
    if (index >= 0 && index < m_buttons.size())
        m_buttons[index].enabled = enabled ? 1 : 0;
}

void CCoolButtonBar::setEnabledByCode(int commandCode, bool enabled, bool repaint)
{
    for (int i = 0; i < m_buttons.size(); ++i) {
        if (m_buttons[i].commandCode == commandCode) {
            setEnabledFlag(i, enabled);
            break;
        }
    }
    if (repaint)
        update();
}

void CCoolButtonBar::setAllEnabled(bool enabled, bool repaint)
{
    for (int i = 0; i < m_buttons.size(); ++i)
        setEnabledFlag(i, enabled);
    if (repaint)
        update();
}

void CCoolButtonBar::EnableButton(int commandCode, bool repaint)
{
    setEnabledByCode(commandCode, true, repaint);
}

void CCoolButtonBar::DisableButton(int commandCode, bool repaint)
{
    setEnabledByCode(commandCode, false, repaint);
}

void CCoolButtonBar::EnableAllButtons(bool repaint)
{
    setAllEnabled(true, repaint);
}

void CCoolButtonBar::DisableAllButtons(bool repaint)
{
    setAllEnabled(false, repaint);
}

void CCoolButtonBar::SetCaption(int x, int y, const QString& text)
{
    m_captionPos = QPoint(x, y);
    m_caption = text;
    update();
}

void CCoolButtonBar::CreateTooltips()
{
    m_tools.clear();
    for (const CoolButton& b : m_buttons)
        m_tools.append(
            Tool{b.commandCode + 100, b.rect(), CLanguageManager::LoadLanguageString(b.tooltipId)});
}

void CCoolButtonBar::ReloadBitmaps()
{
    for (int i = 0; i < 4; ++i)
        CLanguageManager::LoadLanguageBitmap(m_bitmaps[i], m_bitmapIds[i], true);
    m_tools.clear();
    CreateTooltips();
    update();
}

QSize CCoolButtonBar::getBitmapSize() const
{
    return m_bitmaps[Normal].deviceIndependentSize().toSize();
}

QString CCoolButtonBar::tooltipAt(const QPoint& pos) const
{
    for (const Tool& t : m_tools) {
        if (t.rect.contains(pos))
            return t.text;
    }
    return QString();
}

int CCoolButtonBar::buttonAt(const QPoint& pos, bool enabledOnly) const
{
    for (int i = 0; i < m_buttons.size(); ++i) {
        if (m_buttons[i].rect().contains(pos) && (!enabledOnly || m_buttons[i].enabled))
            return i;
    }
    return -1;
}

// The base picture stretched to the bar: its columns except the last 6 at the left, the
// column at (width - 6) repeated across the gap, and its last 10 columns from 6 pixels
// before the right edge.
void CCoolButtonBar::paintBase(QPainter& painter, const QImage& base) const
{
    const QSize size = base.deviceIndependentSize().toSize();
    const int iw = size.width();
    const int ih = size.height();
    const int cw = width();
    if (iw >= cw || iw < 10) {
        painter.drawImage(0, 0, base);
        return;
    }
    drawPart(painter, QPoint(0, 0), base, QRect(0, 0, iw - 6, ih));
    for (int x = iw - 6; x < cw - 6; ++x)
        drawPart(painter, QPoint(x, 0), base, QRect(iw - 6, 0, 1, ih));
    drawPart(painter, QPoint(cw - 6, 0), base, QRect(iw - 10, 0, 10, ih));
}

void CCoolButtonBar::drawPart(QPainter& painter, const QPoint& at, const QImage& picture, const QRect& part)
{
    const qreal ratio = picture.devicePixelRatio();
    const QRectF pixels(part.x() * ratio, part.y() * ratio, part.width() * ratio, part.height() * ratio);
    painter.drawImage(QRectF(at, part.size()), picture, pixels);
}

QImage CCoolButtonBar::renderBar() const
{
    // As sharp as the pictures: twice the pixels when they are the twice as large ones.
    const qreal ratio = m_bitmaps[Normal].isNull() ? 1.0 : m_bitmaps[Normal].devicePixelRatio();
    QImage canvas(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(ratio);
    canvas.fill(palette().color(QPalette::Window));
    QPainter p(&canvas);

    int enabledCount = 0;
    for (const CoolButton& b : m_buttons)
        enabledCount += b.enabled ? 1 : 0;
    const bool normalBase = enabledCount * 2 > m_buttons.size();
    paintBase(p, m_bitmaps[normalBase ? Normal : Disabled]);

    if (m_pressed >= 0 && m_pressed < m_buttons.size()) {
        const QRect r = m_buttons[m_pressed].rect();
        drawPart(p, r.topLeft(), m_bitmaps[Pressed], r);
    } else if (m_hot >= 0 && m_hot < m_buttons.size()) {
        const QRect r = m_buttons[m_hot].rect();
        drawPart(p, r.topLeft(), m_bitmaps[Hot], r);
    }

    // The buttons that differ from the base picture's state.
    for (const CoolButton& b : m_buttons) {
        const bool enabled = b.enabled != 0;
        if (normalBase && !enabled)
            drawPart(p, b.rect().topLeft(), m_bitmaps[Disabled], b.rect());
        else if (!normalBase && enabled)
            drawPart(p, b.rect().topLeft(), m_bitmaps[Normal], b.rect());
    }

    if (!m_caption.isEmpty()) {
        p.setPen(QColor(238, 153, 0));
        p.setFont(font());
        p.drawText(m_captionPos + QPoint(0, QFontMetrics(font()).ascent()), m_caption);
    }
    return canvas;
}

void CCoolButtonBar::repaintOnChange(int& button, int now)
{
    if (button == now)
        return;
    button = now;
    update();
}

void CCoolButtonBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, renderBar());
}

void CCoolButtonBar::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() != Qt::NoButton)
        return;
    repaintOnChange(m_hot, buttonAt(event->position().toPoint(), true));
}

void CCoolButtonBar::leaveEvent(QEvent*)
{
    if (m_captured)
        return;
    repaintOnChange(m_hot, -1);
}

void CCoolButtonBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    repaintOnChange(m_pressed, buttonAt(event->position().toPoint(), true));
    m_captured = true;
}

void CCoolButtonBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int index = buttonAt(event->position().toPoint(), false);
    if (index >= 0) {
        if (m_buttons[index].enabled && m_target) {
            update();
            postWindowMessage(m_target, m_message, m_buttons[index].commandCode, 0);
        }
        m_pressed = -1;
    } else {
        m_hot = -1;
        m_pressed = -1;
    }
    update();
    m_captured = false;
}

bool CCoolButtonBar::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        for (const Tool& t : m_tools) {
            if (t.rect.contains(help->pos())) {
                QToolTip::showText(help->globalPos(), t.text, this, t.rect);
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}
