// Layer records with values at the ends of their ranges, and records at addresses of any
// alignment: sizes saturate instead of overflowing, and the packed font record is read the
// same wherever it lies (the sanitizer build checks that no access is misaligned).
#include <QTest>

#include <array>
#include <climits>
#include <cstring>

#include "model/WatermarkConf.h"
#include "render/PictureLayerPainter.h"
#include "services/imaging/text/LogFontW.h"

class HostileRecordsTest : public QObject
{
    Q_OBJECT

private slots:
    void scaledPictureSize_data();
    void scaledPictureSize();
    void fontRecordAtAnyAddress_data();
    void fontRecordAtAnyAddress();
};

void HostileRecordsTest::scaledPictureSize_data()
{
    QTest::addColumn<int>("canvasWidth");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QSize>("drawn");

    QTest::newRow("design canvas") << kDesignCanvasWidth << 100 << 50 << QSize(100, 50);
    QTest::newRow("twice the design canvas") << 2 * kDesignCanvasWidth << 100 << 50 << QSize(200, 100);
    QTest::newRow("largest height, normal canvas") << 4000 << 100 << INT_MAX << QSize(590, INT_MAX);
    // The width's product with the height no longer fits in 64 bits.
    QTest::newRow("largest values") << INT_MAX << INT_MAX << INT_MAX << QSize(INT_MAX, INT_MAX);
    QTest::newRow("largest canvas and height") << INT_MAX << 1000 << INT_MAX << QSize(INT_MAX, INT_MAX);
    QTest::newRow("wide and flat") << INT_MAX << INT_MAX << 1 << QSize(INT_MAX, 3172058);
}

void HostileRecordsTest::scaledPictureSize()
{
    QFETCH(int, canvasWidth);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QSize, drawn);
    WatermarkConf conf;
    conf.ImageWidth = width;
    conf.ImageHeight = height;
    conf.ScaleImgWT = 1;
    QCOMPARE(PictureLayerPainter::drawnSize(conf, QSize(10, 10), QSize(canvasWidth, 100)), drawn);
}

void HostileRecordsTest::fontRecordAtAnyAddress_data()
{
    QTest::addColumn<int>("offset");
    for (int offset = 0; offset < 4; ++offset)
        QTest::addRow("offset %d", offset) << offset;
}

void HostileRecordsTest::fontRecordAtAnyAddress()
{
    QFETCH(int, offset);
    const QString face = QStringLiteral("DejaVu Sans 水印");
    LOGFONTW original = defaultFontRecord();
    original.setFaceName(face);

    alignas(8) std::array<unsigned char, sizeof(LOGFONTW) + 8> storage{};
    auto* placed = new (storage.data() + offset) LOGFONTW(original);
    QCOMPARE(placed->faceName(), face);
    QVERIFY(placed->toBytes() == original.toBytes());
    placed->setFaceName(QStringLiteral("Tahoma"));
    QCOMPARE(placed->faceName(), QStringLiteral("Tahoma"));
    const LOGFONTW::Bytes bytes = original.toBytes();
    placed->setBytes(bytes.data(), bytes.size());
    QCOMPARE(placed->faceName(), face);
    QVERIFY(*placed == original);
}

QTEST_GUILESS_MAIN(HostileRecordsTest)
#include "tst_HostileRecords.moc"
