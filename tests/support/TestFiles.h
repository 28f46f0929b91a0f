#pragma once

#include <QByteArray>
#include <QString>

// Reading and writing whole files in tests, without the code under test.

// The file's bytes; empty when it cannot be read.
QByteArray readFile(const QString& path);

// Writes the bytes in place of the file's content; its folder must exist. True when all were
// written.
bool writeFile(const QString& path, const QByteArray& bytes);

// As writeFile(), making the file's folder first when it is missing.
bool writeFileMakingFolder(const QString& path, const QByteArray& bytes);
