#include <QTest>

#include "PaintProbe.h"
#include "services/imaging/text/ApplicationFonts.h"
#include "textdesigner/ShadowRings.h"

using namespace TextDesigner;
using namespace PaintProbe;

namespace {

const QString kFamily = QStringLiteral("Tahoma");

// A background with detail in every channel, so that blending errors show.
QImage background(QImage::Format format)
{
    QImage image(360, 240, format);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba((x * 7) % 256, (y * 5) % 256, (x + y) % 256, 255));
    if (format == QImage::Format_ARGB32_Premultiplied) {
        // A transparent band: rings over nothing keep their own colour and alpha.
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(QRect(0, 150, 360, 90), Qt::transparent);
    }
    return image;
}

struct Scene
{
    qreal rotation = 0;
    qreal scale = 1;
    QColor colour;
    int rings = 8;
};

void prepare(QPainter& painter, const Scene& scene)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(180, 120);
    painter.rotate(scene.rotation);
    painter.scale(scene.scale, scene.scale);
    painter.translate(-150, -110);
}

// The rings as the painter strokes them, one pen width after the other.
QImage stroked(const QImage& base, const QPainterPath& path, const Scene& scene)
{
    QImage image = base;
    QPainter painter(&image);
    prepare(painter, scene);
    for (int width = 1; width <= scene.rings; ++width) {
        QPen pen(scene.colour, width);
        pen.setJoinStyle(Qt::RoundJoin);
        pen.setCapStyle(Qt::FlatCap);
        painter.strokePath(path, pen);
    }
    return image;
}

struct Difference
{
    int largest = 0;
    double mean = 0; // over the pixels that either drawing changed
};

Difference compare(const QImage& base, const QImage& a, const QImage& b)
{
    Difference result;
    qint64 sum = 0;
    int changed = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y), o = base.pixel(x, y);
            if (p == o && q == o)
                continue;
            ++changed;
            const int d = std::max({qAbs(qRed(p) - qRed(q)), qAbs(qGreen(p) - qGreen(q)),
                                    qAbs(qBlue(p) - qBlue(q)), qAbs(qAlpha(p) - qAlpha(q))});
            sum += d;
            result.largest = std::max(result.largest, d);
        }
    }
    result.mean = changed ? double(sum) / changed : 0;
    return result;
}

QPainterPath sampleText()
{
    return textPath(kFamily, 64, QStringLiteral("Ring & 8"), QPoint(20, 70));
}

} // namespace

class ShadowRingsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { registerApplicationFonts(); }

    // The rings drawn from distances match the painter's strokes up to rounding and
    // anti-aliasing at corners, whatever the turn, scale, colour and ring count.
    void matchesPainterStrokes_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<qreal>("rotation");
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("rings");
        QTest::addColumn<int>("largest");
        QTest::addColumn<double>("mean");
        const int rgb = QImage::Format_RGB32;
        const int argb = QImage::Format_ARGB32_Premultiplied;
        // Pens of at most one device pixel are hairlines; the painter's curved offsets and
        // its hairlines' joins account for the largest differences at dense colours.
        QTest::newRow("faint black, level") << rgb << 0.0 << 1.0 << QColor(0, 0, 0, 12) << 8 << 12 << 2.0;
        QTest::newRow("faint black, turned 30")
            << rgb << -30.0 << 1.0 << QColor(0, 0, 0, 12) << 8 << 12 << 2.0;
        QTest::newRow("dense colour, turned 73")
            << rgb << 73.0 << 1.0 << QColor(200, 40, 90, 160) << 8 << 56 << 2.5;
        QTest::newRow("translucent canvas") << argb << 15.0 << 1.0 << QColor(0, 0, 0, 60) << 12 << 36 << 2.5;
        QTest::newRow("scaled up") << rgb << -30.0 << 2.5 << QColor(0, 0, 0, 40) << 6 << 40 << 2.5;
        QTest::newRow("scaled down") << argb << 10.0 << 0.5 << QColor(0, 0, 0, 40) << 8 << 32 << 4.0;
        QTest::newRow("one opaque ring") << rgb << 0.0 << 1.0 << QColor(0, 0, 0, 255) << 1 << 90 << 6.0;
        QTest::newRow("wide") << rgb << 45.0 << 1.0 << QColor(0, 0, 0, 20) << 40 << 32 << 3.0;
    }

    void matchesPainterStrokes()
    {
        QFETCH(int, format);
        QFETCH(qreal, rotation);
        QFETCH(qreal, scale);
        QFETCH(QColor, colour);
        QFETCH(int, rings);
        QFETCH(int, largest);
        QFETCH(double, mean);
        const Scene scene{rotation, scale, colour, rings};
        const QImage base = background(QImage::Format(format));
        const QPainterPath path = sampleText();

        QImage drawn = base;
        {
            QPainter painter(&drawn);
            prepare(painter, scene);
            QVERIFY(ShadowRings::draw(painter, path, colour, rings));
        }
        QVERIFY(drawn != base);
        const Difference difference = compare(base, drawn, stroked(base, path, scene));
        QVERIFY2(difference.largest <= largest, qPrintable(QString::number(difference.largest)));
        QVERIFY2(difference.mean <= mean, qPrintable(QString::number(difference.mean)));
    }

    // Where distances cannot stand in for strokes, nothing is drawn and the caller strokes.
    void declinesWhatItCannotDraw_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::newRow("clipped") << QStringLiteral("clip");
        QTest::newRow("translucent painter") << QStringLiteral("opacity");
        QTest::newRow("other blending") << QStringLiteral("multiply");
        QTest::newRow("no anti-aliasing") << QStringLiteral("aliased");
        QTest::newRow("uneven scale") << QStringLiteral("stretch");
        QTest::newRow("sheared") << QStringLiteral("shear");
        QTest::newRow("unpremultiplied image") << QStringLiteral("argb32");
        QTest::newRow("open subpath") << QStringLiteral("open");
    }

    void declinesWhatItCannotDraw()
    {
        QFETCH(QString, situation);
        const QImage::Format format =
            situation == QLatin1String("argb32") ? QImage::Format_ARGB32 : QImage::Format_RGB32;
        const QImage base = background(format);
        QPainterPath path = sampleText();
        if (situation == QLatin1String("open")) {
            path.moveTo(10, 10);
            path.lineTo(100, 30);
        }
        QImage drawn = base;
        QPainter painter(&drawn);
        prepare(painter, Scene{});
        if (situation == QLatin1String("clip"))
            painter.setClipRect(QRect(0, 0, 200, 200));
        else if (situation == QLatin1String("opacity"))
            painter.setOpacity(0.5);
        else if (situation == QLatin1String("multiply"))
            painter.setCompositionMode(QPainter::CompositionMode_Multiply);
        else if (situation == QLatin1String("aliased"))
            painter.setRenderHint(QPainter::Antialiasing, false);
        else if (situation == QLatin1String("stretch"))
            painter.scale(2, 1);
        else if (situation == QLatin1String("shear"))
            painter.shear(0.3, 0);
        QVERIFY(!ShadowRings::draw(painter, path, QColor(0, 0, 0, 80), 8));
        painter.end();
        QCOMPARE(drawn, base);
    }

    // Nothing to draw is done at once: no rings, a transparent colour, an empty path, or
    // an outline wholly off the image.
    void drawsNothing_data()
    {
        QTest::addColumn<int>("rings");
        QTest::addColumn<int>("alpha");
        QTest::addColumn<QPointF>("shift");
        QTest::addColumn<bool>("empty");
        QTest::newRow("no rings") << 0 << 80 << QPointF() << false;
        QTest::newRow("transparent") << 8 << 0 << QPointF() << false;
        QTest::newRow("empty path") << 8 << 80 << QPointF() << true;
        QTest::newRow("far off the image") << 8 << 80 << QPointF(1e7, -1e7) << false;
    }

    void drawsNothing()
    {
        QFETCH(int, rings);
        QFETCH(int, alpha);
        QFETCH(QPointF, shift);
        QFETCH(bool, empty);
        const QImage base = background(QImage::Format_ARGB32_Premultiplied);
        const QPainterPath path = empty ? QPainterPath() : sampleText().translated(shift);
        QImage drawn = base;
        {
            QPainter painter(&drawn);
            painter.setRenderHint(QPainter::Antialiasing);
            QVERIFY(ShadowRings::draw(painter, path, QColor(0, 0, 0, alpha), rings));
        }
        QCOMPARE(drawn, base);
    }
};

QTEST_MAIN(ShadowRingsTest)
#include "tst_ShadowRings.moc"
