#include "services/imaging/DrawingState.h"
#include "services/imaging/ImageCanvas.h"
#include "services/imaging/PaintTools.h"
#include "support/TestPictures.h"

#include <QPainter>
#include <QTest>

class DrawingTest : public QObject
{
    Q_OBJECT

private slots:
    void colourFromStoredValue_data()
    {
        QTest::addColumn<quint32>("colorRef");
        QTest::addColumn<int>("alpha");
        QTest::addColumn<quint32>("argb");
        QTest::newRow("red") << quint32(0x0000FF) << 255 << quint32(0xFFFF0000);
        QTest::newRow("blue, half") << quint32(0xFF0000) << 128 << quint32(0x800000FF);
        QTest::newRow("mixed") << quint32(0x123456) << 255 << quint32(0xFF563412);
        QTest::newRow("alpha's low byte") << quint32(0x00FF00) << 0x1FF << quint32(0xFF00FF00);
        QTest::newRow("top byte ignored") << quint32(0xAB00FF00) << 0 << quint32(0x0000FF00);
    }

    void colourFromStoredValue()
    {
        QFETCH(quint32, colorRef);
        QFETCH(int, alpha);
        QFETCH(quint32, argb);
        QCOMPARE(PaintTools::argbFromColorRef(colorRef, alpha), argb);
    }

    void rotationTurnsAboutTheAnchorBeforeEarlierSteps()
    {
        // Earlier: scale 2. Prepended: a quarter turn clockwise about (10, 10).
        QImage canvas = ImageCanvas::create(QSize(8, 8));
        QPainter painter(&canvas);
        painter.scale(2, 2);
        {
            const DrawingState::Scope saved(painter);
            DrawingState::rotateAbout(painter, QPointF(10, 10), 90);
            QCOMPARE(painter.transform().map(QPointF(10, 10)), QPointF(20, 20));
            QCOMPARE(painter.transform().map(QPointF(20, 10)), QPointF(20, 40));
            QCOMPARE(painter.transform().map(QPointF(10, 0)), QPointF(40, 20));
        }
        QCOMPARE(painter.transform(), QTransform::fromScale(2, 2));
    }

    void hatchBrush_data()
    {
        QTest::addColumn<QColor>("foreground");
        QTest::addColumn<QColor>("background");
        QTest::newRow("two colours") << QColor(Qt::black) << QColor(Qt::white);
        QTest::newRow("one colour paints solid") << QColor(10, 120, 200) << QColor(10, 120, 200);
        QTest::newRow("translucent over opaque") << QColor(255, 0, 0, 128) << QColor(Qt::blue);
    }

    void hatchBrush()
    {
        QFETCH(QColor, foreground);
        QFETCH(QColor, background);
        QImage painted = ImageCanvas::create(QSize(16, 16));
        QPainter(&painted).fillRect(painted.rect(),
                                    PaintTools::darkDownwardDiagonalHatch(foreground, background));
        QHash<QRgb, int> counts;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                ++counts[painted.pixel(x, y)];
                QCOMPARE(painted.pixel(x, y), painted.pixel((x + 1) % 16, (y + 1) % 16)); // runs down-right
            }
        }
        if (foreground == background) {
            QCOMPARE(painted.pixelColor(3, 3), foreground);
            QCOMPARE(counts.size(), 1);
            return;
        }
        // Lines two pixels wide, four apart: half the area each.
        QCOMPARE(counts.value(painted.pixel(0, 0)), 128);
        QCOMPARE(painted.pixel(1, 0), painted.pixel(0, 0));
        QCOMPARE(painted.pixelColor(2, 0), background);
        QVERIFY(qAbs(painted.pixelColor(0, 0).alpha() - foreground.alpha()) <= 1);
    }

    void pictureAlphaIsScaled_data()
    {
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<int>("alpha");
        QTest::newRow("as it is") << 1.0 << 200;
        QTest::newRow("half") << 0.5 << 100;
        QTest::newRow("none") << 0.0 << 0;
        QTest::newRow("negative") << -1.0 << 0;
        QTest::newRow("raised") << 1.2 << 240;
        QTest::newRow("raised past opaque") << 2.0 << 255;
    }

    void pictureAlphaIsScaled()
    {
        QFETCH(qreal, scale);
        QFETCH(int, alpha);
        QImage picture(4, 4, QImage::Format_ARGB32);
        picture.fill(qRgba(255, 0, 0, 200));
        QImage canvas = ImageCanvas::create(QSize(20, 20));
        {
            QPainter painter(&canvas);
            ImageCanvas::drawPictureAlphaScaled(painter, picture, QRect(5, 5, 8, 8), scale);
        }
        QVERIFY(qAbs(canvas.pixelColor(9, 9).alpha() - alpha) <= 1);
        QVERIFY(alpha == 0 || canvas.pixelColor(12, 12).red() == 255);
        QCOMPARE(canvas.pixelColor(4, 9).alpha(), 0);
        QCOMPARE(canvas.pixelColor(13, 13).alpha(), 0);
    }

    void photoCanvasEqualsDrawingThePhoto()
    {
        const QImage photo = TestPictures::quadrants(200, 100);
        const QImage canvas = ImageCanvas::fromPhoto(photo, QSize(50, 25));
        QCOMPARE(canvas.format(), ImageCanvas::kFormat);
        QCOMPARE(canvas.pixel(45, 20), photo.pixel(180, 80));
        QImage drawn = ImageCanvas::create(QSize(50, 25));
        {
            QPainter painter(&drawn);
            ImageCanvas::drawPhotoScaled(painter, photo, QRect(0, 0, 50, 25));
        }
        QCOMPARE(drawn, canvas);
    }
};

QTEST_GUILESS_MAIN(DrawingTest)
#include "tst_Drawing.moc"
