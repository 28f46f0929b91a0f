#include "imaging/TestPictures.h"
#include "services/imaging/DrawingState.h"
#include "services/imaging/ImageCanvas.h"
#include "services/imaging/PaintTools.h"

#include <QPainter>
#include <QTest>

namespace {

QImage paintedWith(const QBrush& brush, const QSize& size)
{
    QImage canvas = ImageCanvas::create(size);
    QPainter painter(&canvas);
    painter.fillRect(QRect(QPoint(0, 0), size), brush);
    return canvas;
}

} // namespace

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
        QCOMPARE(PaintTools::colorFromColorRef(colorRef, alpha).rgba(), argb);
    }

    void rotationTurnsAboutTheAnchorBeforeEarlierSteps_data()
    {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QPointF>("mapped");
        // Earlier transform: scale 2. Later, prepended: turn 90 degrees clockwise about (10, 10).
        QTest::newRow("anchor") << QPointF(10, 10) << QPointF(20, 20);
        QTest::newRow("right of the anchor") << QPointF(20, 10) << QPointF(20, 40);
        QTest::newRow("above the anchor") << QPointF(10, 0) << QPointF(40, 20);
    }

    void rotationTurnsAboutTheAnchorBeforeEarlierSteps()
    {
        QFETCH(QPointF, point);
        QFETCH(QPointF, mapped);
        QImage canvas = ImageCanvas::create(QSize(8, 8));
        QPainter painter(&canvas);
        painter.scale(2, 2);
        {
            const DrawingState::Scope saved(painter);
            DrawingState::rotateAbout(painter, QPointF(10, 10), 90);
            const QPointF result = painter.transform().map(point);
            QVERIFY2(qAbs(result.x() - mapped.x()) < 1e-9 && qAbs(result.y() - mapped.y()) < 1e-9,
                     qPrintable(QStringLiteral("%1,%2").arg(result.x()).arg(result.y())));
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
        const QImage painted =
            paintedWith(PaintTools::darkDownwardDiagonalHatch(foreground, background), QSize(16, 16));
        QHash<QRgb, int> counts;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                ++counts[painted.pixel(x, y)];
                // Lines run from top left to bottom right.
                QCOMPARE(painted.pixel(x, y), painted.pixel((x + 1) % 16, (y + 1) % 16));
            }
        }
        if (foreground == background) {
            QCOMPARE(counts.size(), 1);
            QCOMPARE(painted.pixelColor(3, 3), foreground);
            return;
        }
        // Two-pixel lines four pixels apart: half the area each.
        QCOMPARE(counts.size(), 2);
        QCOMPARE(counts.value(painted.pixel(0, 0)), 128);
        QCOMPARE(painted.pixel(0, 0), painted.pixel(1, 0));
        QVERIFY(painted.pixel(0, 0) != painted.pixel(2, 0));
        QCOMPARE(painted.pixelColor(2, 0), background);
        QVERIFY(qAbs(painted.pixelColor(0, 0).alpha() - foreground.alpha()) <= 1);
    }

    void gradientRepeatsBeyondItsEnds()
    {
        const QImage painted =
            paintedWith(PaintTools::tiledLinearGradient(QPointF(0, 0), QPointF(20, 0), Qt::black, Qt::white),
                        QSize(60, 1));
        for (const int x : {2, 9, 17}) {
            QVERIFY(qAbs(qGray(painted.pixel(x + 20, 0)) - qGray(painted.pixel(x, 0))) <= 2);
            QVERIFY(qAbs(qGray(painted.pixel(x + 40, 0)) - qGray(painted.pixel(x, 0))) <= 2);
        }
        QVERIFY(qGray(painted.pixel(2, 0)) + 100 < qGray(painted.pixel(17, 0)));

        const QImage nothing = paintedWith(
            PaintTools::tiledLinearGradient(QPointF(5, 5), QPointF(5, 5), Qt::black, Qt::white), QSize(4, 4));
        QCOMPARE(nothing, ImageCanvas::create(QSize(4, 4)));
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
        const QColor inside = canvas.pixelColor(9, 9);
        QVERIFY2(qAbs(inside.alpha() - alpha) <= 1, qPrintable(QString::number(inside.alpha())));
        if (alpha > 0)
            QCOMPARE(inside.red(), 255);
        QCOMPARE(canvas.pixelColor(4, 9).alpha(), 0);
        QCOMPARE(canvas.pixelColor(13, 9).alpha(), 0);
        QCOMPARE(canvas.pixelColor(12, 12).alpha(), canvas.pixelColor(5, 5).alpha());
    }

    void photoCanvasHoldsTheScaledPhoto()
    {
        const QImage photo = TestPictures::testPicture(200, 100);
        const QImage canvas = ImageCanvas::fromPhoto(photo, QSize(50, 25));
        QCOMPARE(canvas.size(), QSize(50, 25));
        QCOMPARE(canvas.format(), ImageCanvas::kFormat);
        QCOMPARE(canvas.pixel(5, 5), photo.pixel(20, 20));
        QCOMPARE(canvas.pixel(45, 20), photo.pixel(180, 80));
        QVERIFY(ImageCanvas::fromPhoto(photo, QSize(0, 10)).isNull());
        QVERIFY(ImageCanvas::create(QSize(-1, 5)).isNull());

        QImage drawn = ImageCanvas::create(QSize(50, 25));
        {
            QPainter painter(&drawn);
            ImageCanvas::drawPhotoScaled(painter, photo, QRect(0, 0, 50, 25));
        }
        QCOMPARE(drawn, canvas);
    }
};

QTEST_GUILESS_MAIN(DrawingTest)
#include "DrawingTest.moc"
