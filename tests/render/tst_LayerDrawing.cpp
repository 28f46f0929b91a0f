#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

#include "RenderTestSupport.h"
#include "render/PictureLayerPainter.h"
#include "services/imaging/text/ApplicationFonts.h"
#include "services/imaging/text/DrawingFont.h"
#include "services/imaging/text/StringFormat.h"
#include "services/imaging/text/StringLayout.h"

using namespace RenderTestSupport;

class LayerDrawingTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // An opaque picture file of the given size in one colour.
    QString pictureFile(const QSize& size, const QColor& colour)
    {
        const QString path = m_dir.filePath(QStringLiteral("pic-%1x%2-%3.png")
                                                .arg(size.width())
                                                .arg(size.height())
                                                .arg(colour.name(QColor::HexArgb).mid(1)));
        QImage picture(size, QImage::Format_ARGB32);
        picture.fill(colour);
        picture.save(path);
        return path;
    }

    static QImage drawnOnTransparent(const WatermarkConf& conf, const QSize& size)
    {
        QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        WatermarkCompositor::drawLayer(painter, conf, size, 250'000'000);
        painter.end();
        return canvas;
    }

private slots:
    void initTestCase() { registerApplicationFonts(); }

    // Auto-scaling keeps the text's share of the canvas: the box drawn on a canvas of the
    // design size matches the unscaled font, and grows with the canvas.
    void autoScaling_data()
    {
        QTest::addColumn<QSize>("canvas");
        QTest::addColumn<double>("ratio");
        QTest::newRow("design size") << QSize(677, 625) << 1.0;
        QTest::newRow("double") << QSize(1354, 1250) << 2.0;
        QTest::newRow("half") << QSize(338, 312) << 0.5;
    }
    void autoScaling()
    {
        QFETCH(QSize, canvas);
        QFETCH(double, ratio);
        const QRect unscaled = inkBox(drawn(plainTextLayer(), QSize(677, 625)));
        WatermarkConf conf = plainTextLayer();
        conf.ScaleTextWT = 1;
        const QRect scaled = inkBox(drawn(conf, canvas));
        QVERIFY(!unscaled.isEmpty());
        if (ratio == 1.0) {
            QVERIFY2(std::abs(scaled.width() - unscaled.width()) <= 1 &&
                         std::abs(scaled.height() - unscaled.height()) <= 1,
                     qPrintable(QStringLiteral("%1x%2 vs %3x%4")
                                    .arg(scaled.width())
                                    .arg(scaled.height())
                                    .arg(unscaled.width())
                                    .arg(unscaled.height())));
        } else {
            QVERIFY(std::abs(scaled.width() / double(unscaled.width()) - ratio) < ratio * 0.06);
            QVERIFY(std::abs(scaled.height() / double(unscaled.height()) - ratio) < ratio * 0.08);
        }
    }

    // The measured text box of Location 8 with offsets (-10, -10) ends 10 pixels inside
    // the bottom-right corner: the glyphs lie where the layout puts them in that box.
    void bottomRightWithOffsets()
    {
        const QSize canvas(500, 300);
        WatermarkConf conf = plainTextLayer(QStringLiteral("Lumora gjpq"));
        conf.Location = 8;
        conf.OffsetH = -10;
        conf.OffsetV = -10;
        const QImage image = drawn(conf, canvas);

        const DrawingFont font = DrawingFont::fromLogFont(conf.Font);
        const StringFormat& format = StringFormat::genericTypographic();
        const QSizeF box = measureString(font, conf.textContent, QRectF(0, 0, 100000, 1000), &format);
        const QPointF topLeft(canvas.width() - box.width() - 10, canvas.height() - box.height() - 10);
        const QRectF glyphs = textPathAt(font, conf.textContent, topLeft, &format).boundingRect();

        const QRect ink = inkBox(image);
        QVERIFY(ink.right() <= canvas.width() - 10);
        QVERIFY(ink.bottom() <= canvas.height() - 10);
        QVERIFY(std::abs(ink.left() - glyphs.left()) <= 1.5);
        QVERIFY(std::abs(ink.right() + 1 - glyphs.right()) <= 1.5);
        QVERIFY(std::abs(ink.top() - glyphs.top()) <= 1.5);
        QVERIFY(std::abs(ink.bottom() + 1 - glyphs.bottom()) <= 1.5);

        // Positive offsets push it partly off the canvas.
        conf.OffsetH = 40;
        conf.OffsetV = 10;
        const QRect pushed = inkBox(drawn(conf, canvas));
        QVERIFY(pushed.right() > canvas.width() - 20);
        QCOMPARE(pushed.bottom(), canvas.height() - 1);
        QVERIFY(pushed.width() < ink.width() - 20);
    }

    void anchorCells_data()
    {
        QTest::addColumn<int>("location");
        QTest::addColumn<int>("horizontal"); // 0 left, 1 centre, 2 right
        QTest::addColumn<int>("vertical");
        for (int cell = 0; cell < 9; ++cell)
            QTest::addRow("cell %d", cell) << cell << cell % 3 << cell / 3;
        QTest::newRow("9 is top left") << 9 << 0 << 0;
        QTest::newRow("-1 is top left") << -1 << 0 << 0;
    }
    void anchorCells()
    {
        QFETCH(int, location);
        QFETCH(int, horizontal);
        QFETCH(int, vertical);
        const QSize canvas(600, 400);
        WatermarkConf conf = plainTextLayer(QStringLiteral("HHHH"));
        conf.Location = location;
        const QRect ink = inkBox(drawn(conf, canvas));
        QVERIFY(!ink.isEmpty());
        const int expectedX[] = {0, canvas.width() / 2, canvas.width()};
        const int inkX[] = {ink.left(), ink.center().x(), ink.right() + 1};
        QVERIFY2(std::abs(inkX[horizontal] - expectedX[horizontal]) <= 5,
                 qPrintable(QString::number(inkX[horizontal])));
        // "H" sits on the baseline: its top is the cap height below the box top and its bottom
        // the descent above the box bottom, both less than a third of the em size.
        const int expectedY[] = {0, canvas.height() / 2, canvas.height()};
        const int inkY[] = {ink.top(), ink.center().y(), ink.bottom() + 1};
        QVERIFY2(std::abs(inkY[vertical] - expectedY[vertical]) <= 13,
                 qPrintable(QString::number(inkY[vertical])));
    }

    // A positive rotation turns the text counter-clockwise about its anchor: at the top-left
    // corner it leaves the canvas upwards, and an offset brings it back, running upwards.
    void rotationTurnsCounterClockwise()
    {
        const QSize canvas(400, 500);
        WatermarkConf conf = plainTextLayer();
        conf.Rotation = 90;
        QVERIFY(inkBox(drawn(conf, canvas)).isEmpty());

        conf.OffsetV = 400;
        const QRect ink = inkBox(drawn(conf, canvas));
        QVERIFY(!ink.isEmpty());
        QVERIFY(ink.height() > 3 * ink.width());
        QVERIFY(ink.bottom() <= 401);
        QVERIFY(ink.left() >= 0 && ink.right() < 60);
    }

    void pictureSize_data()
    {
        QTest::addColumn<int>("imageWidth");
        QTest::addColumn<int>("imageHeight");
        QTest::addColumn<int>("scale");
        QTest::addColumn<int>("canvasWidth");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("own size") << 0 << 0 << 0 << 677 << QSize(50, 30);
        QTest::newRow("set size") << 200 << 100 << 0 << 1354 << QSize(200, 100);
        QTest::newRow("scaled to the photo") << 200 << 100 << 1 << 1354 << QSize(400, 200);
        QTest::newRow("scaled on the design width") << 200 << 100 << 1 << 677 << QSize(200, 100);
        QTest::newRow("width 0 scaling on is own size") << 0 << 100 << 1 << 1354 << QSize(50, 30);
        QTest::newRow("integer arithmetic") << 201 << 99 << 1 << 1000 << QSize(296, 145);
    }
    void pictureSize()
    {
        QFETCH(int, imageWidth);
        QFETCH(int, imageHeight);
        QFETCH(int, scale);
        QFETCH(int, canvasWidth);
        QFETCH(QSize, expected);
        WatermarkConf conf = pictureOnlyLayer(pictureFile(QSize(50, 30), Qt::red));
        conf.ImageWidth = imageWidth;
        conf.ImageHeight = imageHeight;
        conf.ScaleImgWT = scale;
        const QRect ink = inkBox(drawn(conf, QSize(canvasWidth, 1250)));
        QCOMPARE(ink, QRect(QPoint(0, 0), expected));
    }

    void pictureAnchor_data()
    {
        QTest::addColumn<int>("location");
        QTest::addColumn<QPoint>("topLeft");
        // Canvas 301 x 201, picture 51 x 31: centred = W * 0.5 - (w div 2), truncated.
        QTest::newRow("top left") << 0 << QPoint(0, 0);
        QTest::newRow("centre") << 4 << QPoint(125, 85);
        QTest::newRow("bottom right") << 8 << QPoint(250, 170);
        QTest::newRow("bottom centre") << 7 << QPoint(125, 170);
        QTest::newRow("outside the grid") << 12 << QPoint(0, 0);
    }
    void pictureAnchor()
    {
        QFETCH(int, location);
        QFETCH(QPoint, topLeft);
        WatermarkConf conf = pictureOnlyLayer(pictureFile(QSize(51, 31), Qt::blue));
        conf.ImageLocation = location;
        QCOMPARE(inkBox(drawn(conf, QSize(301, 201))), QRect(topLeft, QSize(51, 31)));
    }

    void pictureAlpha_data()
    {
        QTest::addColumn<int>("pictureAlpha");
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("alpha");
        QTest::newRow("opaque") << 255 << 100 << 255;
        QTest::newRow("half") << 255 << 50 << 128;
        QTest::newRow("invisible") << 255 << 0 << 0;
        QTest::newRow("raised") << 128 << 150 << 192;
        QTest::newRow("raised by the largest factor") << 128 << std::numeric_limits<int>::max() << 255;
    }
    void pictureAlpha()
    {
        QFETCH(int, pictureAlpha);
        QFETCH(int, percent);
        QFETCH(int, alpha);
        WatermarkConf conf = pictureOnlyLayer(pictureFile(QSize(40, 40), QColor(255, 0, 0, pictureAlpha)));
        conf.ImageTransparency = percent;
        const QImage image = drawnOnTransparent(conf, QSize(100, 100));
        QVERIFY2(std::abs(qAlpha(image.pixel(20, 20)) - alpha) <= 1,
                 qPrintable(QString::number(qAlpha(image.pixel(20, 20)))));
        QCOMPARE(qAlpha(image.pixel(60, 60)), 0);
    }

    void pictureRotatesCounterClockwise()
    {
        WatermarkConf conf = pictureOnlyLayer(pictureFile(QSize(80, 20), Qt::red));
        conf.ImageOffsetH = 100;
        conf.ImageOffsetV = 100;
        conf.ImageRotation = 90;
        const QRect ink = inkBox(drawn(conf, QSize(200, 200)));
        // Turned about its top-left corner (100, 100): it now runs upwards from there.
        QVERIFY(std::abs(ink.left() - 100) <= 1 && std::abs(ink.right() - 119) <= 1);
        QVERIFY(std::abs(ink.top() - 20) <= 1 && std::abs(ink.bottom() - 99) <= 1);
    }

    // The fill's alpha is Transparency; the outline has its own alpha.
    void outlineWithInvisibleFill()
    {
        WatermarkConf conf = plainTextLayer();
        conf.Transparency = 0;
        QVERIFY(inkBox(drawn(conf, QSize(400, 100))).isEmpty());
        conf.BDrawEdge = 1;
        conf.EdgeColor = colorRef(0, 0, 255);
        const QImage image = drawn(conf, QSize(400, 100));
        QVERIFY(countPixels(image, near(Qt::blue)) > 100);
        QCOMPARE(countPixels(image, near(Qt::black, 30)), 0);
    }

    void depthCopies_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("copies");
        QTest::addColumn<QPoint>("reach"); // how far the copies stick out beyond the text
        QTest::newRow("up left") << 0 << 6 << QPoint(-7, -7);
        QTest::newRow("up right") << 1 << 6 << QPoint(7, -7);
        QTest::newRow("down left") << 2 << 6 << QPoint(-7, 7);
        QTest::newRow("down right") << 3 << 6 << QPoint(7, 7);
        QTest::newRow("nearest is two away") << 3 << 1 << QPoint(2, 2);
        QTest::newRow("no copies") << 3 << 0 << QPoint(0, 0);
        QTest::newRow("direction 4 draws none") << 4 << 6 << QPoint(0, 0);
    }
    void depthCopies()
    {
        QFETCH(int, position);
        QFETCH(int, copies);
        QFETCH(QPoint, reach);
        WatermarkConf conf = plainTextLayer(QStringLiteral("HIH"));
        conf.OffsetH = 30;
        conf.OffsetV = 30;
        conf.B3DText = 1;
        conf.TDTextColor = colorRef(255, 0, 0);
        conf.TDTextPos = position;
        conf.TDTextOffset = copies;
        const QImage image = drawn(conf, QSize(300, 150));
        const QRect text = boxOf(image, near(Qt::black, 60));
        const QRect all = inkBox(image, 100);
        QVERIFY(!text.isEmpty());
        const QPoint lowReach(all.left() - text.left(), all.top() - text.top());
        const QPoint highReach(all.right() - text.right(), all.bottom() - text.bottom());
        const QPoint measured(reach.x() < 0 ? lowReach.x() : highReach.x(),
                              reach.y() < 0 ? lowReach.y() : highReach.y());
        QVERIFY2(std::abs(measured.x() - reach.x()) <= 1 && std::abs(measured.y() - reach.y()) <= 1,
                 qPrintable(QStringLiteral("%1, %2").arg(measured.x()).arg(measured.y())));
        if (reach.isNull())
            QCOMPARE(countPixels(image, near(Qt::red)), 0);
    }

    void shadowOffset_data()
    {
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        QTest::newRow("right and down") << 20 << 10;
        QTest::newRow("left and up") << -15 << -5;
    }
    void shadowOffset()
    {
        QFETCH(int, dx);
        QFETCH(int, dy);
        WatermarkConf conf = plainTextLayer(QStringLiteral("HIH"));
        conf.OffsetH = 60;
        conf.OffsetV = 60;
        const QRect text = inkBox(drawn(conf, QSize(300, 200)));
        conf.BFillText = 0;
        conf.BAddShadow = 1;
        conf.ShadowAlpha = 200;
        conf.ShadowBR = 0;
        conf.ShadowH = dx;
        conf.ShadowV = dy;
        const QImage shadowImage = drawn(conf, QSize(300, 200));
        const QRect shadow = inkBox(shadowImage, 30);
        QVERIFY(!shadow.isEmpty());
        // The rings reach half the widest pen (8 / 2) beyond the outline.
        const QPointF shift = QRectF(shadow).center() - QRectF(text).center();
        QVERIFY(std::abs(shift.x() - dx) <= 1.5 && std::abs(shift.y() - dy) <= 1.5);
        QVERIFY(shadow.width() > text.width() && shadow.width() <= text.width() + 10);

        // The stored shadow colour is not drawn: the shadow is always black.
        conf.ShadowColor = colorRef(255, 0, 0);
        QCOMPARE(drawn(conf, QSize(300, 200)), shadowImage);
    }

    void gradientRunsAcrossTheBox()
    {
        WatermarkConf conf = plainTextLayer(QStringLiteral("MMMMMMMM"));
        conf.OffsetV = 10;
        conf.BFillText = 0;
        conf.BGradientText = 1;
        conf.GradientBeginColor = colorRef(255, 0, 0);
        conf.GradientEndColor = colorRef(0, 0, 255);
        const QImage image = drawn(conf, QSize(400, 80));
        const QRect ink = inkBox(image);
        QVERIFY(!ink.isEmpty());
        const QRect left = boxOf(image, [](QRgb p) { return qRed(p) > 150 && qBlue(p) < 100; });
        const QRect right = boxOf(image, [](QRgb p) { return qBlue(p) > 150 && qRed(p) < 100; });
        QVERIFY(!left.isEmpty() && !right.isEmpty());
        QVERIFY(left.center().x() < ink.center().x());
        QVERIFY(right.center().x() > ink.center().x());
    }

    void coverCopies_data()
    {
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("repeated");
        QTest::newRow("outlined") << 0 << QStringLiteral("Ab") << true;
        QTest::newRow("filled") << 1 << QStringLiteral("Ab") << true;
        QTest::newRow("other method draws none") << 2 << QStringLiteral("Ab") << false;
        QTest::newRow("wider than the canvas")
            << 1 << QStringLiteral("Lumora Plenum Lumora Plenum Lumora") << false;
    }
    void coverCopies()
    {
        QFETCH(int, method);
        QFETCH(QString, text);
        QFETCH(bool, repeated);
        const QSize canvas(600, 400);
        WatermarkConf conf = plainTextLayer(text);
        const QImage single = drawn(conf, canvas);
        conf.BCoverImage = 1;
        conf.coverImgMethod = method;
        const QImage covered = drawn(conf, canvas);
        if (!repeated) {
            QCOMPARE(covered, single);
            return;
        }
        // Copies fill the canvas: ink well away from the layer's own text.
        const auto dark = [](QRgb p) { return qGray(p) < 160; };
        QVERIFY(countPixels(covered, dark) > 5 * countPixels(single, dark));
        QVERIFY(!boxOf(covered.copy(300, 200, 300, 200), dark).isEmpty());
    }

    // Counts from a hand-edited layer file cannot stall a render.
    void extremeCountsFinish_data()
    {
        QTest::addColumn<int>("field");
        QTest::newRow("3D copies") << 0;
        QTest::newRow("shadow radius") << 1;
        QTest::newRow("outline width") << 2;
        QTest::newRow("tiny repeated text") << 3;
        QTest::newRow("huge picture size") << 4;
    }
    void extremeCountsFinish()
    {
        QFETCH(int, field);
        constexpr int kHuge = std::numeric_limits<int>::max();
        WatermarkConf conf = plainTextLayer();
        conf.Rotation = 30;
        conf.Location = 4;
        switch (field) {
        case 0:
            conf.B3DText = 1;
            conf.TDTextOffset = kHuge;
            break;
        case 1:
            conf.BAddShadow = 1;
            conf.ShadowBR = kHuge;
            break;
        case 2:
            conf.BDrawEdge = 1;
            conf.EdgeLineThickness = kHuge;
            break;
        case 3:
            conf.Font.lfHeight = -2;
            conf.BCoverImage = 1;
            conf.coverImgMethod = 0;
            conf.EdgeLineThickness = 1;
            break;
        case 4:
            conf.ImagePathName = pictureFile(QSize(20, 20), Qt::green);
            conf.ImageWidth = kHuge;
            conf.ImageHeight = kHuge;
            conf.ScaleImgWT = 1;
            break;
        }
        QElapsedTimer timer;
        timer.start();
        const QImage image = drawn(conf, QSize(2000, 1500));
        QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!inkBox(image).isEmpty());
    }
};

QTEST_MAIN(LayerDrawingTest)
#include "tst_LayerDrawing.moc"
