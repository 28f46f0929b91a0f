// Temporary files that killed settings saves leave behind: the next save of the same file
// removes those that are old enough, and nothing else in the folder (other files' temporary
// files, names of other forms, links and what they point to, folders, young files that a
// running save may still rename).
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include "BatchFixture.h"
#include "services/files/SaveLeftovers.h"
#include "services/ini/IniFile.h"
#include "support/TestFiles.h"
#include "xml/XmlDocument.h"

namespace {

enum class Kind
{
    File,
    Link,
    Folder
};

bool existsItself(const QString& path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

// Saves `target` in `folder` the way the program saves that kind of settings file.
bool save(const QString& folder, const QString& target)
{
    const QString path = folder + QLatin1Char('/') + target;
    if (target.endsWith(QLatin1String(".ini"))) {
        return IniFile::writeString(path, QStringLiteral("常规"), QStringLiteral("template"),
                                    QStringLiteral("1"))
            .ok();
    }
    XmlDocument doc;
    doc.SetDocText(QString());
    doc.AddElement(QStringLiteral("Preferences"), QString());
    return doc.SaveFile(path);
}

} // namespace

class SaveLeftoversTest : public QObject
{
    Q_OBJECT

private slots:
    void leftoverNames_data();
    void leftoverNames();
    void saveRemovesOnlyStaleLeftoversOfItsFile_data();
    void saveRemovesOnlyStaleLeftoversOfItsFile();
};

void SaveLeftoversTest::leftoverNames_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("leftover");
    const QString xml = QStringLiteral("preference.xml");
    QTest::newRow("six letters") << xml << QStringLiteral("preference.xml.AbCdEf") << true;
    QTest::newRow("other file's") << xml << QStringLiteral("qthumb.xml.AbCdEf") << false;
    QTest::newRow("longer name's") << xml << QStringLiteral("xpreference.xml.AbCdEf") << false;
    QTest::newRow("five letters") << xml << QStringLiteral("preference.xml.AbCdE") << false;
    QTest::newRow("seven letters") << xml << QStringLiteral("preference.xml.AbCdEfG") << false;
    QTest::newRow("digit") << xml << QStringLiteral("preference.xml.AbCd3f") << false;
    QTest::newRow("dash") << xml << QStringLiteral("preference.xml.Ab-dEf") << false;
    QTest::newRow("non-ASCII letter") << xml << QStringLiteral("preference.xml.ÄbCdEf") << false;
    QTest::newRow("no dot") << xml << QStringLiteral("preference.xmlxAbCdEf") << false;
    QTest::newRow("the file itself") << xml << xml << false;
    QTest::newRow("Chinese template")
        << QStringLiteral("水印 1_Layer 1.xml") << QStringLiteral("水印 1_Layer 1.xml.qwErty") << true;
    QTest::newRow("empty target") << QString() << QStringLiteral(".AbCdEf") << false;
}

void SaveLeftoversTest::leftoverNames()
{
    QFETCH(QString, target);
    QFETCH(QString, name);
    QFETCH(bool, leftover);
    QCOMPARE(SaveLeftovers::isLeftoverName(target, name), leftover);
}

void SaveLeftoversTest::saveRemovesOnlyStaleLeftoversOfItsFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("planted");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("old");
    QTest::addColumn<bool>("removed");

    for (const QString& target : {QStringLiteral("preference.xml"), QStringLiteral("config.ini")}) {
        const auto row = [&](const char* what, const QString& planted, Kind kind, bool old, bool removed) {
            QTest::addRow("%s: %s", qPrintable(target), what)
                << target << planted << int(kind) << old << removed;
        };
        const QString own = target + QStringLiteral(".kQzWbN");
        row("old leftover", own, Kind::File, true, true);
        row("young leftover", own, Kind::File, false, false);
        row("old link with a leftover's name", own, Kind::Link, true, false);
        row("old folder with a leftover's name", own, Kind::Folder, true, false);
        row("other file's old leftover", QStringLiteral("resizing_") + own, Kind::File, true, false);
        row("old file of another form", target + QStringLiteral(".kQzWbN7"), Kind::File, true, false);
    }
}

void SaveLeftoversTest::saveRemovesOnlyStaleLeftoversOfItsFile()
{
    QFETCH(QString, target);
    QFETCH(QString, planted);
    QFETCH(int, kind);
    QFETCH(bool, old);
    QFETCH(bool, removed);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString folder = root.filePath(QStringLiteral("data"));
    const QString elsewhere = root.filePath(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkpath(folder) && QDir().mkpath(elsewhere));
    const QByteArray canary("a file outside the settings folder");
    const QString canaryPath = elsewhere + QStringLiteral("/canary");
    QVERIFY(writeFile(canaryPath, canary));
    QVERIFY(setFileAge(canaryPath, 3600));

    const QString path = folder + QLatin1Char('/') + planted;
    switch (Kind(kind)) {
    case Kind::File:
        QVERIFY(writeFile(path, "<Preferences/>"));
        break;
    case Kind::Link:
        QVERIFY(QFile::link(canaryPath, path));
        break;
    case Kind::Folder:
        QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
        QVERIFY(writeFile(path + QStringLiteral("/inside/file"), canary));
        break;
    }
    if (old)
        QVERIFY(setFileAge(path, 3600));

    QVERIFY(save(folder, target));
    QVERIFY(QFileInfo(folder + QLatin1Char('/') + target).isFile());
    QCOMPARE(!existsItself(path), removed);
    QCOMPARE(readFile(canaryPath), canary);
    if (Kind(kind) == Kind::Folder)
        QCOMPARE(readFile(path + QStringLiteral("/inside/file")), canary);
    // Besides the planted entry, the save left nothing but its own file.
    QStringList expected{target};
    if (!removed)
        expected.append(planted);
    expected.sort();
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                    QDir::Name),
             expected);
}

QTEST_GUILESS_MAIN(SaveLeftoversTest)
#include "tst_SaveLeftovers.moc"
