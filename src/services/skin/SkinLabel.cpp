#include "services/skin/SkinLabel.h"

#include <QFontMetrics>
#include <QPainter>

namespace {
// "#RRGGBB", "#AARRGGBB" or "0xAARRGGBB".
QColor parseColor(QString value)
{
    value = value.trimmed();
    if (value.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = QLatin1Char('#') + value.mid(2);
    QColor color(value);
    return color;
}
} // namespace

SkinLabel::SkinLabel(QWidget* parent) : SkinControl(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

bool SkinLabel::SetAttribute(const QString& name, const QString& value)
{
    if (name == QLatin1String("text")) {
        setText(value);
    } else if (name == QLatin1String("endellipsis")) {
        m_endEllipsis = value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        update();
    } else if (name == QLatin1String("font")) {
        setFontIndex(value.toInt());
    } else if (name == QLatin1String("textcolor")) {
        SetTextColor(parseColor(value));
    } else if (name == QLatin1String("align")) {
        Qt::Alignment horizontal = Qt::AlignLeft;
        if (value == QLatin1String("center"))
            horizontal = Qt::AlignHCenter;
        else if (value == QLatin1String("right"))
            horizontal = Qt::AlignRight;
        m_align = horizontal | Qt::AlignVCenter;
        update();
    } else {
        return SkinControl::SetAttribute(name, value);
    }
    return true;
}

void SkinLabel::setText(const QString& text)
{
    m_text = text;
    setToolTip(m_endEllipsis ? text : toolTip());
    update();
}

void SkinLabel::SetTextColor(const QColor& color)
{
    m_textColor = color;
    update();
}

void SkinLabel::setFontIndex(int index)
{
    QFont f = font();
    if (index == 1)
        f.setBold(true);
    else if (index == 2)
        f.setPixelSize(16);
    setFont(f);
    update();
}

QString SkinLabel::displayedText() const
{
    if (!m_endEllipsis)
        return m_text;
    return fontMetrics().elidedText(m_text, Qt::ElideRight, qMax(0, width()));
}

void SkinLabel::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    paintBkImage(painter);
    if (m_text.isEmpty())
        return;
    painter.setPen(m_textColor.isValid() ? m_textColor : palette().color(foregroundRole()));
    painter.drawText(rect(), static_cast<int>(m_align), displayedText());
}
