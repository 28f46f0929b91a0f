// Layer values at the ends of their ranges, as a hand-edited layer file may hold them: each
// layer is drawn on a photo of 24 megapixels in under 10 seconds, and leaves a plausible
// picture (its mark where the mark should be).
#include <QTest>

#include <ctime>
#include <limits>

#include "RenderTestSupport.h"
#include "services/imaging/text/ApplicationFonts.h"

using namespace RenderTestSupport;

Q_DECLARE_METATYPE(WatermarkConf)

namespace {

constexpr int kHuge = std::numeric_limits<int>::max();

// The bound on one photo, in CPU time of the process (all its threads), so that it holds on a
// machine busy with other work. The sanitizer build runs many times slower.
#ifdef LUMORA_SANITIZE
constexpr qint64 kBoundMs = 10 * 10000;
#else
constexpr qint64 kBoundMs = 10000;
#endif

const QSize kPhoto(6000, 4000);

// 2048 characters on one line, or broken into lines of `perLine` characters.
QString longText(int perLine = 0)
{
    QString text = QStringLiteral("Lumora For Win ").repeated(140).left(2048);
    for (qsizetype i = perLine - 1; perLine > 0 && i < text.size(); i += perLine)
        text[i] = QChar(u'\n');
    return text;
}

WatermarkConf textLayer(const QString& text, int fontHeight)
{
    WatermarkConf conf;
    conf.textContent = text;
    conf.Font.lfHeight = fontHeight;
    conf.ScaleTextWT = 0;
    conf.TextColor = colorRef(0, 0, 0);
    conf.EdgeColor = colorRef(0, 0, 255);
    conf.TDTextColor = colorRef(255, 0, 0);
    return conf;
}

} // namespace

class LayerCostTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { registerApplicationFonts(); }

    void extremeLayerFinishes_data()
    {
        QTest::addColumn<WatermarkConf>("conf");
        QTest::addColumn<QRect>("area");    // where the mark must show
        QTest::addColumn<QColor>("colour"); // the mark's colour
        QTest::addColumn<double>("share");  // the least share of the area in that colour
        const QRect photo(QPoint(0, 0), kPhoto);
        const QColor blue(0, 0, 255);
        const QColor red(255, 0, 0);

        WatermarkConf tiledWidePen = textLayer(QStringLiteral("Lumora For Win"), 1);
        tiledWidePen.BCoverImage = 1;
        tiledWidePen.coverImgMethod = 0;
        tiledWidePen.EdgeLineThickness = 1000;
        QTest::newRow("repetition outlined with a 1000 px pen, 1 px font")
            << tiledWidePen << QRect(3000, 2000, 3000, 2000) << blue << 0.08;

        WatermarkConf tiledLong = textLayer(longText(), -1);
        tiledLong.BCoverImage = 1;
        tiledLong.coverImgMethod = 0;
        QTest::newRow("repetition outlined, 2048 characters 1 px high")
            << tiledLong << QRect(3000, 2000, 3000, 2000) << blue << 0.02;

        WatermarkConf outlined = textLayer(longText(100), -60);
        outlined.Location = 0;
        outlined.Rotation = 0;
        outlined.BDrawEdge = 1;
        outlined.EdgeLineThickness = kHuge;
        QTest::newRow("outline of the largest width around 2048 characters on 21 lines of 60 px")
            << outlined << QRect(0, 0, 3000, 1500) << blue << 0.4;

        WatermarkConf deep = textLayer(longText(), -20);
        deep.B3DText = 1;
        deep.TDTextOffset = kHuge;
        QTest::newRow("3D copies two billion deep under 2048 characters") << deep << photo << red << 0.5;

        WatermarkConf editorDepth = textLayer(longText(60), -100);
        editorDepth.Location = 0;
        editorDepth.Rotation = 0;
        editorDepth.B3DText = 1;
        editorDepth.TDTextOffset = 50;
        QTest::newRow("50 3D copies under 2048 characters on 35 lines of 100 px")
            << editorDepth << QRect(0, 0, 3000, 2000) << red << 0.3;

        WatermarkConf huge = textLayer(longText(), -4000);
        huge.Location = 0;
        huge.Rotation = 0;
        huge.BDrawEdge = 1;
        huge.EdgeLineThickness = 1000;
        huge.BGradientText = 1;
        QTest::newRow("2048 characters 4000 px high, outlined, with a gradient")
            << huge << photo << blue << 0.2;

        WatermarkConf everything = textLayer(longText(), -20);
        everything.ScaleTextWT = 1;
        everything.BAddShadow = 1;
        everything.ShadowBR = kHuge;
        everything.ShadowAlpha = 255;
        everything.BDrawEdge = 1;
        everything.EdgeLineThickness = kHuge;
        everything.B3DText = 1;
        everything.TDTextOffset = kHuge;
        everything.BGradientText = 1;
        everything.BCoverImage = 1;
        everything.coverImgMethod = 0;
        QTest::newRow("every effect at its limit, scaled with the photo")
            << everything << photo << red << 0.5;

        WatermarkConf endless = everything;
        endless.textContent = QStringLiteral("Lumora For Win ").repeated(8000).left(100000);
        for (qsizetype i = 199; i < endless.textContent.size(); i += 200)
            endless.textContent[i] = QChar(u'\n');
        endless.ScaleTextWT = 0;
        endless.Location = 0;
        endless.Rotation = 0;
        QTest::newRow("every effect on 100000 characters in lines of 200") << endless << photo << blue << 0.3;
    }

    void extremeLayerFinishes()
    {
        QFETCH(WatermarkConf, conf);
        QFETCH(QRect, area);
        QFETCH(QColor, colour);
        QFETCH(double, share);

        QImage photo(kPhoto, QImage::Format_RGB32);
        photo.fill(Qt::white);
        const std::clock_t started = std::clock();
        {
            QPainter painter(&photo);
            WatermarkCompositor::drawLayer(painter, conf, kPhoto, 250'000'000);
        }
        const qint64 cpuMs = qint64(std::clock() - started) * 1000 / CLOCKS_PER_SEC;
        QVERIFY2(cpuMs < kBoundMs, qPrintable(QStringLiteral("%1 ms of CPU").arg(cpuMs)));

        const QImage part = photo.copy(area);
        const double found = double(countPixels(part, near(colour))) / (double(area.width()) * area.height());
        QVERIFY2(found >= share,
                 qPrintable(QStringLiteral("%1 of the area in the mark's colour").arg(found)));
    }
};

QTEST_MAIN(LayerCostTest)
#include "tst_LayerCost.moc"
