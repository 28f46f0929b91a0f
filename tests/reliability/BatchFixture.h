#pragma once

#include <QByteArray>
#include <QMap>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include "support/ChildProcess.h"

// A data folder and a home folder for lumora-batch runs, all inside one test folder, so that
// nothing outside it is read or written.
class BatchFixture
{
public:
    // Prepares `root`/home and `root`/data (first start through lumora-batch) and writes the
    // output preferences: output folder `outputFolder`, suffix "_new", the given format
    // (0 JPEG, 1 PNG, 2 BMP, 3 TIFF). Also writes a template "Blank" without layers.
    // False, with a reason in error(), when the first start fails.
    bool prepare(const QString& root, const QString& outputFolder, int outputFormat = 0);

    QString error() const { return m_error; }
    QString dataFolder() const { return m_data; }
    QString homeFolder() const { return m_home; }
    QProcessEnvironment environment() const { return m_environment; }

    // Rewrites "preference.xml" with the given output folder and format.
    bool writePreferences(const QString& outputFolder, int outputFormat) const;

    // lumora-batch with "--data-dir <data>" and the arguments.
    ChildProcess batch(const QStringList& arguments) const;

    static QString batchProgram();

private:
    QString m_root;
    QString m_home;
    QString m_data;
    QProcessEnvironment m_environment;
    QString m_error;
};

// Hashes (SHA-256) of every file below a folder, by relative path; folders appear with an
// empty hash, links with "link:" and their target.
QMap<QString, QByteArray> treeHashes(const QString& folder);

// Files below a folder whose names mark them as temporary (".lumora-*.part", "*.XXXXXX"
// leftovers of QSaveFile, "*~").
QStringList temporaryLeftovers(const QString& folder);

// Sets the modification time of `path` itself (a link is not followed) `seconds` back.
bool setFileAge(const QString& path, int seconds);

// The APP1, APP2 and APP13 segments (payloads) of a JPEG file, in file order, up to the
// first scan.
QList<QByteArray> jpegMetadataSegments(const QByteArray& jpeg);
