#include <QTest>

#include "model/RenderSettings.h"
#include "model/ResizeSettings.h"
#include "support/TempDataFolder.h"

class ResizeSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    // The main window's values before the file is read: no scaling, even with the switch on.
    void valuesBeforeTheFileIsRead()
    {
        const RenderSettings start;
        QCOMPARE(start.resize, (ResizeSettings{0, 800, 600, 0}));
        QVERIFY(!start.resizePictures);
        QCOMPARE(ComputeOutputSize(start.resize, true, 1000, 750), QSize(1000, 750));
    }

    void computeOutputSize_data()
    {
        QTest::addColumn<int>("scaleType");
        QTest::addColumn<int>("targetWidth");
        QTest::addColumn<int>("targetHeight");
        QTest::addColumn<int>("everyTime");
        QTest::addColumn<bool>("resizePictures");
        QTest::addColumn<QSize>("photo");
        QTest::addColumn<QSize>("expected");

        QTest::newRow("off") << 1 << 800 << 600 << 0 << false << QSize(1000, 750) << QSize(1000, 750);
        QTest::newRow("width 1000x750")
            << 1 << 800 << 600 << 0 << true << QSize(1000, 750) << QSize(800, 600);
        QTest::newRow("width truncates")
            << 1 << 800 << 600 << 0 << true << QSize(1001, 750) << QSize(800, 599);
        QTest::newRow("width landscape")
            << 1 << 800 << 600 << 0 << true << QSize(4000, 3000) << QSize(800, 600);
        QTest::newRow("width portrait")
            << 1 << 800 << 600 << 0 << true << QSize(3000, 4000) << QSize(800, 1066);
        QTest::newRow("width enlarges") << 1 << 800 << 600 << 0 << true << QSize(400, 301) << QSize(800, 602);
        QTest::newRow("height") << 2 << 800 << 600 << 0 << true << QSize(4000, 3000) << QSize(800, 600);
        QTest::newRow("height truncates")
            << 2 << 800 << 600 << 0 << true << QSize(1001, 750) << QSize(800, 600);
        QTest::newRow("absolute distorts")
            << 3 << 800 << 600 << 0 << true << QSize(3000, 4000) << QSize(800, 600);
        QTest::newRow("every time alone")
            << 1 << 800 << 600 << 1 << false << QSize(4000, 3000) << QSize(800, 600);
        QTest::newRow("every time and switch")
            << 2 << 800 << 300 << 1 << true << QSize(4000, 3000) << QSize(400, 300);
        QTest::newRow("unknown type")
            << 4 << 800 << 600 << 1 << true << QSize(4000, 3000) << QSize(4000, 3000);
        QTest::newRow("type 0") << 0 << 800 << 600 << 1 << true << QSize(4000, 3000) << QSize(4000, 3000);
        QTest::newRow("zero target") << 1 << 0 << 600 << 0 << true << QSize(4000, 3000) << QSize(0, 0);
        QTest::newRow("zero photo width") << 1 << 800 << 600 << 0 << true << QSize(0, 3000) << QSize(0, 3000);
        QTest::newRow("zero photo height")
            << 2 << 800 << 600 << 0 << true << QSize(4000, 0) << QSize(4000, 0);
        QTest::newRow("zero height by width")
            << 1 << 800 << 600 << 0 << true << QSize(4000, 0) << QSize(800, 0);
        // 100000 * 50000 wraps to 705032704 in 32 bits; divided by 3.
        QTest::newRow("product wraps")
            << 1 << 50000 << 600 << 0 << true << QSize(3, 100000) << QSize(50000, 235010901);
    }

    void computeOutputSize()
    {
        QFETCH(int, scaleType);
        QFETCH(int, targetWidth);
        QFETCH(int, targetHeight);
        QFETCH(int, everyTime);
        QFETCH(bool, resizePictures);
        QFETCH(QSize, photo);
        QFETCH(QSize, expected);
        const ResizeSettings settings{scaleType, targetWidth, targetHeight, everyTime};
        QCOMPARE(ComputeOutputSize(settings, resizePictures, photo.width(), photo.height()), expected);
    }

    void fileDefaultsAndRoundTrip()
    {
        TempDataFolder folder;
        QCOMPARE(readResizeSettings(), (ResizeSettings{1, 800, 600, 0}));

        QVERIFY(writeResizeSettings(1, QStringLiteral("800"), QStringLiteral("600"), 0));
        QCOMPARE(
            TempDataFolder::read(folder.data() + QStringLiteral("/resizing_config.ini")),
            QByteArray(
                "[常规]\r\nScaleType=1\r\nTargetWidth=800\r\nTargetHeight=600\r\nResizeEveryTime=0\r\n"));

        // Emptied edits are stored empty and read back as 0; values are replaced in place.
        QVERIFY(writeResizeSettings(3, QString(), QStringLiteral("450"), 1));
        QCOMPARE(
            TempDataFolder::read(folder.data() + QStringLiteral("/resizing_config.ini")),
            QByteArray("[常规]\r\nScaleType=3\r\nTargetWidth=\r\nTargetHeight=450\r\nResizeEveryTime=1\r\n"));
        QCOMPARE(readResizeSettings(), (ResizeSettings{3, 0, 450, 1}));
    }

    void missingKeysKeepTheirDefaults()
    {
        TempDataFolder folder;
        QVERIFY(TempDataFolder::write(folder.data() + QStringLiteral("/resizing_config.ini"),
                                      "[常规]\r\nTargetHeight=abc\r\nResizeEveryTime=1\r\n"));
        QCOMPARE(readResizeSettings(), (ResizeSettings{1, 800, 0, 1}));
    }

    void commitDropsThePreviewCache()
    {
        TempDataFolder folder;
        const QString cache = folder.root() + QStringLiteral("/cache/Lumora Plenum");
        QVERIFY(TempDataFolder::write(cache + QStringLiteral("/-1/a/preview.png"), "png"));
        QVERIFY(commitResizeSettings(2, QStringLiteral("800"), QStringLiteral("600"), 0));
        QVERIFY(!QFileInfo::exists(cache));
        QCOMPARE(readResizeSettings(), (ResizeSettings{2, 800, 600, 0}));
    }
};

QTEST_GUILESS_MAIN(ResizeSettingsTest)
#include "tst_ResizeSettings.moc"
