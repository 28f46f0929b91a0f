#include "ui/skin/PhotoInspector.h"

#include "services/files/AtomicFileWriter.h"
#include "services/folders/FolderTree.h"
#include "services/folders/Folders.h"
#include "services/imaging/PhotoDecoder.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFileInfo>
#include <QMutexLocker>

namespace {
// Thumbnails kept in memory, in bytes: about 28,000 at 22 x 20, 7,000 at twice that.
constexpr int kMemoryBytes = 48 * 1024 * 1024;

QImage fitInBox(const QImage& picture, const QSize& box)
{
    if (picture.isNull())
        return QImage();
    QImage fitted = picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return fitted.convertToFormat(fitted.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                           : QImage::Format_RGB32);
}

void storeThumbnail(const QString& path, const QImage& thumbnail)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!thumbnail.save(&buffer, "PNG"))
        return;
    const QString folder = QFileInfo(path).absolutePath();
    if (!CreateFolderPath(folder))
        return;
    AtomicFileWriter writer(path);
    if (writer.open() && writer.write(bytes.constData(), bytes.size()))
        writer.commit();
}
} // namespace

PhotoInspector::PhotoInspector(QObject* parent) : QObject(parent), m_thumbnails(kMemoryBytes)
{
    m_pool.setMaxThreadCount(1);
}

PhotoInspector::~PhotoInspector()
{
    ++m_generation;
    setPaused(false);
    m_pool.clear();
    m_pool.waitForDone();
}

void PhotoInspector::setThumbnailBox(const QSize& box)
{
    if (box == m_box)
        return;
    m_box = box;
    m_thumbnails.clear();
}

QString PhotoInspector::cachePath(const QString& photoPath, const QSize& box)
{
    // The photo's path, size and time name its thumbnail: a changed photo gets a new one.
    const QFileInfo info(photoPath);
    const QString key = QStringLiteral("%1|%2|%3|%4x%5")
                            .arg(photoPath)
                            .arg(info.size())
                            .arg(info.lastModified().toMSecsSinceEpoch())
                            .arg(box.width())
                            .arg(box.height());
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex();
    return PreviewCacheFolder() + QStringLiteral("/thumbnails/") + QString::fromLatin1(hash) +
           QStringLiteral(".png");
}

void PhotoInspector::inspect(std::int32_t id, const QString& path)
{
    start(id, path, true);
}

void PhotoInspector::requestThumbnail(std::int32_t id, const QString& path)
{
    if (!m_wanted || m_thumbnails.contains(id) || m_onTheirWay.contains(id) || m_without.contains(id))
        return;
    start(id, path, false);
}

QImage PhotoInspector::thumbnail(std::int32_t id) const
{
    const QImage* image = m_thumbnails.object(id);
    return image ? *image : QImage();
}

void PhotoInspector::forgetAll()
{
    ++m_generation;
    m_thumbnails.clear();
    m_onTheirWay.clear();
    m_without.clear();
}

void PhotoInspector::forgetThumbnails()
{
    m_thumbnails.clear();
}

void PhotoInspector::setPaused(bool paused)
{
    QMutexLocker lock(&m_pauseLock);
    m_paused = paused;
    if (!paused)
        m_resumed.wakeAll();
}

void PhotoInspector::waitWhilePaused()
{
    QMutexLocker lock(&m_pauseLock);
    while (m_paused)
        m_resumed.wait(&m_pauseLock);
}

void PhotoInspector::start(std::int32_t id, const QString& path, bool check)
{
    const bool wanted = m_wanted;
    if (wanted)
        m_onTheirWay.insert(id);
    ++m_outstanding;
    const std::uint64_t generation = m_generation.load();
    const QSize box = m_box;
    m_pool.start([this, id, path, check, wanted, generation, box]() {
        waitWhilePaused();
        QString reason;
        QImage thumbnail;
        if (generation == m_generation.load()) {
            const QString cached = wanted ? cachePath(path, box) : QString();
            // A thumbnail on disk was made from a photo that decoded, unchanged since.
            if (wanted && QFileInfo::exists(cached))
                thumbnail.load(cached, "PNG");
            if (thumbnail.isNull()) {
                PhotoDecoder decoder;
                Outcome status = decoder.open(path);
                QImage picture;
                if (status)
                    status = decoder.decode(picture, wanted ? box : QSize(1, 1), true);
                if (!status)
                    reason = status.sentence();
                else if (wanted) {
                    thumbnail = fitInBox(picture, box);
                    storeThumbnail(cached, thumbnail);
                }
            }
        }
        QMetaObject::invokeMethod(
            this,
            [this, id, generation, check, reason, thumbnail]() {
                finish(id, generation, check, reason, thumbnail);
            },
            Qt::QueuedConnection);
    });
}

void PhotoInspector::finish(std::int32_t id, std::uint64_t generation, bool check, const QString& reason,
                            const QImage& thumbnail)
{
    --m_outstanding;
    if (generation != m_generation.load())
        return;
    if (m_onTheirWay.remove(id) && thumbnail.isNull())
        m_without.insert(id);
    if (!thumbnail.isNull()) {
        m_thumbnails.insert(id, new QImage(thumbnail), int(thumbnail.sizeInBytes()));
        emit thumbnailReady(id);
    }
    if (check)
        emit checked(id, reason);
}
