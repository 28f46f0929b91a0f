// Layer files as the fuzzer found them, and in every encoding they may declare: a layer read
// and stored again by the editor must read back as the same record. (A file declaring UTF-7
// was once saved with its markup encoded, which no reader could open again.)
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "model/LayerFiles.h"
#include "model/WatermarkConf.h"
#include "services/folders/Folders.h"

class StoredLayerFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void storedLayerReadsBack_data();
    void storedLayerReadsBack();

private:
    QTemporaryDir m_root;
};

void StoredLayerFilesTest::initTestCase()
{
    QVERIFY(m_root.isValid());
    SetTemplatesFolder(m_root.path());
}

void StoredLayerFilesTest::storedLayerReadsBack_data()
{
    QTest::addColumn<QByteArray>("file");
    const QDir seeds(QStringLiteral(LUMORA_SOURCE_DIR "/fuzz/seeds/fuzz_layer_file"));
    for (const QString& name : seeds.entryList({QStringLiteral("*.xml")}, QDir::Files)) {
        QFile file(seeds.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTest::newRow(qPrintable(name)) << file.readAll();
    }
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
    QFile out(m_root.filePath(layer + QStringLiteral(".xml")));
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(out.write(file), file.size());
    out.close();

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

QTEST_GUILESS_MAIN(StoredLayerFilesTest)
#include "tst_StoredLayerFiles.moc"
