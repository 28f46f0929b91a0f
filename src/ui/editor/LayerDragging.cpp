#include "ui/editor/LayerDragging.h"

#include <QImageReader>
#include <QTabWidget>

#include <algorithm>
#include <cmath>

#include "render/LayerPlacement.h"
#include "render/TextFieldValues.h"
#include "render/TextFields.h"
#include "ui/editor/CEditTempImgDlg.h"
#include "ui/editor/CTextEditTempDlg.h"
#include "ui/editor/EditorHistory.h"
#include "ui/editor/EditorPreviewArea.h"

namespace {

// The smallest size a handle drag gives, as a share of the size it started from.
constexpr qreal kSmallestShare = 0.05;

int scaledLength(int length, qreal share)
{
    const qreal scaled = std::round(length * share);
    const int magnitude = static_cast<int>(std::clamp<qreal>(std::abs(scaled), 1, 32767));
    return length < 0 ? -magnitude : magnitude;
}

} // namespace

LayerDragging::LayerDragging(EditorPreviewArea* area, QTabWidget* tabs, WatermarkConf& conf,
                             CTextEditTempDlg* textPage, CEditTempImgDlg* imagePage,
                             std::function<QSize()> canvas, std::function<TextFieldValues()> fields,
                             QObject* parent)
    : QObject(parent), m_area(area), m_tabs(tabs), m_conf(conf), m_textPage(textPage), m_imagePage(imagePage),
      m_canvas(std::move(canvas)), m_fields(std::move(fields))
{
    connect(area, &EditorPreviewArea::pressed, this, &LayerDragging::onPressed);
    connect(area, &EditorPreviewArea::dragged, this, &LayerDragging::onDragged);
    connect(area, &EditorPreviewArea::released, this, &LayerDragging::onReleased);
    connect(area, &EditorPreviewArea::nudged, this, &LayerDragging::onNudged);
    connect(tabs, &QTabWidget::currentChanged, this, &LayerDragging::refresh);
}

bool LayerDragging::onPicturePage() const
{
    return m_tabs->currentIndex() == 1;
}

QSize LayerDragging::pictureSize(const QString& path) const
{
    if (path.isEmpty())
        return QSize();
    auto known = m_pictureSizes.constFind(path);
    if (known != m_pictureSizes.constEnd())
        return *known;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        size.transpose();
    m_pictureSizes.insert(path, size);
    return size;
}

LayerOutline LayerDragging::outlineOf(const WatermarkConf& conf) const
{
    const QSize canvas = m_canvas();
    if (onPicturePage())
        return LayerOutlines::picture(conf, pictureSize(conf.ImagePathName), canvas);
    // Fields filled as the preview fills them: the sample's values, or the photo's own.
    WatermarkConf shown = conf;
    if (conf.BTextTokens != 0) {
        shown.textContent = TextFields::fill(conf.textContent, m_fields());
        if (shown.textContent.isEmpty())
            shown.textContent = QStringLiteral(" ");
    }
    return LayerOutlines::text(shown, canvas);
}

void LayerDragging::refresh()
{
    const bool layer = !m_textPage->selectedLayerName().isEmpty();
    const LayerOutline outline = layer ? outlineOf(m_conf) : LayerOutline();
    m_area->setSelection(outline.drawn || (layer && !onPicturePage()) ? outline.corners() : QPolygonF());
}

void LayerDragging::apply(const WatermarkConf& conf)
{
    m_conf = conf;
    // The page shows the values as if typed, which stores them and redraws the preview.
    if (onPicturePage())
        m_imagePage->ShowImageSettings();
    else
        m_textPage->ShowTextSettings();
    refresh();
}

void LayerDragging::onPressed(const QPointF& canvas, bool onHandle)
{
    m_mode = Mode::None;
    if (m_textPage->selectedLayerName().isEmpty())
        return;
    m_startConf = m_conf;
    m_startOutline = outlineOf(m_startConf);
    if (m_startOutline.size.isEmpty())
        return;
    if (onHandle)
        m_mode = Mode::Size;
    else if (m_startOutline.corners().containsPoint(canvas, Qt::OddEvenFill))
        m_mode = Mode::Move;
    else
        return;
    m_start = canvas;
    if (EditorHistory* history = EditorHistory::current())
        history->hold();
}

void LayerDragging::onDragged(const QPointF& canvas)
{
    if (m_mode == Mode::None)
        return;
    WatermarkConf conf = m_startConf;
    const QSize size = m_canvas();
    const bool picture = onPicturePage();
    QPointF topLeft = m_startOutline.anchor;
    if (m_mode == Mode::Move) {
        topLeft += canvas - m_start;
    } else {
        // The share of the box's diagonal the handle has been pulled to.
        const QPolygonF corners = m_startOutline.corners();
        const QPointF diagonal = corners[2] - corners[0];
        const QPointF pulled = canvas - corners[0];
        const qreal length = QPointF::dotProduct(diagonal, diagonal);
        if (length <= 0)
            return;
        const qreal share = std::max(kSmallestShare, QPointF::dotProduct(pulled, diagonal) / length);
        if (picture) {
            const bool set = conf.ImageWidth >= 1 && conf.ImageHeight >= 1;
            const QSize base =
                set ? QSize(conf.ImageWidth, conf.ImageHeight) : pictureSize(conf.ImagePathName);
            if (base.isEmpty())
                return;
            conf.ImageWidth = scaledLength(base.width(), share);
            conf.ImageHeight = scaledLength(base.height(), share);
        } else {
            conf.Font.lfHeight = scaledLength(m_startConf.Font.lfHeight, share);
            if (m_startConf.Font.lfWidth != 0)
                conf.Font.lfWidth = scaledLength(m_startConf.Font.lfWidth, share);
        }
    }
    // The box keeps its top-left point (a size change) or moves with the mouse; the nearest
    // cell and the offsets from it say where.
    const LayerOutline moved = outlineOf(conf);
    if (picture) {
        const LayerPlacement::Placement place =
            LayerPlacement::nearestPicturePlacement(size, moved.size.toSize(), topLeft);
        conf.ImageLocation = place.location;
        conf.ImageOffsetH = place.offsetH;
        conf.ImageOffsetV = place.offsetV;
    } else {
        const LayerPlacement::Placement place =
            LayerPlacement::nearestTextPlacement(size, moved.size, topLeft);
        conf.Location = place.location;
        conf.OffsetH = place.offsetH;
        conf.OffsetV = place.offsetV;
    }
    if (!(conf == m_conf))
        apply(conf);
}

void LayerDragging::onReleased()
{
    if (m_mode == Mode::None)
        return;
    m_mode = Mode::None;
    if (EditorHistory* history = EditorHistory::current())
        history->release();
}

void LayerDragging::onNudged(int dx, int dy)
{
    if (m_textPage->selectedLayerName().isEmpty() || m_mode != Mode::None)
        return;
    WatermarkConf conf = m_conf;
    std::int32_t& h = onPicturePage() ? conf.ImageOffsetH : conf.OffsetH;
    std::int32_t& v = onPicturePage() ? conf.ImageOffsetV : conf.OffsetV;
    h = std::clamp(h + dx, -32767, 32767);
    v = std::clamp(v + dy, -32767, 32767);
    apply(conf);
}
