#include "ui/controls/CXMenuStyle.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

CXMenuStyle::CXMenuStyle(int sideBandWidth)
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))), m_sideBandWidth(sideBandWidth)
{
}

QFont CXMenuStyle::itemFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(14);
    font.setWeight(QFont::Light);
    return font;
}

QSize CXMenuStyle::itemSize(const QString& text) const
{
    if (text.isEmpty())
        return QSize(m_sideBandWidth, 12);
    const QFontMetrics metrics(itemFont());
    QString shown = text;
    shown.remove(QLatin1Char('&'));
    return QSize(metrics.horizontalAdvance(shown) + 10 + m_sideBandWidth, metrics.height() + 10);
}

QSize CXMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                    const QWidget* widget) const
{
    if (type == CT_MenuItem) {
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            const bool separator = item->menuItemType == QStyleOptionMenuItem::Separator;
            // The menu's left margin already holds the side band.
            QSize result = itemSize(separator ? QString() : item->text);
            // A zero width would make the menu drop the item.
            result.setWidth(qMax(1, result.width() - m_sideBandWidth));
            return result;
        }
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

int CXMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    if (metric == PM_MenuPanelWidth || metric == PM_MenuHMargin || metric == PM_MenuVMargin)
        return metric == PM_MenuVMargin ? 3 : 1;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void CXMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !item) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    painter->save();
    const QRect r = item->rect;
    painter->fillRect(r, QColor(252, 252, 253));
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        painter->setPen(QColor(222, 225, 231));
        painter->drawLine(r.left() + 8, r.center().y(), r.right() - 8, r.center().y());
        painter->restore();
        return;
    }
    const bool enabled = item->state & State_Enabled;
    const bool selected = enabled && (item->state & State_Selected);
    if (selected) {
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(232, 116, 59));
        painter->drawRoundedRect(QRectF(r).adjusted(1, 1, -1, -1), 3, 3);
    }
    painter->setFont(itemFont());
    painter->setPen(!enabled ? QColor(165, 170, 180) : selected ? Qt::white : QColor(43, 47, 56));
    QString text = item->text;
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    if (tab >= 0)
        text.truncate(tab);
    painter->drawText(r.adjusted(5, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic, text);
    painter->restore();
}
