#pragma once

#include <QString>
#include <QUrl>

// Copies an http or https resource into a local file and returns true when the whole resource
// arrived with a success status. The request goes out directly (no proxy), bypasses caches and
// follows redirects that stay as safe; the body is read in chunks of 8192 bytes into a
// temporary file that replaces the local file only on success, so a failed download leaves the
// previous copy in place. Bodies above kMaxDownloadBytes, error statuses, cut transfers and
// transfers that stall for kDownloadTimeoutMs fail. Blocks the calling thread (it runs its own
// event loop), so call it from a worker thread.
bool DownloadUrlToFile(const QUrl& url, const QString& localPath);

inline constexpr qint64 kMaxDownloadBytes = 1 << 20;
inline constexpr int kDownloadTimeoutMs = 15000;
inline constexpr qint64 kDownloadChunkBytes = 8192;
