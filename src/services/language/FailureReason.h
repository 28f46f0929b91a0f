#pragma once

#include <QCoreApplication>

// The translation context of the failure reasons that the engine writes (photos that cannot
// be read, outputs that cannot be written, data files that cannot be used). Their source text
// is English, with the variable parts (paths, sizes, library messages) as arguments:
//     FailureReason::tr("cannot write %1: %2").arg(path, why)
// lumora-batch installs no translator and prints them as written; the desktop program shows
// them in the interface's language (its Chinese comes from translations/lumora_zh_CN.ts).
// Header only: any engine module can use it with QtCore alone.
class FailureReason
{
    Q_DECLARE_TR_FUNCTIONS(FailureReason)
};
