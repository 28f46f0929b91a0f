#include "ui/editor/EditorPreviewRenderer.h"

#include <QMutex>
#include <QMutexLocker>
#include <QThreadPool>
#include <QWaitCondition>

#include "render/RenderRequest.h"

// What a render on a pool thread shares with the window thread: the renderer to hand the
// result to, cleared (under the lock) when the renderer goes.
struct EditorPreviewRenderer::Shared
{
    QMutex mutex;
    QWaitCondition ended;
    EditorPreviewRenderer* receiver = nullptr;
    bool running = false;
};

EditorPreviewRenderer::EditorPreviewRenderer(const RenderSettings& settings, QObject* parent)
    : QObject(parent), m_templateName(settings.templateName), m_shared(std::make_shared<Shared>())
{
    m_options.resize = settings.resize;
    m_options.resizePictures = settings.resizePictures;
    m_options.pixelLimit = RenderRequest::pixelLimitFromEnvironment();
    m_shared->receiver = this;
}

EditorPreviewRenderer::~EditorPreviewRenderer()
{
    // A render still running reads the data folder's files: it ends before the editor has
    // gone, so that nothing reads them after the window (or a test's folder) is gone.
    QMutexLocker lock(&m_shared->mutex);
    m_shared->receiver = nullptr;
    while (m_shared->running)
        m_shared->ended.wait(&m_shared->mutex);
}

void EditorPreviewRenderer::setPhoto(const QString& path)
{
    m_photo = path;
    request();
}

void EditorPreviewRenderer::setShownSize(const QSize& size)
{
    if (size == m_shownSize)
        return;
    m_shownSize = size;
    request();
}

void EditorPreviewRenderer::request()
{
    ++m_requested;
    if (m_running == 0)
        start();
}

void EditorPreviewRenderer::start()
{
    m_running = m_requested;
    const quint64 generation = m_running;
    // Everything the render reads is copied here, on the window thread.
    const PhotoCanvas::Options options = m_options;
    const QString photo = m_photo;
    const QString templateName = m_templateName;
    const QSize shownSize = m_shownSize;
    Source known = m_source && m_source->path == photo ? m_source : Source();
    std::shared_ptr<Shared> shared = m_shared;
    {
        QMutexLocker lock(&shared->mutex);
        shared->running = true;
    }
    QThreadPool::globalInstance()->start([=]() mutable {
        QString failure;
        if (!known) {
            if (photo.isEmpty()) {
                known = TemplatePreview::sample();
            } else {
                const Outcome loaded =
                    TemplatePreview::load(photo, options, QSize(kLargestShown, kLargestShown), known);
                if (!loaded)
                    failure = loaded.sentence();
            }
        }
        TemplatePreview::Result result;
        if (known)
            result = TemplatePreview::render(*known, templateName, options.pixelLimit, shownSize);
        QMutexLocker lock(&shared->mutex);
        shared->running = false;
        shared->ended.wakeAll();
        if (EditorPreviewRenderer* receiver = shared->receiver)
            QMetaObject::invokeMethod(
                receiver,
                [receiver, generation, result, known, failure] {
                    receiver->finished(generation, result, known, failure);
                },
                Qt::QueuedConnection);
    });
}

void EditorPreviewRenderer::finished(quint64 generation, const TemplatePreview::Result& result,
                                     const Source& source, const QString& failure)
{
    m_running = 0;
    if (source)
        m_source = source;
    // Newer values came in meanwhile: this picture is dropped for theirs.
    if (generation < m_requested) {
        start();
        return;
    }
    m_shown = generation;
    if (!failure.isEmpty()) {
        emit rendered(QImage(), {failure}, {}, QSize());
        return;
    }
    emit rendered(result.picture, result.problems, result.outside, source ? source->canvas : QSize());
}
