#include "ui/controls/CHoverButton.h"

#include <QEvent>
#include <QPainter>

#include "services/language/CLanguageManager.h"

namespace {

// Pictures drawn in the classic grey shades follow the current palette instead.
QImage mapThreeDColours(QImage picture, const QPalette& palette)
{
    picture = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb shadow = QColor(128, 128, 128).rgb();
    const QRgb face = QColor(192, 192, 192).rgb();
    const QRgb light = QColor(223, 223, 223).rgb();
    const QRgb toShadow = palette.color(QPalette::Dark).rgb();
    const QRgb toFace = palette.color(QPalette::Button).rgb();
    const QRgb toLight = palette.color(QPalette::Light).rgb();
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            if (qAlpha(line[x]) != 255)
                continue;
            if (line[x] == shadow)
                line[x] = toShadow;
            else if (line[x] == face)
                line[x] = toFace;
            else if (line[x] == light)
                line[x] = toLight;
        }
    }
    return picture;
}

} // namespace

CHoverButton::CHoverButton(QWidget* parent) : QAbstractButton(parent)
{
    setAttribute(Qt::WA_Hover);
}

bool CHoverButton::loadBitmap(int id)
{
    QImage picture;
    CLanguageManager::LoadLanguageBitmap(picture, id, true);
    return setPicture(picture.isNull() ? picture : mapThreeDColours(picture, palette()));
}

bool CHoverButton::loadBitmapFromFile(const QString& path)
{
    return setPicture(QImage(path));
}

bool CHoverButton::setPicture(const QImage& picture)
{
    m_picture = picture;
    resize(frameSize());
    updateGeometry();
    update();
    return !picture.isNull();
}

void CHoverButton::setToolTipText(const QString& text)
{
    setToolTip(text);
}

QSize CHoverButton::frameSize() const
{
    const QSizeF size = m_picture.deviceIndependentSize();
    return QSize(int(size.width() / 3), int(size.height()));
}

CHoverButton::Frame CHoverButton::currentFrame() const
{
    if (!isEnabled() || isDown())
        return PressedFrame;
    return m_hover ? HoverFrame : NormalFrame;
}

void CHoverButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // The frame's place in the picture's own pixels (twice the frame's size in a picture for
    // scaled screens).
    const QSize pixels(m_picture.width() / 3, m_picture.height());
    p.drawImage(QRectF(QPointF(0, 0), QSizeF(frameSize())), m_picture,
                QRectF(QPointF(pixels.width() * currentFrame(), 0), QSizeF(pixels)));
}

void CHoverButton::enterEvent(QEnterEvent* event)
{
    if (isEnabled()) {
        m_hover = true;
        update();
    }
    QAbstractButton::enterEvent(event);
}

void CHoverButton::leaveEvent(QEvent* event)
{
    if (isEnabled()) {
        m_hover = false;
        update();
    }
    QAbstractButton::leaveEvent(event);
}

void CHoverButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        // Enabling returns to the normal frame.
        m_hover = false;
        update();
    }
    QAbstractButton::changeEvent(event);
}
