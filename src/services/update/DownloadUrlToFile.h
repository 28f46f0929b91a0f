#pragma once

#include <QString>
#include <QUrl>

// Copies an http or https resource into a local file and returns true when the whole resource
// arrived with a success status. The transfer goes through HttpGetClient: directly (no proxy),
// without caches, following redirects that stay as safe, and bounded in time and bytes:
//  - the whole transfer, redirects included, ends after kDownloadDeadlineMs;
//  - a transfer that stalls for kDownloadTimeoutMs ends at once;
//  - each response may take kMaxHeaderBytes of head (status and header lines, chunk framing,
//    trailers) and kMaxDownloadBytes of body;
//  - at most kMaxRedirects redirects are followed.
// The body is written as it arrives into a temporary file that replaces the local file only on
// success, so a failed download leaves the previous copy in place. On failure, reason (when
// given) receives a sentence that says what failed. Blocks the calling thread (it runs its own
// event loop), so call it from a worker thread.
bool DownloadUrlToFile(const QUrl& url, const QString& localPath, QString* reason = nullptr);

inline constexpr qint64 kMaxDownloadBytes = 1 << 20;
inline constexpr qint64 kMaxHeaderBytes = 64 << 10;
inline constexpr int kDownloadTimeoutMs = 15000;
inline constexpr int kDownloadDeadlineMs = 20000;
inline constexpr int kMaxRedirects = 10;
