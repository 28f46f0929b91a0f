#include "ui/controls/CXMenu.h"

#include "ui/controls/CXMenuStyle.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

CXMenu::CXMenu(const QString& sideCaption, QWidget* parent)
    : QMenu(parent), m_sideCaption(sideCaption), m_style(new CXMenuStyle(sideBandWidth()))
{
    setStyle(m_style);
    setFont(CXMenuStyle::itemFont());
    setContentsMargins(sideBandWidth(), 0, 0, 0);
    setAttribute(Qt::WA_TranslucentBackground, false);
}

CXMenu::~CXMenu()
{
    delete m_style;
}

QFont CXMenu::sideFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(19);
    font.setWeight(QFont::Normal);
    return font;
}

int CXMenu::sideBandWidth()
{
    return QFontMetrics(sideFont()).height() + 1;
}

QSize CXMenu::itemSize(const QString& text) const
{
    return m_style->itemSize(text);
}

int CXMenu::itemsHeight() const
{
    int height = 0;
    for (QAction* action : actions()) {
        if (action->isVisible())
            height += itemSize(action->isSeparator() ? QString() : action->text()).height();
    }
    return height;
}

void CXMenu::paintEvent(QPaintEvent* event)
{
    QMenu::paintEvent(event);
    QPainter painter(this);
    const QRect band(0, 0, sideBandWidth(), height());
    QLinearGradient gradient(band.topLeft(), band.bottomLeft());
    gradient.setColorAt(0, QColor(255, 154, 77));
    gradient.setColorAt(1, QColor(214, 72, 112));
    painter.fillRect(band, gradient);
    painter.setPen(QColor(214, 218, 226));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (m_sideCaption.isEmpty())
        return;
    // The caption runs upwards along the band, starting at its bottom.
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(sideFont());
    painter.setPen(Qt::white);
    painter.translate(band.left(), band.bottom());
    painter.rotate(-90);
    painter.drawText(QRect(6, 0, band.height() - 12, band.width()), Qt::AlignLeft | Qt::AlignVCenter,
                     m_sideCaption);
}
