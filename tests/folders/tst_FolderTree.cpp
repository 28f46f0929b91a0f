#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "services/folders/FolderTree.h"
#include "services/folders/Folders.h"
#include "services/folders/RunAndWait.h"

namespace {

void writeFile(const QString& path, const QByteArray& content = "x")
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class FolderTreeTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        setAppDataFolderOverride(QString());
        setDocumentsFolderOverride(QString());
        setPreviewCacheFolderOverride(QString());
        setTemplatesFolder(QString());
    }

    void createFolderPath_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nested") << QStringLiteral("a/b/c") << QStringLiteral("a/b/c");
        QTest::newRow("trailing slash") << QStringLiteral("a/b/c/") << QStringLiteral("a/b/c");
        QTest::newRow("existing parent") << QStringLiteral("x/y") << QStringLiteral("x/y");
    }

    void createFolderPath()
    {
        QFETCH(QString, relative);
        QFETCH(QString, expected);
        QTemporaryDir tmp;
        QVERIFY(QDir(tmp.path()).mkdir(QStringLiteral("x")));
        QVERIFY(CreateFolderPath(tmp.filePath(relative)));
        QVERIFY(QFileInfo(tmp.filePath(expected)).isDir());
        // A second call finds the folder in place.
        QVERIFY(CreateFolderPath(tmp.filePath(relative)));
    }

    void createFolderPathRefusesEmptyAndFiles()
    {
        QTemporaryDir tmp;
        QVERIFY(!CreateFolderPath(QString()));
        const QString file = tmp.filePath(QStringLiteral("plain"));
        writeFile(file);
        QVERIFY(!CreateFolderPath(file));
        QVERIFY(!CreateFolderPath(file + QStringLiteral("/below")));
        QVERIFY(QFileInfo(file).isFile());
    }

    void deleteFolderTreeRemovesNestedAndReadOnly()
    {
        QTemporaryDir tmp;
        const QString root = tmp.filePath(QStringLiteral("tree"));
        QVERIFY(CreateFolderPath(root + QStringLiteral("/sub/deeper")));
        writeFile(root + QStringLiteral("/top.txt"));
        writeFile(root + QStringLiteral("/.hidden"));
        writeFile(root + QStringLiteral("/sub/deeper/file.png"));
        const QString readOnly = root + QStringLiteral("/sub/read-only.txt");
        writeFile(readOnly);
        QFile::setPermissions(readOnly, QFile::ReadOwner);
        // A folder without write permission still has its entries removed.
        QFile::setPermissions(root + QStringLiteral("/sub/deeper"), QFile::ReadOwner | QFile::ExeOwner);

        QVERIFY(DeleteFolderTree(root));
        QVERIFY(!QFileInfo::exists(root));
        QVERIFY(QFileInfo(tmp.path()).isDir());
    }

    void deleteFolderTreeRemovesLinksNotTargets()
    {
        QTemporaryDir tmp;
        const QString outside = tmp.filePath(QStringLiteral("outside"));
        QVERIFY(CreateFolderPath(outside + QStringLiteral("/inner")));
        writeFile(outside + QStringLiteral("/keep.txt"));
        writeFile(outside + QStringLiteral("/inner/keep too.txt"));

        const QString root = tmp.filePath(QStringLiteral("tree"));
        QVERIFY(CreateFolderPath(root));
        QVERIFY(QFile::link(outside, root + QStringLiteral("/dir-link")));
        QVERIFY(QFile::link(outside + QStringLiteral("/keep.txt"), root + QStringLiteral("/file-link")));
        QVERIFY(QFile::link(tmp.filePath(QStringLiteral("missing")), root + QStringLiteral("/dangling")));

        QVERIFY(DeleteFolderTree(root));
        QVERIFY(!QFileInfo::exists(root));
        QVERIFY(QFileInfo(outside + QStringLiteral("/keep.txt")).isFile());
        QVERIFY(QFileInfo(outside + QStringLiteral("/inner/keep too.txt")).isFile());
    }

    void deleteFolderTreeOnLinkRemovesOnlyTheLink()
    {
        QTemporaryDir tmp;
        const QString target = tmp.filePath(QStringLiteral("target"));
        QVERIFY(CreateFolderPath(target));
        writeFile(target + QStringLiteral("/keep.txt"));
        const QString link = tmp.filePath(QStringLiteral("link"));
        QVERIFY(QFile::link(target, link));

        QVERIFY(DeleteFolderTree(link));
        QVERIFY(!QFileInfo(link).isSymLink());
        QVERIFY(QFileInfo(target + QStringLiteral("/keep.txt")).isFile());
    }

    void deleteFolderTreeLeavesPlainFileAndMissingPath()
    {
        QTemporaryDir tmp;
        const QString file = tmp.filePath(QStringLiteral("plain.txt"));
        writeFile(file);
        QVERIFY(DeleteFolderTree(file));
        QVERIFY(QFileInfo(file).isFile());
        QVERIFY(DeleteFolderTree(tmp.filePath(QStringLiteral("missing"))));
    }

    void removePreviewCacheDeletesTheCacheFolder()
    {
        QTemporaryDir tmp;
        const QString cache = tmp.filePath(QStringLiteral("cache/Lumora Plenum"));
        setPreviewCacheFolderOverride(cache);
        QCOMPARE(PreviewCacheFolder(), cache);
        QVERIFY(CreateFolderPath(cache + QStringLiteral("/-1/photos")));
        writeFile(cache + QStringLiteral("/-1/photos/a.png"));
        QVERIFY(RemovePreviewCache());
        QVERIFY(!QFileInfo::exists(cache));
        QVERIFY(QFileInfo(tmp.filePath(QStringLiteral("cache"))).isDir());
    }

    void dataAndDocumentsFoldersAreCreatedOnRequest()
    {
        QTemporaryDir tmp;
        const QString data = tmp.filePath(QStringLiteral("a/data"));
        const QString docs = tmp.filePath(QStringLiteral("b/docs/"));
        setAppDataFolderOverride(data);
        setDocumentsFolderOverride(docs);
        QCOMPARE(GetAppDataFolder(), data);
        QVERIFY(QFileInfo(data).isDir());
        QCOMPARE(GetDocumentsFolder(), tmp.filePath(QStringLiteral("b/docs")));
        QVERIFY(QFileInfo(tmp.filePath(QStringLiteral("b/docs"))).isDir());

        // The templates folder follows the data folder until it is fixed.
        QCOMPARE(getTemplatesFolder(), data + QStringLiteral("/templates"));
        initTemplatesFolder();
        setAppDataFolderOverride(tmp.filePath(QStringLiteral("other")));
        QCOMPARE(getTemplatesFolder(), data + QStringLiteral("/templates"));
    }

    void runAndWait()
    {
        bool timedOut = true;
        QVERIFY(RunAndWait(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("exit 0")}, true,
                           0, &timedOut));
        QVERIFY(!timedOut);

        QTemporaryDir tmp;
        const QString marker = tmp.filePath(QStringLiteral("marker"));
        QVERIFY(RunAndWait(QStringLiteral("/bin/sh"),
                           {QStringLiteral("-c"), QStringLiteral("touch \"$0\""), marker}, true, 5000,
                           &timedOut));
        QVERIFY(!timedOut);
        QVERIFY(QFileInfo::exists(marker));

        QVERIFY(RunAndWait(QStringLiteral("/bin/sleep"), {QStringLiteral("2")}, true, 100, &timedOut));
        QVERIFY(timedOut);

        QVERIFY(!RunAndWait(tmp.filePath(QStringLiteral("no-such-program")), {}, true, 0, &timedOut));
        QVERIFY(!timedOut);
        QVERIFY(!RunAndWait(tmp.filePath(QStringLiteral("no-such-program")), {}, false, 0));
    }
};

QTEST_GUILESS_MAIN(FolderTreeTest)
#include "tst_FolderTree.moc"
