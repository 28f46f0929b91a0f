#include "model/ResizeSettings.h"

#include <QDir>

#include "model/DataFiles.h"
#include "services/folders/FolderTree.h"
#include "services/ini/IniFile.h"
#include "services/language/FailureReason.h"

namespace {

const QString kScaleType = QStringLiteral("ScaleType");
const QString kTargetWidth = QStringLiteral("TargetWidth");
const QString kTargetHeight = QStringLiteral("TargetHeight");
const QString kResizeEveryTime = QStringLiteral("ResizeEveryTime");

// a * b / c with 32-bit signed wrap-around on the product and the quotient, computed in 64
// bits so that nothing is undefined. c must not be 0.
std::int32_t scaled(std::int32_t a, std::int32_t b, std::int32_t c)
{
    const auto product =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(std::int64_t{a} * std::int64_t{b}));
    const std::int64_t quotient = std::int64_t{product} / std::int64_t{c};
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(quotient));
}

} // namespace

ResizeSettings readResizeSettings()
{
    const ResizeSettings defaults;
    IniFile file(resizingConfigPath());
    file.load();
    const QString section = profileSectionName();
    ResizeSettings settings;
    settings.ScaleType = file.intValue(section, kScaleType, defaults.ScaleType);
    settings.TargetWidth = file.intValue(section, kTargetWidth, defaults.TargetWidth);
    settings.TargetHeight = file.intValue(section, kTargetHeight, defaults.TargetHeight);
    settings.ResizeEveryTime = file.intValue(section, kResizeEveryTime, defaults.ResizeEveryTime);
    return settings;
}

Outcome writeResizeSettings(std::int32_t scaleType, const QString& targetWidthText,
                            const QString& targetHeightText, std::int32_t resizeEveryTime)
{
    IniFile file(resizingConfigPath());
    const Outcome loaded = file.load();
    if (!loaded)
        return loaded;
    const QString section = profileSectionName();
    const bool set = file.setValue(section, kScaleType, scaleType) &&
                     file.setValue(section, kTargetWidth, targetWidthText) &&
                     file.setValue(section, kTargetHeight, targetHeightText) &&
                     file.setValue(section, kResizeEveryTime, resizeEveryTime);
    if (!set)
        return Outcome::failure(FailureReason::tr("the sizes cannot be stored in %1")
                                    .arg(QDir::toNativeSeparators(resizingConfigPath())));
    return file.save();
}

Outcome commitResizeSettings(std::int32_t scaleType, const QString& targetWidthText,
                             const QString& targetHeightText, std::int32_t resizeEveryTime)
{
    const Outcome written =
        writeResizeSettings(scaleType, targetWidthText, targetHeightText, resizeEveryTime);
    RemovePreviewCache();
    return written;
}

namespace {

// The output size for one ResizeSettings, with `scale(a, b, c)` giving a * b / c for the side
// that follows the other.
template <typename Scale>
std::pair<qint64, qint64> outputSize(const ResizeSettings& settings, bool resizePictures, int width,
                                     int height, Scale scale)
{
    const std::pair<qint64, qint64> unchanged(width, height);
    if (!resizePictures && settings.ResizeEveryTime == 0)
        return unchanged;
    switch (settings.ScaleType) {
    case ResizeSettings::ScaleByWidth:
        if (width == 0)
            return unchanged;
        return {settings.TargetWidth, scale(height, settings.TargetWidth, width)};
    case ResizeSettings::ScaleByHeight:
        if (height == 0)
            return unchanged;
        return {scale(width, settings.TargetHeight, height), settings.TargetHeight};
    case ResizeSettings::ScaleAbsolute:
        return {settings.TargetWidth, settings.TargetHeight};
    default:
        return unchanged;
    }
}

} // namespace

QSize ComputeOutputSize(const ResizeSettings& settings, bool resizePictures, int width, int height)
{
    const auto [w, h] = outputSize(settings, resizePictures, width, height, scaled);
    return QSize(int(w), int(h));
}

std::pair<qint64, qint64> exactOutputSize(const ResizeSettings& settings, bool resizePictures, int width,
                                          int height)
{
    return outputSize(settings, resizePictures, width, height,
                      [](qint64 a, qint64 b, qint64 c) { return a * b / c; });
}

QString resizeSettingsProblem(const ResizeSettings& settings, bool resizePictures)
{
    if (!resizePictures && settings.ResizeEveryTime == 0)
        return QString();
    switch (settings.ScaleType) {
    case ResizeSettings::ScaleByWidth:
    case ResizeSettings::ScaleByHeight:
    case ResizeSettings::ScaleAbsolute:
        return QString();
    default:
        return FailureReason::tr(
                   "the resize settings have an unknown ScaleType %1 (1 scales by the width, 2 by "
                   "the height, 3 to both); choose one in the resizing window")
            .arg(settings.ScaleType);
    }
}
