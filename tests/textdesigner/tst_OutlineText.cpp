#include <QDir>
#include <QTest>

#include "PaintProbe.h"
#include "services/imaging/text/ApplicationFonts.h"
#include "textdesigner/DiffusedShadowStrategy.h"
#include "textdesigner/OutlineText.h"

using namespace TextDesigner;
using namespace PaintProbe;

namespace {

const QString kFamily = QStringLiteral("Tahoma");
const QString kText = QStringLiteral("Lumora");
const QPoint kPoint(60, 60);
constexpr int kEm = 60;

bool drawText(OutlineText& engine, QImage& image, const QPoint& point = kPoint)
{
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    return engine.DrawTextAt(&painter, &kFamily, FontStyleRegular, kEm, kText, point,
                             &StringFormat::genericTypographic());
}

const DiffusedShadowStrategy* diffused(const ITextStrategy* strategy)
{
    return dynamic_cast<const DiffusedShadowStrategy*>(strategy);
}

} // namespace

class OutlineTextTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { registerApplicationFonts(); }

    // Without both an installed and an enabled shadow nothing is drawn; with no text-body
    // strategy the result is always false.
    void drawsNothingUnlessShadowReady_data()
    {
        QTest::addColumn<bool>("install");
        QTest::addColumn<bool>("enable");
        QTest::addColumn<bool>("clear");
        QTest::newRow("fresh engine") << false << false << false;
        QTest::newRow("enabled without strategy") << false << true << false;
        QTest::newRow("installed, not enabled") << true << false << false;
        QTest::newRow("installed, enabled, cleared") << true << true << true;
    }

    void drawsNothingUnlessShadowReady()
    {
        QFETCH(bool, install);
        QFETCH(bool, enable);
        QFETCH(bool, clear);
        OutlineText engine;
        if (install)
            engine.SetDiffusedShadow(0xFF000000, 8, 2, 2);
        engine.SetShadowEnabled(enable);
        if (clear) {
            engine.ClearShadowStrategies();
            QVERIFY(engine.isShadowEnabled());
        }
        QImage image = blank();
        QVERIFY(!drawText(engine, image));
        QCOMPARE(totalAlpha(image), 0);
    }

    // Installed and enabled: exactly the shadow strategy's rings, at the point shifted by the
    // offset; negative offsets shift up and left.
    void drawsShadowAtOffset_data()
    {
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        QTest::addColumn<bool>("enableFirst");
        QTest::newRow("no offset") << 0 << 0 << false;
        QTest::newRow("down right") << 5 << 7 << false;
        QTest::newRow("up left") << -6 << -4 << true;
        QTest::newRow("mixed") << 12 << -3 << true;
    }

    void drawsShadowAtOffset()
    {
        QFETCH(int, dx);
        QFETCH(int, dy);
        QFETCH(bool, enableFirst);
        const ARGB colour = 0x30000000;
        OutlineText engine;
        if (enableFirst)
            engine.SetShadowEnabled(true);
        engine.SetDiffusedShadow(colour, 8, dx, dy);
        if (!enableFirst)
            engine.SetShadowEnabled(true);
        QImage image = blank();
        QVERIFY(!drawText(engine, image));

        DiffusedShadowStrategy rings;
        rings.Init(0, colour, 8, true);
        QImage expected = blank();
        {
            QPainter painter(&expected);
            painter.setRenderHint(QPainter::Antialiasing);
            rings.DrawTextAt(&painter, &kFamily, FontStyleRegular, kEm, kText, kPoint + QPoint(dx, dy),
                             &StringFormat::genericTypographic());
        }
        QCOMPARE(image, expected);

        OutlineText unshifted;
        unshifted.SetDiffusedShadow(colour, 8, 0, 0);
        unshifted.SetShadowEnabled(true);
        QImage reference = blank();
        drawText(unshifted, reference);
        QVERIFY(totalAlpha(reference) > 0);
        QCOMPARE(paintedBounds(image), paintedBounds(reference).translated(dx, dy));
    }

    void thicknessZeroDrawsNothingVisible()
    {
        OutlineText engine;
        engine.SetDiffusedShadow(0xFF000000, 0, 3, 3);
        engine.SetShadowEnabled(true);
        QImage image = blank();
        QVERIFY(!drawText(engine, image));
        QCOMPARE(totalAlpha(image), 0);
    }

    // The shadow follows the surface's world transform, like the text it belongs to.
    void shadowFollowsWorldTransform()
    {
        OutlineText engine;
        engine.SetDiffusedShadow(0xFF000000, 4, 0, 0);
        engine.SetShadowEnabled(true);
        QImage plain = blank();
        drawText(engine, plain);
        QImage moved = blank();
        {
            QPainter painter(&moved);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.translate(40, 25);
            engine.DrawTextAt(&painter, &kFamily, 0, kEm, kText, kPoint, &StringFormat::genericTypographic());
        }
        QCOMPARE(paintedBounds(moved), paintedBounds(plain).translated(40, 25));
    }

    void setDiffusedShadowInstallsBothStrategies_data()
    {
        QTest::addColumn<uint>("colour");
        QTest::addColumn<int>("thickness");
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<uint>("maskColour");
        QTest::newRow("compositor default") << 0x0C000000u << 8 << 2 << 2 << false << 0xFF0CFFFFu;
        QTest::newRow("opaque, enabled before") << 0xFF000000u << 18 << -5 << 7 << true << 0xFFFFFFFFu;
        QTest::newRow("coloured, transparent") << 0x00336699u << 0 << 0 << 0 << false << 0xFF00FFFFu;
    }

    void setDiffusedShadowInstallsBothStrategies()
    {
        QFETCH(uint, colour);
        QFETCH(int, thickness);
        QFETCH(int, dx);
        QFETCH(int, dy);
        QFETCH(bool, enabled);
        QFETCH(uint, maskColour);
        OutlineText engine;
        engine.SetShadowEnabled(enabled);
        engine.SetDiffusedShadow(0xFFFFFFFF, 3, 9, 9); // replaced by the second call
        engine.SetDiffusedShadow(colour, thickness, dx, dy);

        QCOMPARE(engine.shadowColour(), colour);
        QCOMPARE(engine.shadowOffsetX(), dx);
        QCOMPARE(engine.shadowOffsetY(), dy);
        QCOMPARE(engine.shadowThickness(), thickness);
        QCOMPARE(engine.isShadowEnabled(), enabled);
        QVERIFY(!engine.textStrategy());

        const DiffusedShadowStrategy* shadow = diffused(engine.shadowStrategy());
        QVERIFY(shadow);
        QCOMPARE(shadow->textColour, 0u);
        QCOMPARE(shadow->outlineColour, colour);
        QCOMPARE(shadow->thickness, thickness);
        QVERIFY(shadow->fillOnce);

        const DiffusedShadowStrategy* mask = diffused(engine.maskStrategy());
        QVERIFY(mask);
        QCOMPARE(mask->textColour, maskColour);
        QCOMPARE(mask->outlineColour, 0u);
        QCOMPARE(mask->thickness, 0);
        QVERIFY(mask->fillOnce);

        engine.ClearShadowStrategies();
        QVERIFY(!engine.shadowStrategy() && !engine.maskStrategy());
        QCOMPARE(engine.isShadowEnabled(), enabled);
    }

    void shadowBackgroundOwnership()
    {
        OutlineText engine;
        engine.CreateShadowBackground(0x80102030, 30, 20);
        QVERIFY(engine.shadowBackground());
        QCOMPARE(engine.shadowBackground()->size(), QSize(30, 20));
        QCOMPARE(engine.shadowBackground()->pixel(29, 19), 0x80102030u);

        for (const QSize& bad : {QSize(0, 20), QSize(30, -1)}) {
            engine.CreateShadowBackground(0xFF000000, bad.width(), bad.height());
            QVERIFY(!engine.shadowBackground());
        }

        // A caller's background stays the caller's: it outlives the engine untouched.
        QImage callers(16, 16, QImage::Format_ARGB32);
        callers.fill(0xFF00FF00);
        {
            OutlineText borrowing;
            borrowing.CreateShadowBackground(0xFF000000, 8, 8);
            borrowing.SetShadowBackground(&callers);
            QCOMPARE(borrowing.shadowBackground(), &callers);
        }
        QCOMPARE(callers.pixel(5, 5), 0xFF00FF00u);
    }

    // With a background, the shadow and the text mask go into the background, not the canvas.
    void drawsIntoShadowBackground()
    {
        OutlineText engine;
        engine.SetDiffusedShadow(0x80000000, 6, 4, 4);
        engine.SetShadowEnabled(true);
        engine.CreateShadowBackground(0x00000000, 420, 300);
        QImage canvas = blank();
        QVERIFY(!drawText(engine, canvas));
        QCOMPARE(totalAlpha(canvas), 0);
        QVERIFY(totalAlpha(*engine.shadowBackground()) > 0);
        // The mask's fill carries the shadow alpha in its red channel.
        const QRect glyphs = paintedBounds(*engine.shadowBackground());
        bool maskSeen = false;
        for (int y = glyphs.top(); y <= glyphs.bottom() && !maskSeen; ++y)
            for (int x = glyphs.left(); x <= glyphs.right() && !maskSeen; ++x)
                maskSeen = engine.shadowBackground()->pixel(x, y) == 0xFF80FFFFu;
        QVERIFY(maskSeen);
    }

    void measuresDrawnExtent()
    {
        float width = -1, height = -1;
        OutlineText fresh;
        QVERIFY(!fresh.MeasureTextAt(nullptr, &kFamily, 0, kEm, kText, kPoint, nullptr, &width, &height));
        QCOMPARE(width, 0.0f);

        OutlineText engine;
        engine.SetDiffusedShadow(0xFF000000, 8, 5, -3);
        engine.SetShadowEnabled(true);
        QVERIFY(engine.MeasureTextAt(nullptr, &kFamily, 0, kEm, kText, kPoint, nullptr, &width, &height));
        float expectedWidth = 0, expectedHeight = 0;
        engine.shadowStrategy()->MeasureTextAt(nullptr, &kFamily, 0, kEm, kText, kPoint, nullptr,
                                               &expectedWidth, &expectedHeight);
        QCOMPARE(width, expectedWidth);
        QCOMPARE(height, expectedHeight);
        QVERIFY(width > 8 && height > 8);

        engine.SetShadowEnabled(false);
        QVERIFY(!engine.MeasureGdiTextTightAt(nullptr, defaultFontRecord(), kText, kPoint, &width, &height));
    }

    // A picture for people to look at: a layer text with its diffused shadow.
    void savesScreenshot()
    {
        QImage image(520, 160, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(236, 232, 222));
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        OutlineText engine;
        engine.SetShadowEnabled(true);
        engine.SetDiffusedShadow(0x30000000, 12, 4, 4);
        engine.DrawTextAt(&painter, &kFamily, 0, 64, QStringLiteral("Lumora For Win"), QPoint(30, 40),
                          &StringFormat::genericTypographic());
        painter.fillPath(textPathAt(DrawingFont{kFamily, 64, 0}, QStringLiteral("Lumora For Win"),
                                    QPointF(30, 40), &StringFormat::genericTypographic()),
                         QColor(30, 90, 160));
        painter.end();
        const QString dir = QStringLiteral(LUMORA_BUILD_DIR "/screenshots");
        QDir().mkpath(dir);
        QVERIFY(image.save(dir + QStringLiteral("/text_diffused_shadow.png")));
    }
};

QTEST_MAIN(OutlineTextTest)
#include "tst_OutlineText.moc"
