#include "render/OutputPlan.h"

#include "services/language/FailureReason.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <climits>
#include <cstdlib>

#include <sys/stat.h>

#include "render/OutputNaming.h"

namespace {

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

OutputPlan::OutputPlan(const OutputSettings& settings, const QStringList& sources) : m_settings(settings)
{
    for (const QString& source : sources)
        addSource(source);
}

void OutputPlan::addSource(const QString& source)
{
    if (source.isEmpty())
        return;
    const QString real = realOutputPath(source);
    if (!m_sourcePaths.contains(real))
        m_sourcePaths.insert(real, source);
    Identity id;
    if (identityOf(source, true, id) && !m_sources.contains(id))
        m_sources.insert(id, source);
}

bool OutputPlan::identityOf(const QString& path, bool followLinks, Identity& id)
{
    if (path.isEmpty())
        return false;
    struct stat info = {};
    const QByteArray native = QFile::encodeName(path);
    if ((followLinks ? ::stat(native.constData(), &info) : ::lstat(native.constData(), &info)) != 0)
        return false;
    id.device = quint64(info.st_dev);
    id.inode = quint64(info.st_ino);
    return true;
}

QString OutputPlan::realOutputPath(const QString& path)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    // Resolve the deepest folder that exists; the rest is created later under that name.
    QString folder = QFileInfo(absolute).path();
    QString rest = QFileInfo(absolute).fileName();
    for (int depth = 0; depth < 4096; ++depth) {
        char resolved[PATH_MAX];
        if (::realpath(QFile::encodeName(folder).constData(), resolved))
            return QDir::cleanPath(QFile::decodeName(resolved) + QLatin1Char('/') + rest);
        const QFileInfo info(folder);
        const QString parent = info.path();
        if (parent == folder)
            break;
        rest = info.fileName() + QLatin1Char('/') + rest;
        folder = parent;
    }
    return absolute;
}

QString OutputPlan::outputPathOf(const QString& source) const
{
    return OutputNaming::outputPath(source, m_settings).path;
}

Outcome OutputPlan::refusalFor(const QString& source, const QString& output) const
{
    // The output must not be any photo of the run: rewriting it would destroy an input (and
    // a run of several jobs would stamp either the old or the new picture by chance).
    Identity id;
    for (const bool follow : {true, false}) {
        if (!identityOf(output, follow, id))
            continue;
        const auto found = m_sources.constFind(id);
        if (found == m_sources.constEnd())
            continue;
        Identity own;
        if (identityOf(source, true, own) && own == id)
            return Outcome::failure(
                FailureReason::tr("the output %1 is the source photo itself; it was left unchanged")
                    .arg(shown(output)));
        if (QFileInfo(found.value()).absoluteFilePath() == QFileInfo(output).absoluteFilePath())
            return Outcome::failure(
                FailureReason::tr("the output %1 is another photo of this run; it was left unchanged and "
                                  "this photo was not written")
                    .arg(shown(output)));
        return Outcome::failure(
            FailureReason::tr("the output %1 is the same file as %2, another photo of this run; it was "
                              "left unchanged and this photo was not written")
                .arg(shown(output), shown(found.value())));
    }

    const QString key = realOutputPath(output);
    const auto named = m_sourcePaths.constFind(key);
    if (named != m_sourcePaths.constEnd()) {
        if (key == realOutputPath(source))
            return Outcome::failure(
                FailureReason::tr("the output %1 is the source photo itself; it was left unchanged")
                    .arg(shown(output)));
        return Outcome::failure(
            FailureReason::tr("the output %1 is %2, another photo of this run; this photo was not written")
                .arg(shown(output), shown(named.value())));
    }
    const auto earlier = m_outputs.constFind(key);
    if (earlier != m_outputs.constEnd())
        return Outcome::failure(
            FailureReason::tr("the output %1 is also the output of %2, earlier in the list; this photo "
                              "was not written")
                .arg(shown(output), shown(earlier.value())));
    return Outcome::success();
}

bool OutputPlan::isTaken(const QString& output) const
{
    Identity id;
    if (identityOf(output, false, id))
        return true; // any file, link or folder of that name
    const QString key = realOutputPath(output);
    return m_sourcePaths.contains(key) || m_outputs.contains(key);
}

OutputPlan::Claim OutputPlan::claim(const QString& source)
{
    addSource(source);
    const QString output = outputPathOf(source);
    if (output.isEmpty())
        return Claim(Outcome::success(), output); // the render itself says why the settings name no output

    if (m_settings.ifOutputExists == OutputSettings::KeepBoth) {
        // "name.jpg", then "name (2).jpg", "name (3).jpg"...: the first name nothing holds.
        const QFileInfo info(output);
        const QString stem = info.path() + QLatin1Char('/') + info.completeBaseName();
        const QString extension = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
        constexpr int kMostNumbers = 10000;
        for (int number = 1; number <= kMostNumbers; ++number) {
            const QString candidate =
                number == 1 ? output : QStringLiteral("%1 (%2)%3").arg(stem).arg(number).arg(extension);
            if (!isTaken(candidate)) {
                m_outputs.insert(realOutputPath(candidate), source);
                return Claim(Outcome::success(), candidate);
            }
        }
        return Claim(
            Outcome::failure(FailureReason::tr("the output %1 and its numbered names up to (%2) exist "
                                               "already; this photo was not written")
                                 .arg(shown(output))
                                 .arg(kMostNumbers)),
            output);
    }

    const Outcome refusal = refusalFor(source, output);
    if (!refusal)
        return Claim(refusal, output);
    m_outputs.insert(realOutputPath(output), source);
    Identity id;
    const bool exists = identityOf(output, false, id);
    return Claim(m_settings.ifOutputExists == OutputSettings::SkipExisting && exists ? Outcome::skip()
                                                                                     : Outcome::success(),
                 output);
}
