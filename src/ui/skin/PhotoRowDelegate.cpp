#include "ui/skin/PhotoRowDelegate.h"

#include "services/skin/SkinAttributes.h"
#include "services/skin/SkinResources.h"

#include <QApplication>
#include <QPainter>

const char* const PhotoRowDelegate::kRowAttributes = R"(height="22" padding="1,0,1,0")";
const char* const PhotoRowDelegate::kStatusAttributes =
    R"(name="file_status_label" float="true" width="14" height="15" )"
    R"(pos="20,4,34,19" bkimage="file='../default/ready.png'")";
const char* const PhotoRowDelegate::kPathAttributes =
    R"(name="file_path_label" float="false" padding="60,0,0,0" )"
    R"(minwidth="150" height="22" text="file path" endellipsis="true" font="0")";

namespace {
QString attribute(const char* text, const char* name)
{
    for (const auto& pair : parseAttributes(QString::fromLatin1(text)))
        if (pair.first == QLatin1String(name))
            return pair.second;
    return QString();
}
} // namespace

PhotoRowDelegate::PhotoRowDelegate(QObject* parent) : QStyledItemDelegate(parent)
{
    m_height = attribute(kRowAttributes, "height").toInt();
    const QList<int> pad = parseFourInts(attribute(kRowAttributes, "padding"));
    m_padding = QMargins(pad[0], pad[1], pad[2], pad[3]);
    const QList<int> pos = parseFourInts(attribute(kStatusAttributes, "pos"));
    m_statusRect = QRect(QPoint(pos[0], pos[1]), QPoint(pos[2] - 1, pos[3] - 1));
    m_pathLeft = parseFourInts(attribute(kPathAttributes, "padding"))[0];
    m_pathHeight = attribute(kPathAttributes, "height").toInt();
    // The gap between the status picture and the path, less two pixels on each side and one
    // above and below.
    m_thumbnailRect = QRect(m_statusRect.right() + 3, 1, m_pathLeft - m_statusRect.right() - 5, m_height - 2);
}

QString PhotoRowDelegate::markPicture(PhotoListModel::Mark mark)
{
    switch (mark) {
    case PhotoListModel::Done:
        return QStringLiteral("skin/default/ok.png");
    case PhotoListModel::Failed:
        return QStringLiteral("skin/default/failed.png");
    case PhotoListModel::Ready:
        break;
    }
    return QStringLiteral("skin/default/ready.png");
}

const QPixmap& PhotoRowDelegate::picture(int mark) const
{
    const int slot = qBound(0, mark, 2);
    if (!m_loaded[slot]) {
        m_pictures[slot] = SkinResources::loadPicture(SkinResources::instancePath() +
                                                      markPicture(PhotoListModel::Mark(slot)));
        m_loaded[slot] = true;
    }
    return m_pictures[slot];
}

QSize PhotoRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& /*index*/) const
{
    return QSize(option.rect.width() > 0 ? option.rect.width() : 150,
                 m_height + m_padding.top() + m_padding.bottom());
}

void PhotoRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    // The row's background (hover, selection) as the style sheet draws list items.
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.icon = QIcon();
    background.features &= ~(QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    const QRect row = option.rect.marginsRemoved(m_padding);
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawPixmap(m_statusRect.translated(row.topLeft()),
                        picture(index.data(PhotoListModel::MarkRole).toInt()));

    if (m_thumbnails) {
        const QImage thumbnail = m_thumbnails(index);
        if (!thumbnail.isNull()) {
            const QRect box = m_thumbnailRect.translated(row.topLeft());
            const QSizeF size = thumbnail.deviceIndependentSize();
            const QRectF place(box.x() + (box.width() - size.width()) / 2.0,
                               box.y() + (box.height() - size.height()) / 2.0, size.width(), size.height());
            painter->drawImage(place, thumbnail);
        }
    }

    const QRect text(row.left() + m_pathLeft, row.top(), qMax(0, row.width() - m_pathLeft), m_pathHeight);
    const QString path = index.data(PhotoListModel::PathRole).toString();
    painter->setFont(option.font);
    painter->setPen(background.palette.color(QPalette::Text));
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                      option.fontMetrics.elidedText(path, Qt::ElideRight, text.width()));
    painter->restore();
}
