#include <QTest>

#include "PaintProbe.h"
#include "services/imaging/text/ApplicationFonts.h"
#include "services/imaging/text/GdiFont.h"
#include "textdesigner/DiffusedShadowStrategy.h"

using namespace TextDesigner;
using namespace PaintProbe;

namespace {

const QString kFamily = QStringLiteral("Tahoma");
const QPoint kPoint(40, 10);
constexpr int kEm = 200;

// Draws "H" with a strategy onto a fresh anti-aliased canvas.
QImage drawH(DiffusedShadowStrategy& strategy, bool* result = nullptr)
{
    QImage image = blank();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool ok = strategy.DrawTextAt(&painter, &kFamily, FontStyleBold, kEm, QStringLiteral("H"), kPoint,
                                        &StringFormat::genericTypographic());
    if (result)
        *result = ok;
    return image;
}

LOGFONTW gdiRecord(int height)
{
    LOGFONTW lf = defaultFontRecord();
    lf.lfHeight = height;
    lf.lfWeight = 700;
    return lf;
}

} // namespace

class DiffusedShadowStrategyTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { registerApplicationFonts(); }

    // With a transparent fill only the rings show: dense at the outline, fading outwards to
    // half the thickness, nothing deep inside the glyph or far outside it.
    void transparentFillLeavesOnlyRings()
    {
        DiffusedShadowStrategy strategy;
        strategy.Init(0, 0x40000000, 8, true);
        bool result = false;
        const QImage image = drawH(strategy, &result);
        QVERIFY(result);

        const QPainterPath path = textPath(kFamily, kEm, QStringLiteral("H"), kPoint);
        const QImage fill = coverage(path, 0);
        const QImage within1 = coverage(path, 2);
        const QImage within3 = coverage(path, 6);
        const QImage within5 = coverage(path, 10);
        const QImage within6 = coverage(path, 12);
        Stats deepInside, farOutside, atEdge, fading;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const int alpha = qAlpha(image.pixel(x, y));
                if (!touched(within6, x, y))
                    (covered(fill, x, y) ? deepInside : farOutside).add(alpha);
                else if (covered(within1, x, y) && !touched(fill, x, y))
                    atEdge.add(alpha);
                else if (covered(within5, x, y) && !touched(within3, x, y) && !touched(fill, x, y))
                    fading.add(alpha);
            }
        }
        QVERIFY(deepInside.count > 100 && farOutside.count > 100 && atEdge.count > 50 && fading.count > 50);
        QCOMPARE(deepInside.max, 0);
        QCOMPARE(farOutside.max, 0);
        QVERIFY2(atEdge.mean() > 150, qPrintable(QString::number(atEdge.mean())));
        QVERIFY2(atEdge.mean() > 2.5 * fading.mean(), qPrintable(QString::number(fading.mean())));
        QVERIFY(fading.max > 0);
    }

    // fillOnce false fills `thickness` times, so a semi-transparent fill piles up.
    void repeatedFillIsDenser_data()
    {
        QTest::addColumn<bool>("fillOnce");
        QTest::addColumn<int>("minAlpha");
        QTest::addColumn<int>("maxAlpha");
        QTest::newRow("fill once") << true << 60 << 68;
        // 1 - (1 - 64/255)^8 of full alpha
        QTest::newRow("fill eight times") << false << 225 << 235;
    }

    void repeatedFillIsDenser()
    {
        QFETCH(bool, fillOnce);
        QFETCH(int, minAlpha);
        QFETCH(int, maxAlpha);
        DiffusedShadowStrategy strategy;
        strategy.Init(0x40FF0000, 0, 8, fillOnce);
        const QImage image = drawH(strategy);
        const QPainterPath path = textPath(kFamily, kEm, QStringLiteral("H"), kPoint);
        const QImage fill = coverage(path, 0);
        const QImage edge = coverage(path, 4);
        Stats inside;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (covered(fill, x, y) && !touched(edge, x, y))
                    inside.add(qAlpha(image.pixel(x, y)));
        QVERIFY(inside.count > 100);
        QVERIFY2(inside.mean() >= minAlpha && inside.mean() <= maxAlpha,
                 qPrintable(QString::number(inside.mean())));
    }

    void thicknessZero_data()
    {
        QTest::addColumn<bool>("fillOnce");
        QTest::addColumn<bool>("drawsFill");
        QTest::newRow("fill once: one fill, no rings") << true << true;
        QTest::newRow("repeated fill: nothing") << false << false;
    }

    void thicknessZero()
    {
        QFETCH(bool, fillOnce);
        QFETCH(bool, drawsFill);
        DiffusedShadowStrategy strategy;
        strategy.Init(0xFF2050A0, 0xFFFF0000, 0, fillOnce);
        bool result = false;
        const QImage image = drawH(strategy, &result);
        QVERIFY(result);
        QImage expected = blank();
        if (drawsFill) {
            QPainter painter(&expected);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.fillPath(textPath(kFamily, kEm, QStringLiteral("H"), kPoint), QColor(0x20, 0x50, 0xA0));
        }
        QCOMPARE(image, expected);
    }

    void emptyStringDrawsNothing_data()
    {
        QTest::addColumn<int>("variant");
        QTest::newRow("at a point") << 0;
        QTest::newRow("in a rectangle") << 1;
        QTest::newRow("classic font at a point") << 2;
        QTest::newRow("classic font in a rectangle") << 3;
    }

    void emptyStringDrawsNothing()
    {
        QFETCH(int, variant);
        DiffusedShadowStrategy strategy;
        strategy.Init(0xFF000000, 0xFF000000, 8, false);
        QImage image = blank();
        QPainter painter(&image);
        const QString empty;
        bool result = false;
        switch (variant) {
        case 0:
            result = strategy.DrawTextAt(&painter, &kFamily, 0, 40, empty, kPoint, nullptr);
            break;
        case 1:
            result =
                strategy.DrawTextInRect(&painter, &kFamily, 0, 40, empty, QRect(10, 10, 200, 100), nullptr);
            break;
        case 2:
            result = strategy.DrawGdiTextAt(&painter, gdiRecord(-40), empty, kPoint);
            break;
        default:
            result = strategy.DrawGdiTextInRect(&painter, gdiRecord(-40), empty, QRect(10, 10, 200, 100));
            break;
        }
        painter.end();
        QVERIFY(result);
        QCOMPARE(totalAlpha(image), 0);
    }

    void failsWithoutPathOrSurface()
    {
        DiffusedShadowStrategy strategy;
        QImage image = blank();
        {
            QPainter painter(&image);
            QVERIFY(!strategy.DrawTextAt(&painter, &kFamily, 0, 0, QStringLiteral("x"), kPoint, nullptr));
            QVERIFY(!strategy.DrawTextAt(&painter, &kFamily, 0, -5, QStringLiteral("x"), kPoint, nullptr));
            float w = -1, h = -1;
            QVERIFY(!strategy.MeasureTextAt(&painter, &kFamily, 0, 0, QStringLiteral("x"), kPoint, nullptr,
                                            &w, &h));
            QCOMPARE(w, 0.0f);
            QCOMPARE(h, 0.0f);
        }
        QCOMPARE(totalAlpha(image), 0);
        QVERIFY(!strategy.DrawTextAt(nullptr, &kFamily, 0, 40, QStringLiteral("x"), kPoint, nullptr));
        QPainter inactive;
        QVERIFY(!strategy.DrawGdiTextAt(&inactive, gdiRecord(-40), QStringLiteral("x"), kPoint));
    }

    // A thickness from a hand-edited file cannot make a render stroke forever.
    void hugeThicknessIsBounded()
    {
        DiffusedShadowStrategy bounded;
        bounded.Init(0x20000000, 0x08000000, DiffusedShadowStrategy::kMaxPasses, false);
        DiffusedShadowStrategy huge;
        huge.Init(0x20000000, 0x08000000, 2000000000, false);
        const auto draw = [](DiffusedShadowStrategy& strategy) {
            QImage image = blank(200, 120);
            QPainter painter(&image);
            strategy.DrawTextAt(&painter, &kFamily, 0, 20, QStringLiteral("Hi"), QPoint(60, 40), nullptr);
            return image;
        };
        QCOMPARE(draw(huge), draw(bounded));
        float boundedWidth = 0, hugeWidth = 0;
        bounded.MeasureTextAt(nullptr, &kFamily, 0, 20, QStringLiteral("Hi"), QPoint(), nullptr,
                              &boundedWidth, nullptr);
        huge.MeasureTextAt(nullptr, &kFamily, 0, 20, QStringLiteral("Hi"), QPoint(), nullptr, &hugeWidth,
                           nullptr);
        QCOMPARE(hugeWidth, boundedWidth);
    }

    // The tight measure is the painted extent; the plain one also covers the text's cell.
    void measuresMatchPaintedExtent_data()
    {
        QTest::addColumn<int>("thickness");
        QTest::addColumn<QString>("text");
        QTest::newRow("no rings") << 0 << QStringLiteral("Lumora");
        QTest::newRow("eight rings") << 8 << QStringLiteral("Lumora");
        QTest::newRow("eighteen rings, descender") << 18 << QStringLiteral("Wjq");
    }

    void measuresMatchPaintedExtent()
    {
        QFETCH(int, thickness);
        QFETCH(QString, text);
        DiffusedShadowStrategy strategy;
        strategy.Init(0xFF000000, 0xFF000000, thickness, true);
        const LOGFONTW lf = gdiRecord(-50);
        const QPoint point(60, 50);
        QImage image = blank();
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            QVERIFY(strategy.DrawGdiTextAt(&painter, lf, text, point));
        }
        const QRect painted = paintedBounds(image);
        float tightWidth = 0, tightHeight = 0, plainWidth = 0, plainHeight = 0;
        QVERIFY(strategy.MeasureGdiTextTightAt(nullptr, lf, text, point, &tightWidth, &tightHeight));
        QVERIFY(strategy.MeasureGdiTextAt(nullptr, lf, text, point, &plainWidth, &plainHeight));
        QVERIFY2(qAbs(painted.width() - tightWidth) <= 2, qPrintable(QString::number(tightWidth)));
        QVERIFY2(qAbs(painted.height() - tightHeight) <= 2, qPrintable(QString::number(tightHeight)));
        QVERIFY(plainWidth >= tightWidth && plainHeight >= tightHeight);
        const GdiTextMetrics tm = GdiFont(lf).textMetrics();
        QVERIFY(plainHeight >= tm.height + thickness - 1);

        float familyWidth = 0, familyHeight = 0;
        QVERIFY(strategy.MeasureTextAt(nullptr, &kFamily, FontStyleBold, 50, text, point,
                                       &StringFormat::genericTypographic(), &familyWidth, &familyHeight));
        QVERIFY(familyWidth >= painted.width() - 2);
    }

    // The classic-font variants place the text's cell at the point, or centre it in the rectangle.
    void classicFontPlacement()
    {
        DiffusedShadowStrategy strategy;
        strategy.Init(0xFF000000, 0, 0, true);
        const LOGFONTW lf = gdiRecord(-60);
        const GdiTextMetrics tm = GdiFont(lf).textMetrics();

        QImage atPoint = blank();
        QImage inRect = blank();
        const QRect rect(20, 10, 380, 200);
        {
            QPainter a(&atPoint);
            QVERIFY(strategy.DrawGdiTextAt(&a, lf, QStringLiteral("H"), QPoint(100, 50)));
            QPainter b(&inRect);
            QVERIFY(strategy.DrawGdiTextInRect(&b, lf, QStringLiteral("H"), rect));
        }
        const QRect h = paintedBounds(atPoint);
        QVERIFY(h.left() >= 100 && h.left() < 100 + 15);
        QVERIFY(qAbs(h.bottom() + 1 - (50 + tm.ascent)) <= 1);

        const QRect centred = paintedBounds(inRect);
        const int cellTop = rect.top() + (rect.height() - tm.height) / 2;
        QVERIFY(qAbs(centred.center().x() - rect.center().x()) <= 2);
        QVERIFY(qAbs(centred.bottom() + 1 - (cellTop + tm.ascent)) <= 2);
    }
};

QTEST_MAIN(DiffusedShadowStrategyTest)
#include "tst_DiffusedShadowStrategy.moc"
