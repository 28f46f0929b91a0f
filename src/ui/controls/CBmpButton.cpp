#include "ui/controls/CBmpButton.h"

#include <QPainter>

#include "services/language/CLanguageManager.h"

CBmpButton::CBmpButton(const QString& text, QWidget* parent) : QAbstractButton(parent)
{
    setText(text);
    setAttribute(Qt::WA_Hover);
    setTextFont(kDefaultFontHeight);
}

void CBmpButton::loadBitmaps(int normalId, int hotId, int pressedId, int disabledId)
{
    const int ids[4] = {normalId, hotId, pressedId, disabledId};
    for (int i = 0; i < 4; ++i)
        CLanguageManager::LoadLanguageBitmap(m_bitmaps[i], ids[i], true);
    if (!m_bitmaps[Normal].isNull())
        setFixedSize(m_bitmaps[Normal].deviceIndependentSize().toSize());
    update();
}

void CBmpButton::setTextFont(int pixelHeight)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(pixelHeight > 0 ? pixelHeight : kDefaultFontHeight);
    f.setWeight(QFont::Normal);
    setFont(f);
    update();
}

CBmpButton::State CBmpButton::currentState() const
{
    if (!isEnabled())
        return Disabled;
    if (isDown())
        return Pressed;
    return underMouse() ? Hot : Normal;
}

QSize CBmpButton::sizeHint() const
{
    return m_bitmaps[Normal].isNull() ? QSize(64, 20) : m_bitmaps[Normal].deviceIndependentSize().toSize();
}

void CBmpButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const State state = currentState();
    const QImage& picture = m_bitmaps[state].isNull() ? m_bitmaps[Normal] : m_bitmaps[state];
    p.drawImage(rect(), picture);
    p.setFont(font());
    p.setPen(state == Disabled ? QColor(210, 210, 210) : QColor(20, 20, 20));
    const QRect textRect = state == Pressed ? rect().translated(1, 1) : rect();
    p.drawText(textRect, Qt::AlignCenter, text());
    if (hasFocus()) {
        p.setPen(QPen(QColor(60, 60, 60), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}
