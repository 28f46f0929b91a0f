#pragma once

#include <QString>
#include <QTest>

// Rows of a data table with the column "name": template and layer names that would leave the
// data folder, name no file or carry control characters, which every way of naming refuses.
inline void addRefusedNameRows()
{
    QTest::newRow("parent path") << QStringLiteral("../x");
    QTest::newRow("sub-folder") << QStringLiteral("a/b");
    QTest::newRow("dot") << QStringLiteral(".");
    QTest::newRow("dot dot") << QStringLiteral("..");
    QTest::newRow("300 characters") << QString(300, QLatin1Char('n'));
    QTest::newRow("tab") << QStringLiteral("a\tb");
    QTest::newRow("line break") << QStringLiteral("a\nb");
}
