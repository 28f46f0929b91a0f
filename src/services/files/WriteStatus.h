#pragma once

#include <QString>

// The outcome of writing a file: success, or a failure with a sentence the user can read
// that names the file ("disk full while writing ...").
struct WriteStatus
{
    bool ok = true;
    QString error; // empty when ok

    static WriteStatus success() { return {}; }
    static WriteStatus failure(const QString& reason) { return {false, reason}; }

    explicit operator bool() const { return ok; }
};
