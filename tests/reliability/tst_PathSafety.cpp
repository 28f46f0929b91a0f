// Nothing outside the program's own folders is touched: removing the preview cache never
// follows links planted inside it (or in its place, or swapped in while it is removed), and
// template and layer names that would leave the templates folder, or cannot be file names,
// are refused by every operation, whether typed or read from a file.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

#include "BatchFixture.h"
#include "model/DataFiles.h"
#include "model/LayerFiles.h"
#include "model/TemplateStore.h"
#include "model/WatermarkTemplate.h"
#include "services/folders/FolderTree.h"
#include "services/folders/Folders.h"
#include "support/ChildProcess.h"
#include "support/RefusedNames.h"
#include "support/TestFiles.h"

namespace {

constexpr int kRemovals = 100;

// Type, permission bits, size and content of everything below a folder.
QMap<QString, QString> canarySnapshot(const QString& folder)
{
    QMap<QString, QString> state;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    state.insert(QStringLiteral("."), QString::number(QFileInfo(folder).permissions(), 16));
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st = {};
        ::lstat(QFile::encodeName(path).constData(), &st);
        QFile file(path);
        QByteArray content;
        if (S_ISREG(st.st_mode) && file.open(QIODevice::ReadOnly))
            content = file.readAll();
        state.insert(QDir(folder).relativeFilePath(path), QStringLiteral("%1 %2 %3")
                                                              .arg(st.st_mode, 0, 8)
                                                              .arg(st.st_size)
                                                              .arg(QString::fromLatin1(content.toHex())));
    }
    return state;
}

bool link(const QString& target, const QString& path)
{
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) == 0;
}

} // namespace

class PathSafetyTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void previewCacheRemoval();
    void badNamesRefused_data();
    void badNamesRefused();
    void namesReadFromFilesStayInside();

private:
    QString templates() const { return m_root.filePath(QStringLiteral("data/templates")); }

    QTemporaryDir m_root;
    QString m_canary;
    QMap<QString, QString> m_canaryBefore;
};

void PathSafetyTest::initTestCase()
{
    QVERIFY(m_root.isValid());
    // A folder outside the program's folders, with what deletion could harm: files, a
    // read-only file, a read-only folder, a nested tree, and files named like layer files.
    m_canary = m_root.filePath(QStringLiteral("canary"));
    QVERIFY(QDir().mkpath(m_canary + QStringLiteral("/nested/deeper")));
    QVERIFY(QDir().mkpath(m_canary + QStringLiteral("/locked")));
    QVERIFY(writeFile(m_canary + QStringLiteral("/precious.txt"), "keep me"));
    QVERIFY(writeFile(m_canary + QStringLiteral("/nested/deeper/photo.jpg"), QByteArray(3000, 'p')));
    QVERIFY(writeFile(m_canary + QStringLiteral("/readonly.txt"), "read only"));
    QVERIFY(QFile::setPermissions(m_canary + QStringLiteral("/readonly.txt"), QFileDevice::ReadOwner));
    QVERIFY(writeFile(m_canary + QStringLiteral("/locked/inside.txt"), "inside"));
    QVERIFY(QFile::setPermissions(m_canary + QStringLiteral("/locked"),
                                  QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QVERIFY(writeFile(
        m_canary + QStringLiteral("/x.xml"),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Layers>\r\n<layer>x</layer>\r\n</Layers>\r\n"));
    QVERIFY(writeFile(m_canary + QStringLiteral("/evil.xml"),
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<WatermarkConf>\r\n<文本>\r\n"
                      "<textContent>read from outside</textContent>\r\n</文本>\r\n</WatermarkConf>\r\n"));
    m_canaryBefore = canarySnapshot(m_canary);

    setAppDataFolderOverride(m_root.filePath(QStringLiteral("data")));
    setDocumentsFolderOverride(m_root.filePath(QStringLiteral("documents")));
    setPreviewCacheFolderOverride(m_root.filePath(QStringLiteral("cache/Lumora Plenum")));
    initTemplatesFolder();
    QVERIFY(CreateDefaultTemplates());
}

void PathSafetyTest::cleanup()
{
    QCOMPARE(canarySnapshot(m_canary), m_canaryBefore);
}

void PathSafetyTest::previewCacheRemoval()
{
    const QString cache = PreviewCacheFolder();
    QRandomGenerator random(20261208);
    for (int round = 0; round < kRemovals; ++round) {
        const int shape = round % 4;
        if (shape == 3) {
            // The cache folder itself is a link to the canary.
            QVERIFY(link(m_canary, cache));
        } else {
            QVERIFY(QDir().mkpath(cache + QStringLiteral("/-1/photos/2026")));
            QVERIFY(writeFile(cache + QStringLiteral("/-1/photos/2026/img.jpg"), "preview"));
            QVERIFY(link(m_canary, cache + QStringLiteral("/-1/to-canary")));
            QVERIFY(link(m_canary + QStringLiteral("/precious.txt"),
                         cache + QStringLiteral("/-1/photos/file-link")));
            QVERIFY(
                link(m_canary + QStringLiteral("/locked"), cache + QStringLiteral("/-1/photos/2026/locked")));
            QVERIFY(link(QStringLiteral("../../.."), cache + QStringLiteral("/-1/photos/up")));
            QVERIFY(link(QStringLiteral("missing"), cache + QStringLiteral("/dangling")));
            QVERIFY(link(QStringLiteral("loop"), cache + QStringLiteral("/loop")));
            // A read-only folder in the cache is removed too.
            QVERIFY(QDir().mkpath(cache + QStringLiteral("/ro/sub")));
            QVERIFY(writeFile(cache + QStringLiteral("/ro/sub/f"), "f"));
            QVERIFY(QFile::setPermissions(cache + QStringLiteral("/ro"),
                                          QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        }

        std::atomic<bool> stop{false};
        std::thread swapper;
        if (shape == 1) {
            // Folders of the cache are swapped for links to the canary while it is removed.
            swapper = std::thread([&]() {
                const QByteArray folder = QFile::encodeName(cache + QStringLiteral("/-1/photos"));
                const QByteArray aside = QFile::encodeName(cache + QStringLiteral("/aside"));
                const QByteArray canary = QFile::encodeName(m_canary);
                while (!stop.load()) {
                    if (::rename(folder.constData(), aside.constData()) == 0)
                        ::symlink(canary.constData(), folder.constData());
                    std::this_thread::yield();
                }
            });
            QThread::usleep(random.bounded(200));
        }
        QVERIFY(RemovePreviewCache());
        stop = true;
        if (swapper.joinable())
            swapper.join();
        // A swap that lands after the removal leaves its link behind; a second removal
        // takes it, and still nothing outside.
        RemovePreviewCache();

        QVERIFY2(!QFileInfo(cache).exists() && !QFileInfo(cache).isSymLink(),
                 qPrintable(QStringLiteral("round %1: the cache is still there").arg(round)));
        QCOMPARE(canarySnapshot(m_canary), m_canaryBefore);
    }
}

void PathSafetyTest::badNamesRefused_data()
{
    QTest::addColumn<QString>("name");
    addRefusedNameRows();
    QTest::newRow("into the canary") << QStringLiteral("../../canary/x");
    QTest::newRow("absolute") << QStringLiteral("/tmp/x");
    QTest::newRow("100 wide characters") << QString(100, QChar(0x6C34));
    QTest::newRow("carriage return") << QStringLiteral("a\rb");
    QTest::newRow("escape") << QStringLiteral("red \x1b[31m");
    QTest::newRow("nul") << QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    QTest::newRow("delete") << QStringLiteral("a\x7f");
    QTest::newRow("C1 control") << QStringLiteral("a") + QChar(0x85);
    QTest::newRow("empty") << QString();
}

void PathSafetyTest::badNamesRefused()
{
    QFETCH(QString, name);
    const QMap<QString, QByteArray> before = treeHashes(m_root.filePath(QStringLiteral("data")));

    QVERIFY(!isValidTemplateName(name));
    QVERIFY(!AddTemplate(name));
    QVERIFY(!RenameTemplate(QStringLiteral("Demo 1"), name));
    QVERIFY(!DeleteTemplate(name));
    WatermarkTemplate tmpl;
    QVERIFY(!loadWatermarkTemplate(name, tmpl));
    QVERIFY(!saveWatermarkTemplate({name, {QStringLiteral("Demo 1_Layer 1")}}));
    QVERIFY(!SaveLayerConf(name, WatermarkConf()));
    WatermarkConf conf;
    QVERIFY(!LoadLayerConf(name, conf));
    QVERIFY(!StoreEditConf(name, conf));
    QCOMPARE(treeHashes(m_root.filePath(QStringLiteral("data"))), before);

    // The command line refuses the name as a template to stamp with.
    if (name.isEmpty() || name.contains(QChar(0)))
        return; // not something an argument list can carry
    BatchFixture fixture;
    QVERIFY2(fixture.prepare(m_root.filePath(QStringLiteral("batch")),
                             m_root.filePath(QStringLiteral("batch/out"))),
             qPrintable(fixture.error()));
    const QString photo = m_root.filePath(QStringLiteral("batch/photo.png"));
    QImage(64, 48, QImage::Format_RGB32).save(photo);
    const ChildProcess::Result run = fixture.batch({QStringLiteral("--template"), name, photo}).run(60);
    QVERIFY2(run.exitedNormally(), qPrintable(run.describe()));
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.outLines().isEmpty());
    QVERIFY(!QFileInfo::exists(m_root.filePath(QStringLiteral("batch/out"))));
}

void PathSafetyTest::namesReadFromFilesStayInside()
{
    // A template file whose layer names lead out of the templates folder: drawing reads
    // none of them, deleting the template deletes none of them.
    QVERIFY(writeFile(
        templates() + QStringLiteral("/Sneaky.xml"),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Layers>\r\n<layer>../../canary/evil</layer>\r\n"
        "<layer>" +
            QFile::encodeName(m_canary) + "/x</layer>\r\n<layer>Demo 1_Layer 1</layer>\r\n</Layers>\r\n"));
    WatermarkTemplate loaded;
    QVERIFY(loadWatermarkTemplate(QStringLiteral("Sneaky"), loaded));
    QCOMPARE(loaded.layers.size(), 3);
    WatermarkConf conf;
    QVERIFY(!LoadLayerConf(loaded.layers[0], conf));
    QVERIFY(conf.textContent != QStringLiteral("read from outside"));
    QVERIFY(!LoadLayerConf(loaded.layers[1], conf));
    QVERIFY(DeleteTemplate(QStringLiteral("Sneaky")));
    QVERIFY(!QFileInfo::exists(templates() + QStringLiteral("/Demo 1_Layer 1.xml")));
    // cleanup() compares the canary.
}

QTEST_GUILESS_MAIN(PathSafetyTest)
#include "tst_PathSafety.moc"
