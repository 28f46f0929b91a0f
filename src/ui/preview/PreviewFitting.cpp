#include "ui/preview/PreviewFitting.h"

QRect fitPreviewRect(const QSize& image, const QRect& area)
{
    const qint64 iw = image.width();
    const qint64 ih = image.height();
    const qint64 aw = area.width();
    const qint64 ah = area.height();
    const qint64 left = area.left();
    const qint64 top = area.top();
    if (iw <= 0 || ih <= 0 || aw <= 0 || ah <= 0)
        return QRect();

    if (iw < aw && ih < ah)
        return QRect(int(left + aw / 2 - iw / 2), int(ah / 2 + top - ih / 2), int(iw), int(ih));

    const double rx = double(iw) / double(aw);
    const double ry = double(ih) / double(ah);
    if (ry < rx) {
        const qint64 sh = ih * aw / iw;
        return QRect(int(left), int(ah / 2 + top - sh / 2), int(aw), int(sh));
    }
    const qint64 sw = ah * iw / ih;
    return QRect(int(left + aw / 2 - sw / 2), int(top), int(sw), int(ah));
}
