#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

#include "model/RenderSettings.h"
#include "render/TemplatePreview.h"

// Draws the template editor's preview off the window thread, so that a keystroke, a slider step
// or a drag never waits for a render. Requests are coalesced: while a render runs, further
// requests only mark that the files changed again; when it ends, a result for values that
// are no longer the newest is dropped and one render of the newest files starts. One render
// runs at a time, on Qt's global thread pool. Results come back on the window thread
// (rendered()); a renderer destroyed meanwhile gets nothing.
class EditorPreviewRenderer : public QObject
{
    Q_OBJECT

public:
    // Draws the template of `settings`; a photo at the size its resize values and switch give.
    explicit EditorPreviewRenderer(const RenderSettings& settings, QObject* parent = nullptr);
    ~EditorPreviewRenderer() override;

    // The photo drawn on (empty: the built-in sample); a render of it is requested.
    void setPhoto(const QString& path);
    QString photo() const { return m_photo; }
    // The template's files changed: the newest of them will be shown.
    void request();
    // The device pixels the picture is shown in; a change redraws it at that size.
    void setShownSize(const QSize& size);
    // True while a render runs or is waiting to start.
    bool isBusy() const { return m_running != 0; }
    // The number of the newest request, and of the request whose files the last delivered
    // picture shows (a picture shows every change requested up to its number).
    quint64 requested() const { return m_requested; }
    quint64 shown() const { return m_shown; }

    // The picture the last delivered render was drawn on (null before the first).
    const TemplatePreview::Source* source() const { return m_source.get(); }

    // The largest picture a photo is shown at (its canvas keeps the full size).
    static constexpr int kLargestShown = 1920;

signals:
    // `canvas`: the size placement refers to (the sample's, or the photo's as a run makes it).
    void rendered(const QImage& picture, const QStringList& problems, const QStringList& outside,
                  const QSize& canvas);

private:
    struct Shared;
    using Source = std::shared_ptr<const TemplatePreview::Source>;

    void start();
    void finished(quint64 generation, const TemplatePreview::Result& result, const Source& source,
                  const QString& failure);

    QString m_templateName;
    PhotoCanvas::Options m_options;
    QString m_photo;
    QSize m_shownSize;
    std::shared_ptr<Shared> m_shared;
    Source m_source;
    quint64 m_requested = 0;
    quint64 m_running = 0;
    quint64 m_shown = 0;
};
