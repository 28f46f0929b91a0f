#include "BatchFixture.h"

#include "support/BatchProgram.h"
#include "support/FirstStartFiles.h"
#include "support/IsolatedHome.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

bool writeText(const QString& path, const QString& text)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit();
}

} // namespace

QString BatchFixture::batchProgram()
{
    return batchProgramPath();
}

bool BatchFixture::prepare(const QString& root, const QString& outputFolder, int outputFormat)
{
    m_root = root;
    m_home = root + QStringLiteral("/home");
    m_data = root + QStringLiteral("/data");
    QDir().mkpath(m_home);
    m_environment = isolatedEnvironment(m_home);
    m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    m_environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.qpa.*=false"));

    const ChildProcess::Result first = batch({QStringLiteral("--list-templates")}).run(60);
    if (!first.exitedNormally() || first.exitCode != 0) {
        m_error =
            QStringLiteral("first start failed: %1: %2").arg(first.describe(), QString::fromUtf8(first.err));
        return false;
    }
    if (!writePreferences(outputFolder, outputFormat)) {
        m_error = QStringLiteral("cannot write the preferences");
        return false;
    }
    if (!writeText(
            m_data + QStringLiteral("/templates/Blank.xml"),
            QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Layers>\r\n</Layers>\r\n"))) {
        m_error = QStringLiteral("cannot write the blank template");
        return false;
    }
    return true;
}

bool BatchFixture::writePreferences(const QString& outputFolder, int outputFormat) const
{
    const QString xml = QString::fromUtf8(FirstStartFiles::preferenceFile(
        QStringLiteral("1"), outputFolder.toHtmlEscaped(), QStringLiteral("1"), QStringLiteral("_new"),
        QString::number(outputFormat)));
    return writeText(m_data + QStringLiteral("/preference.xml"), xml);
}

ChildProcess BatchFixture::batch(const QStringList& arguments) const
{
    ChildProcess process(batchProgram(), QStringList{QStringLiteral("--data-dir"), m_data} + arguments);
    process.setEnvironment(m_environment);
    process.setWorkingDirectory(m_root);
    return process;
}

QMap<QString, QByteArray> treeHashes(const QString& folder)
{
    QMap<QString, QByteArray> hashes;
    const QDir base(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        const QString name = base.relativeFilePath(path);
        if (info.isSymLink()) {
            hashes.insert(name, "link:" + QFile::encodeName(info.symLinkTarget()));
        } else if (info.isDir()) {
            hashes.insert(name, QByteArray());
        } else {
            QFile file(path);
            QCryptographicHash hash(QCryptographicHash::Sha256);
            if (file.open(QIODevice::ReadOnly))
                hash.addData(&file);
            hashes.insert(name, hash.result().toHex());
        }
    }
    return hashes;
}

QStringList temporaryLeftovers(const QString& folder)
{
    static const QRegularExpression temporary(
        QStringLiteral(R"(^\.lumora-.*\.part$|\.[A-Za-z0-9]{6}$|~$|^\.?qt_temp\.)"));
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = QFileInfo(path).fileName();
        // ".xml", ".jpg" and the like are ordinary extensions, not random six-letter ends.
        if (temporary.match(name).hasMatch() && !name.endsWith(QLatin1String(".xml")) &&
            !name.endsWith(QLatin1String(".tiff")))
            found.append(path);
    }
    return found;
}

bool setFileAge(const QString& path, int seconds)
{
    struct timespec times[2] = {};
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= seconds;
    times[1] = times[0];
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

QList<QByteArray> jpegMetadataSegments(const QByteArray& jpeg)
{
    QList<QByteArray> segments;
    qsizetype pos = 2;
    while (pos + 4 <= jpeg.size() && quint8(jpeg[pos]) == 0xFF) {
        const int marker = quint8(jpeg[pos + 1]);
        if (marker == 0xDA || marker == 0xD9)
            break;
        const int length = (quint8(jpeg[pos + 2]) << 8) | quint8(jpeg[pos + 3]);
        if (length < 2)
            break;
        if (marker == 0xE1 || marker == 0xE2 || marker == 0xED)
            segments.append(jpeg.mid(pos + 4, length - 2));
        pos += 2 + length;
    }
    return segments;
}
