#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "support/FirstStartFiles.h"
#include "support/TestFiles.h"
#include "support/ToolRun.h"

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

} // namespace

class BatchProgramTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

    // Runs lumora-batch with a home folder of its own, so that the per-user folders of the
    // machine are not touched.
    Run run(const QStringList& arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_home.filePath(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("home/.config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("home/.local/share")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath(QStringLiteral("home/.cache")));
        env.remove(QStringLiteral("XDG_DOCUMENTS_DIR"));
        const ToolResult batch = runTool(QStringLiteral(LUMORA_BIN_DIR "/lumora-batch"), arguments, 30, env);
        Run result;
        if (!batch.finished || batch.crashed)
            return result;
        result.exitCode = batch.exitCode;
        result.out = batch.out;
        result.err = batch.err;
        return result;
    }

    static QStringList filesBelow(const QString& root)
    {
        QStringList files;
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(root).relativeFilePath(it.next());
        files.sort();
        return files;
    }

private slots:
    void helpAndVersion()
    {
        const Run help = run({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("--list-templates"));
        QVERIFY(help.out.contains("--data-dir"));

        const Run version = run({QStringLiteral("--version")});
        QCOMPARE(version.exitCode, 0);
        QVERIFY(version.out.startsWith("lumora-batch "));
        QVERIFY(QRegularExpression(QStringLiteral("^lumora-batch \\d+\\.\\d+\\.\\d+\n$"))
                    .match(QString::fromUtf8(version.out))
                    .hasMatch());
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no command") << QStringList{};
        QTest::newRow("only a data folder") << QStringList{QStringLiteral("--data-dir"), QStringLiteral("x")};
        QTest::newRow("unknown option")
            << QStringList{QStringLiteral("--list-templates"), QStringLiteral("--bogus")};
        QTest::newRow("stray argument")
            << QStringList{QStringLiteral("--list-templates"), QStringLiteral("photo.jpg")};
        QTest::newRow("data folder without value")
            << QStringList{QStringLiteral("--list-templates"), QStringLiteral("--data-dir")};
        QTest::newRow("empty data folder")
            << QStringList{QStringLiteral("--data-dir="), QStringLiteral("--list-templates")};
    }

    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        const Run result = run(arguments);
        QCOMPARE(result.exitCode, 2);
        QVERIFY(result.out.isEmpty());
        QVERIFY(result.err.startsWith("lumora-batch: "));
    }

    void firstStartOnEmptyDataFolder()
    {
        QTemporaryDir tmp;
        const QString data = tmp.filePath(QStringLiteral("fresh data"));
        const Run result = run({QStringLiteral("--data-dir"), data, QStringLiteral("--list-templates")});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, QByteArray("Demo 1\n"));
        QVERIFY(result.err.isEmpty());

        QCOMPARE(filesBelow(data), (QStringList{QStringLiteral("preference.xml"), QStringLiteral("templates"),
                                                QStringLiteral("templates/Demo 1.xml"),
                                                QStringLiteral("templates/Demo 1_Layer 1.xml"),
                                                QStringLiteral("templates/qthumb.xml")}));
        const QString documents = m_home.filePath(QStringLiteral("home/Documents/Lumora Plenum"));
        // The default output folder is named in the settings but made only by an output.
        QVERIFY(!QFileInfo::exists(documents));
        QCOMPARE(readFile(data + QStringLiteral("/preference.xml")), FirstStartFiles::preferences(documents));
        QCOMPARE(readFile(data + QStringLiteral("/templates/qthumb.xml")), FirstStartFiles::templateList());
        QCOMPARE(readFile(data + QStringLiteral("/templates/Demo 1.xml")), FirstStartFiles::demoTemplate());
        QCOMPARE(readFile(data + QStringLiteral("/templates/Demo 1_Layer 1.xml")),
                 FirstStartFiles::layer("Lumora Plenum"));

        // A second run changes nothing.
        QMap<QString, QByteArray> before;
        for (const QString& file : filesBelow(data))
            before.insert(file, readFile(data + QLatin1Char('/') + file));
        const Run again = run({QStringLiteral("--list-templates"), QStringLiteral("--data-dir"), data});
        QCOMPARE(again.exitCode, 0);
        QCOMPARE(again.out, QByteArray("Demo 1\n"));
        QMap<QString, QByteArray> after;
        for (const QString& file : filesBelow(data))
            after.insert(file, readFile(data + QLatin1Char('/') + file));
        QCOMPARE(after, before);
    }

    void existingEmptyTemplatesFolderStaysEmpty()
    {
        QTemporaryDir tmp;
        QVERIFY(QDir(tmp.path()).mkpath(QStringLiteral("templates")));
        const Run result =
            run({QStringLiteral("--data-dir"), tmp.path(), QStringLiteral("--list-templates")});
        QCOMPARE(result.exitCode, 0);
        QVERIFY(result.out.isEmpty());
        QCOMPARE(filesBelow(tmp.path()),
                 (QStringList{QStringLiteral("preference.xml"), QStringLiteral("templates")}));
    }

    void listsTemplatesInListOrder()
    {
        QTemporaryDir tmp;
        QVERIFY(QDir(tmp.path()).mkpath(QStringLiteral("templates")));
        QFile list(tmp.filePath(QStringLiteral("templates/qthumb.xml")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Templates>\r\n<template>Zeta</template>\r\n"
            "<template>水印 &amp; more</template>\r\n<template>Alpha</template>\r\n</Templates>\r\n");
        list.close();
        const Run result =
            run({QStringLiteral("--data-dir"), tmp.path(), QStringLiteral("--list-templates")});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, QByteArray("Zeta\n水印 & more\nAlpha\n"));
    }

    void unreadableListFails()
    {
        QTemporaryDir tmp;
        QVERIFY(QDir(tmp.path()).mkpath(QStringLiteral("templates")));
        QFile list(tmp.filePath(QStringLiteral("templates/qthumb.xml")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("<Templates><template>A</template>");
        list.close();
        const Run result =
            run({QStringLiteral("--data-dir"), tmp.path(), QStringLiteral("--list-templates")});
        QCOMPARE(result.exitCode, 1);
        QVERIFY(result.out.isEmpty());
        QVERIFY(!result.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(BatchProgramTest)
#include "tst_BatchProgram.moc"
