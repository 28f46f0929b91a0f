#pragma once

#include <QCache>
#include <QImage>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QThreadPool>
#include <QWaitCondition>
#include <atomic>
#include <cstdint>

// Checks the photos added to the file list and makes their thumbnails, one photo at a time on
// a thread of its own, so that adding thousands of photos leaves the window answering at once.
// A photo is checked by the decoder's reduced-size decode (a JPEG at 1/8 of its size): a file
// that cannot be read or decoded is reported with the decoder's reason. The same decode gives
// the thumbnail when thumbnails are wanted; thumbnails are kept in memory up to a bound and as
// small PNG files in the preview cache folder ("thumbnails" below it), where they are found
// again after the memory let them go.
//
// Threads: every function is called on the thread that owns the inspector; results come back
// to it through the signals. While paused (a batch run is stamping the photos) the jobs wait.
class PhotoInspector : public QObject
{
    Q_OBJECT
public:
    explicit PhotoInspector(QObject* parent = nullptr);
    // Drops the jobs not started and waits for the one under way.
    ~PhotoInspector() override;

    // The thumbnail's box in device pixels; a thumbnail fits inside it, its proportions kept.
    void setThumbnailBox(const QSize& box);
    QSize thumbnailBox() const { return m_box; }
    void setThumbnailsWanted(bool wanted) { m_wanted = wanted; }
    bool thumbnailsWanted() const { return m_wanted; }

    // Checks the photo (and makes its thumbnail when thumbnails are wanted).
    void inspect(std::int32_t id, const QString& path);
    // Makes the thumbnail of a photo checked before, unless it is in memory or on its way.
    void requestThumbnail(std::int32_t id, const QString& path);
    // The thumbnail in memory, or a null image.
    QImage thumbnail(std::int32_t id) const;
    // Forgets every job not started and every thumbnail in memory (the list was cleared).
    void forgetAll();
    // Lets the thumbnails in memory go (thumbnails were switched off).
    void forgetThumbnails();
    // True when no job waits or runs.
    bool isIdle() const { return m_outstanding == 0; }
    void setPaused(bool paused);

    // Where the thumbnail of a photo of that path, size and time is kept on disk.
    static QString cachePath(const QString& photoPath, const QSize& box);

signals:
    // reason: empty when the photo can be decoded.
    void checked(std::int32_t id, const QString& reason);
    void thumbnailReady(std::int32_t id);

private:
    void start(std::int32_t id, const QString& path, bool check);
    void waitWhilePaused();
    void finish(std::int32_t id, std::uint64_t generation, bool check, const QString& reason,
                const QImage& thumbnail);

    QThreadPool m_pool;
    QSize m_box{22, 20};
    bool m_wanted = true;
    QCache<std::int32_t, QImage> m_thumbnails;
    QSet<std::int32_t> m_onTheirWay;
    QSet<std::int32_t> m_without; // photos that gave no thumbnail: not tried again
    int m_outstanding = 0;
    std::atomic<std::uint64_t> m_generation{0};
    QMutex m_pauseLock;
    QWaitCondition m_resumed;
    bool m_paused = false;
};
