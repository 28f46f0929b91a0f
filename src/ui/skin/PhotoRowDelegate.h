#pragma once

#include "ui/skin/PhotoListModel.h"

#include <QMargins>
#include <QPixmap>
#include <QRect>
#include <QStyledItemDelegate>
#include <functional>

// Draws a row of the file list as the skin's row attribute texts lay it out: a row of
// kRowAttributes' height and padding, the status picture (ready, done, failed) where
// kStatusAttributes' "pos" puts it, and the path from kPathAttributes' left padding on,
// cut with "..." when it does not fit. A thumbnail, when there is one, sits in the gap
// between the status picture and the path.
class PhotoRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static const char* const kRowAttributes;
    static const char* const kStatusAttributes;
    static const char* const kPathAttributes;

    // The thumbnail of a row (a null image when there is none, or none yet).
    using ThumbnailSource = std::function<QImage(const QModelIndex& index)>;

    explicit PhotoRowDelegate(QObject* parent = nullptr);

    // The picture of a mark, below the program folder ("skin/default/ok.png").
    static QString markPicture(PhotoListModel::Mark mark);
    // No source: no thumbnails.
    void setThumbnailSource(ThumbnailSource source) { m_thumbnails = std::move(source); }
    bool showsThumbnails() const { return bool(m_thumbnails); }
    // The thumbnail's box in the row, in the row's own coordinates.
    QRect thumbnailRect() const { return m_thumbnailRect; }
    QRect statusRect() const { return m_statusRect; }
    // The picture drawn for a mark (the skin's twice-as-large one on a screen scaled by two).
    const QPixmap& markPixmap(PhotoListModel::Mark mark) const { return picture(int(mark)); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const QPixmap& picture(int mark) const;

    int m_height = 22;
    QMargins m_padding;
    QRect m_statusRect;
    QRect m_thumbnailRect;
    int m_pathLeft = 60;
    int m_pathHeight = 22;
    mutable QPixmap m_pictures[3];
    mutable bool m_loaded[3] = {false, false, false};
    ThumbnailSource m_thumbnails;
};
