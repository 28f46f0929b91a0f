#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "support/BatchProgram.h"
#include "support/FirstStartFiles.h"
#include "support/IsolatedHome.h"
#include "support/TestFiles.h"

class BatchProgramTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

    // Runs lumora-batch with a home folder of its own, so that the per-user folders of the
    // machine are not touched.
    BatchRun run(const QStringList& arguments)
    {
        return runBatch(arguments, isolatedEnvironment(m_home.filePath(QStringLiteral("home"))), {}, {}, 30);
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
        const BatchRun help = run({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("--list-templates"));
        QVERIFY(help.out.contains("--data-dir"));

        const BatchRun version = run({QStringLiteral("--version")});
        QCOMPARE(version.exitCode, 0);
        QVERIFY(version.out.startsWith("lumora-batch "));
        QVERIFY(QRegularExpression(QStringLiteral("^lumora-batch \\d+\\.\\d+\\.\\d+\n$"))
                    .match(QString::fromUtf8(version.out))
                    .hasMatch());
    }

    // Wrong command lines end with 2 and a message on standard error, before any data folder
    // is made.
    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        const auto row = [](const char* name, std::initializer_list<const char*> arguments) {
            QStringList list;
            for (const char* argument : arguments)
                list << QString::fromUtf8(argument);
            QTest::newRow(name) << list;
        };
        row("no command", {});
        row("only a data folder", {"--data-dir", "x"});
        row("unknown option", {"--list-templates", "--bogus"});
        row("stray argument", {"--list-templates", "photo.jpg"});
        row("data folder without value", {"--list-templates", "--data-dir"});
        row("empty data folder", {"--data-dir=", "--list-templates"});
        row("jobs below 0", {"-j", "-1", "a.jpg"});
        row("jobs not a number", {"--jobs=x", "a.jpg"});
        row("template and template file", {"--template", "Demo 1", "--template-file", "t.xml", "a.jpg"});
        row("empty template name", {"--template=", "a.jpg"});
        row("--text with --list-templates", {"--text", "{name}", "--list-templates"});
        row("--dry-run with --sample", {"-n", "--sample", "a.png"});
        row("preview without output", {"--preview", "a.jpg"});
        row("sample with two files", {"--sample", "a.png", "b.png"});
        row("two commands", {"--sample", "--list-templates", "a.png"});
        row("quality 0", {"--quality=0", "a.jpg"});
        row("quality 101", {"--quality=101", "a.jpg"});
        row("sampling 422", {"--sampling=422", "a.jpg"});
    }

    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        const BatchRun result = run(arguments);
        QCOMPARE(result.exitCode, 2);
        QVERIFY(result.out.isEmpty());
        QVERIFY(result.err.startsWith("lumora-batch: "));
        QVERIFY(!QFileInfo::exists(m_home.filePath(QStringLiteral("home/.local"))));
    }

    void firstStartOnEmptyDataFolder()
    {
        QTemporaryDir tmp;
        const QString data = tmp.filePath(QStringLiteral("fresh data"));
        const BatchRun result = run({QStringLiteral("--data-dir"), data, QStringLiteral("--list-templates")});
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
        const BatchRun again = run({QStringLiteral("--list-templates"), QStringLiteral("--data-dir"), data});
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
        const BatchRun result =
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
        const BatchRun result =
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
        const BatchRun result =
            run({QStringLiteral("--data-dir"), tmp.path(), QStringLiteral("--list-templates")});
        QCOMPARE(result.exitCode, 1);
        QVERIFY(result.out.isEmpty());
        QVERIFY(!result.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(BatchProgramTest)
#include "tst_BatchProgram.moc"
