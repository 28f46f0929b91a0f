#include <QTest>

#include "services/folders/Folders.h"
#include "ui/preview/PreviewCache.h"
#include "ui/preview/PreviewFitting.h"

class PreviewFittingTest : public QObject
{
    Q_OBJECT

private slots:
    void fitting_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QRect>("drawn");
        const QRect area(0, 39, 1000, 600);
        QTest::newRow("wide: full width, centred vertically")
            << QSize(4000, 1000) << area << QRect(0, 300 + 39 - 125, 1000, 250);
        QTest::newRow("tall: full height, centred horizontally")
            << QSize(1000, 4000) << area << QRect(425, 39, 150, 600);
        QTest::newRow("smaller: own size, centred") << QSize(300, 200) << area << QRect(350, 239, 300, 200);
        QTest::newRow("odd sizes use integer halves") << QSize(301, 201) << area << QRect(350, 239, 301, 201);
        QTest::newRow("as wide as the area is fitted")
            << QSize(1000, 100) << area << QRect(0, 289, 1000, 100);
        QTest::newRow("as high as the area is fitted") << QSize(800, 600) << area << QRect(100, 39, 800, 600);
        QTest::newRow("same proportions: tie goes to full height")
            << QSize(2000, 1200) << area << QRect(0, 39, 1000, 600);
        QTest::newRow("integer division truncates") << QSize(3000, 1001) << area << QRect(0, 173, 1000, 333);
        QTest::newRow("never enlarged") << QSize(1, 1) << area << QRect(500, 339, 1, 1);
        QTest::newRow("huge picture does not overflow")
            << QSize(60000, 50000) << area << QRect(140, 39, 720, 600);
        QTest::newRow("empty picture draws nothing") << QSize(0, 0) << area << QRect();
        QTest::newRow("empty area draws nothing") << QSize(100, 100) << QRect(0, 39, 1000, 0) << QRect();
    }

    void fitting()
    {
        QFETCH(QSize, image);
        QFETCH(QRect, area);
        QTEST(fitPreviewRect(image, area), "drawn");
    }

    void cachePath_data()
    {
        QTest::addColumn<QString>("photo");
        QTest::addColumn<QString>("cached");
        QTest::newRow("folder mirrored after -1") << QStringLiteral("/home/ann/Photos/2013/img.jpg")
                                                  << QStringLiteral("/-1/home/ann/Photos/2013/img.jpg");
        QTest::newRow("photo at the root") << QStringLiteral("/img.jpg") << QStringLiteral("/-1/img.jpg");
        QTest::newRow("extension kept") << QStringLiteral("/p/a.b.tiff") << QStringLiteral("/-1/p/a.b.tiff");
        QTest::newRow("dot-dot cannot leave the cache")
            << QStringLiteral("/a/../../../etc/x.jpg") << QStringLiteral("/-1/etc/x.jpg");
        QTest::newRow("relative path") << QStringLiteral("../../x/y.png") << QStringLiteral("/-1/x/y.png");
        QTest::newRow("spaces and CJK")
            << QStringLiteral("/照片/my trip/海.jpg") << QStringLiteral("/-1/照片/my trip/海.jpg");
    }

    void cachePath()
    {
        QFETCH(QString, photo);
        QFETCH(QString, cached);
        setPreviewCacheFolderOverride(QStringLiteral("/tmp/cache/Lumora Plenum"));
        QCOMPARE(PreviewCache::pathFor(photo), QStringLiteral("/tmp/cache/Lumora Plenum") + cached);
        QVERIFY(PreviewCache::pathFor(photo).startsWith(PreviewCache::folderFor(photo) + QLatin1Char('/')));
        setPreviewCacheFolderOverride(QString());
    }
};

QTEST_GUILESS_MAIN(PreviewFittingTest)
#include "tst_PreviewFitting.moc"
