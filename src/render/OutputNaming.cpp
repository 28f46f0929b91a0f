#include "render/OutputNaming.h"

#include "services/language/FailureReason.h"

#include <QDir>
#include <QFileInfo>

#include "services/folders/Folders.h"
#include "services/imaging/ImageEncoder.h"

namespace OutputNaming {

QString baseName(const QString& sourcePath)
{
    const QString name = QFileInfo(sourcePath).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

ImageEncoder::FileFormat outputFormat(const OutputSettings& settings)
{
    return ImageEncoder::formatFromNumber(settings.OutputFormat).value_or(ImageEncoder::FileFormat::Jpeg);
}

OutputName outputPath(const QString& sourcePath, const OutputSettings& settings)
{
    const auto fail = [](const QString& reason) { return OutputName(Outcome::failure(reason)); };

    const ImageEncoder::FileFormat format = outputFormat(settings);

    QString folder;
    if (settings.OutputFolderOpts == OutputSettings::ToOutputFolder) {
        folder = settings.OutputFolderPath;
        if (folder.trimmed().isEmpty())
            return fail(FailureReason::tr("no output folder is set"));
        if (!isUsableOutputFolder(folder))
            return fail(
                FailureReason::tr("the output folder \"%1\" of the output settings is not an absolute "
                                  "path; choose it again in the output settings")
                    .arg(folder));
    } else {
        folder = QFileInfo(sourcePath).absolutePath();
    }

    QString name = baseName(sourcePath);
    if (settings.OutputFileNameOpts == OutputSettings::AddSuffix) {
        // A suffix with "/" would lead the output out of its folder.
        if (hasControlCharacter(settings.OutputFileNameSuffix))
            return fail(FailureReason::tr("the file name suffix of the output settings contains a control "
                                          "character; change it in the output settings"));
        if (!isUsableOutputSuffix(settings.OutputFileNameSuffix))
            return fail(
                FailureReason::tr("the file name suffix \"%1\" of the output settings contains \"/\"; "
                                  "change it in the output settings")
                    .arg(settings.OutputFileNameSuffix));
        name += settings.OutputFileNameSuffix;
    }
    return OutputName(
        Outcome::success(),
        joinPath(QDir::cleanPath(folder), name + QLatin1Char('.') + ImageEncoder::extension(format)));
}

} // namespace OutputNaming
