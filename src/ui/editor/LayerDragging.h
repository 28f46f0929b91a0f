#pragma once

#include <QHash>
#include <QObject>
#include <QPointF>
#include <QSize>

#include <functional>

#include "model/WatermarkConf.h"
#include "render/LayerOutline.h"
#include "render/TextFieldValues.h"

class QTabWidget;
class CEditTempImgDlg;
class CTextEditTempDlg;
class EditorHistory;
class EditorPreviewArea;

// Placing the selected layer by hand on the editor's preview: the part of the page shown (text
// or picture) is taken by its box and dragged, or sized by the handle at its corner, or nudged
// with the arrow keys. While dragging, the layer's Location becomes the nearest of the nine
// cells and OffsetH/OffsetV (ImageLocation, ImageOffsetH/V) the distance from that cell's
// anchor in the canvas's pixels, so that the files say exactly where the part was put; the
// page's fields follow. A drag is one step of the editor's history.
class LayerDragging : public QObject
{
    Q_OBJECT

public:
    LayerDragging(EditorPreviewArea* area, QTabWidget* tabs, WatermarkConf& conf, CTextEditTempDlg* textPage,
                  CEditTempImgDlg* imagePage, std::function<QSize()> canvas,
                  std::function<TextFieldValues()> fields, QObject* parent = nullptr);

    // Shows the selected part's box again (after a render, a page or layer change).
    void refresh();

private:
    enum class Mode
    {
        None,
        Move,
        Size,
    };

    bool onPicturePage() const;
    LayerOutline outlineOf(const WatermarkConf& conf) const;
    QSize pictureSize(const QString& path) const;
    void apply(const WatermarkConf& conf);

    void onPressed(const QPointF& canvas, bool onHandle);
    void onDragged(const QPointF& canvas);
    void onReleased();
    void onNudged(int dx, int dy);

    EditorPreviewArea* m_area;
    QTabWidget* m_tabs;
    WatermarkConf& m_conf;
    CTextEditTempDlg* m_textPage;
    CEditTempImgDlg* m_imagePage;
    std::function<QSize()> m_canvas;
    std::function<TextFieldValues()> m_fields;
    Mode m_mode = Mode::None;
    QPointF m_start;
    WatermarkConf m_startConf;
    LayerOutline m_startOutline;
    mutable QHash<QString, QSize> m_pictureSizes;
};
