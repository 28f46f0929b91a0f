#pragma once

#include <QString>

// The outcome of an imaging operation: success, or a failure with a sentence the user can read.
// Imaging calls never throw; they hand one of these back.
struct ImagingStatus
{
    bool ok = true;
    QString error; // empty when ok

    static ImagingStatus success() { return {}; }
    static ImagingStatus failure(const QString& reason) { return {false, reason}; }

    explicit operator bool() const { return ok; }
};
