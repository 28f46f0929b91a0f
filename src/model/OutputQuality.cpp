#include "model/OutputQuality.h"

#include "model/DataFiles.h"
#include "services/ini/IniFile.h"

namespace {

const QString kJpegQuality = QStringLiteral("OutputJpegQuality");
const QString kSampling = QStringLiteral("OutputJpegSampling");
const QString kProgressive = QStringLiteral("OutputJpegProgressive");
const QString kWebpQuality = QStringLiteral("OutputWebpQuality");
const QString kWebpLossless = QStringLiteral("OutputWebpLossless");

int inRange(int value, int low, int high, int fallback)
{
    return value >= low && value <= high ? value : fallback;
}

} // namespace

std::optional<OutputQuality::Sampling> OutputQuality::samplingFromName(const QString& name)
{
    if (name == QLatin1String("photo"))
        return Sampling::AsPhoto;
    if (name == QLatin1String("420"))
        return Sampling::Yuv420;
    if (name == QLatin1String("444"))
        return Sampling::Yuv444;
    return std::nullopt;
}

OutputQuality readOutputQuality()
{
    IniFile file(configIniPath());
    file.load();
    return readOutputQuality(file);
}

OutputQuality readOutputQuality(const IniFile& file)
{
    const QString section = profileSectionName();
    OutputQuality quality;
    quality.jpegQuality = inRange(file.intValue(section, kJpegQuality, quality.jpegQuality), 1, 100,
                                  OutputQuality::kDefaultJpegQuality);
    quality.sampling = OutputQuality::Sampling(inRange(file.intValue(section, kSampling, 0), 0, 2, 0));
    quality.progressive = file.intValue(section, kProgressive, 0) == 1;
    quality.webpQuality = inRange(file.intValue(section, kWebpQuality, quality.webpQuality), 1, 100,
                                  OutputQuality::kDefaultWebpQuality);
    quality.webpLossless = file.intValue(section, kWebpLossless, 0) == 1;
    return quality;
}

Outcome writeOutputQuality(const OutputQuality& quality)
{
    IniFile file(configIniPath());
    const Outcome loaded = file.load();
    if (!loaded)
        return loaded;
    const QString section = profileSectionName();
    file.setValue(section, kJpegQuality, quality.jpegQuality);
    file.setValue(section, kSampling, int(quality.sampling));
    file.setValue(section, kProgressive, quality.progressive ? 1 : 0);
    file.setValue(section, kWebpQuality, quality.webpQuality);
    file.setValue(section, kWebpLossless, quality.webpLossless ? 1 : 0);
    return file.save();
}
