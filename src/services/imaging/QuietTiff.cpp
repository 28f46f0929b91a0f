#include "services/imaging/QuietTiff.h"

#include <QFile>

#include <cstdarg>

namespace {

int quietTiffMessage(TIFF*, void*, const char*, const char*, va_list)
{
    return 1; // handled
}

} // namespace

TIFF* openTiffQuietly(const QString& path)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options)
        return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, quietTiffMessage, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quietTiffMessage, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, 64 * 1024 * 1024);
    TIFF* tiff = TIFFOpenExt(QFile::encodeName(path).constData(), "r", options);
    TIFFOpenOptionsFree(options);
    return tiff;
}
