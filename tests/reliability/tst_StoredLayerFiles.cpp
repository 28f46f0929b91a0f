// Layer files as the fuzzer found them, and in every encoding they may declare: a layer read
// and stored again by the editor must read back as the same record. (A file declaring UTF-7
// was once saved with its markup encoded, which no reader could open again.) Every fuzz seed
// is also drawn, quickly and, in the sanitizer build, without undefined behaviour (a font
// height of two billion pixels once put the shadow's anchor beyond the int range).
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include "model/LayerFiles.h"
#include "model/WatermarkConf.h"
#include "render/WatermarkCompositor.h"
#include "services/folders/Folders.h"

class StoredLayerFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void storedLayerReadsBack_data();
    void storedLayerReadsBack();
    void seedLayerDraws_data();
    void seedLayerDraws();

private:
    void writeLayer(const QString& layer, const QByteArray& file);

    QTemporaryDir m_root;
};

void StoredLayerFilesTest::writeLayer(const QString& layer, const QByteArray& file)
{
    QFile out(m_root.filePath(layer + QStringLiteral(".xml")));
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(out.write(file), file.size());
}

void StoredLayerFilesTest::initTestCase()
{
    QVERIFY(m_root.isValid());
    setTemplatesFolder(m_root.path());
}

namespace {

void addSeedRows()
{
    const QDir seeds(QStringLiteral(LUMORA_SOURCE_DIR "/fuzz/seeds/fuzz_layer_file"));
    const QStringList names = seeds.entryList({QStringLiteral("*.xml")}, QDir::Files);
    QVERIFY(names.contains(QStringLiteral("regression_enormous_font_height.xml")));
    for (const QString& name : names) {
        QFile file(seeds.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTest::newRow(qPrintable(name)) << file.readAll();
    }
}

} // namespace

void StoredLayerFilesTest::storedLayerReadsBack_data()
{
    QTest::addColumn<QByteArray>("file");
    addSeedRows();
    const QByteArray body =
        "<WatermarkConf>\r\n<文本>\r\n<textContent>水印 &amp; «text»</textContent>\r\n"
        "<Rotation>45</Rotation>\r\n</文本>\r\n<图像>\r\n<ImagePathName>/照片/ü.png</ImagePathName>\r\n"
        "</图像>\r\n</WatermarkConf>\r\n";
    for (const char* encoding : {"UTF-8", "UTF-7", "UTF-16", "UTF-32", "ISO-8859-1", "GB18030", "Shift_JIS",
                                 "IBM037", "KOI8-R", "no-such-encoding"}) {
        QTest::newRow(encoding) << "<?xml version=\"1.0\" encoding=\"" + QByteArray(encoding) + "\"?>\r\n" +
                                       body;
    }
}

void StoredLayerFilesTest::storedLayerReadsBack()
{
    QFETCH(QByteArray, file);
    const QString layer = QStringLiteral("stored layer");
    writeLayer(layer, file);
    QFile out(m_root.filePath(layer + QStringLiteral(".xml")));

    WatermarkConf edited;
    if (!LoadEditConf(layer, edited))
        return; // not a layer file: nothing to store
    QVERIFY(StoreEditConf(layer, edited));
    WatermarkConf reread;
    QVERIFY(LoadEditConf(layer, reread));
    QVERIFY(reread == edited);
    // Stored twice, the file does not change any more.
    QVERIFY(out.open(QIODevice::ReadOnly));
    const QByteArray once = out.readAll();
    out.close();
    QVERIFY(StoreEditConf(layer, reread));
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(out.readAll(), once);
}

void StoredLayerFilesTest::seedLayerDraws_data()
{
    QTest::addColumn<QByteArray>("file");
    addSeedRows();
}

void StoredLayerFilesTest::seedLayerDraws()
{
    QFETCH(QByteArray, file);
    const QString layer = QStringLiteral("drawn layer");
    writeLayer(layer, file);
    WatermarkConf conf;
    LoadLayerConf(layer, conf);
    // The picture part would read whatever file the layer names.
    if (!conf.ImagePathName.isEmpty())
        conf.ImagePathName = m_root.filePath(QStringLiteral("missing.png"));

    QImage canvas(64, 48, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::gray);
    QElapsedTimer clock;
    clock.start();
    {
        QPainter painter(&canvas);
        WatermarkCompositor::drawLayer(painter, conf, canvas.size(), 64 * 48);
    }
    // The fuzzer gives each input 10 s, sanitizers included.
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
}

QTEST_MAIN(StoredLayerFilesTest)
#include "tst_StoredLayerFiles.moc"
