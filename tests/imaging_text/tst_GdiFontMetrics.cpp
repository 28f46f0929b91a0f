#include <QFile>
#include <QFontInfo>
#include <QTest>

#include <climits>

#include "services/imaging/text/ApplicationFonts.h"
#include "services/imaging/text/DrawingFont.h"
#include "services/imaging/text/GdiArithmetic.h"
#include "services/imaging/text/GdiFont.h"
#include "services/imaging/text/LogFontConversion.h"
#include "services/imaging/text/LogFontW.h"
#include "services/imaging/text/StringLayout.h"

namespace {

LOGFONTW record(int height, int width = 0, int weight = 400, const QString& face = QStringLiteral("Tahoma"))
{
    LOGFONTW lf = defaultFontRecord();
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfWeight = weight;
    lf.setFaceName(face);
    return lf;
}

bool tahomaInstalled()
{
    const QStringList files = applicationFontFiles();
    return !files.isEmpty() && QFile::exists(files.first());
}

} // namespace

class GdiFontMetricsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { registerApplicationFonts(); }

    void mulDiv_data()
    {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<int>("c");
        QTest::addColumn<int>("expected");
        QTest::newRow("exact") << 10 << 6 << 4 << 15;
        QTest::newRow("half rounds up") << 5 << 1 << 2 << 3;
        QTest::newRow("below half rounds down") << 7 << 1 << 3 << 2;
        QTest::newRow("above half rounds up") << 8 << 1 << 3 << 3;
        QTest::newRow("negative half away from zero") << -5 << 1 << 2 << -3;
        QTest::newRow("negative divisor") << 5 << 1 << -2 << -3;
        QTest::newRow("both negative") << -5 << 1 << -2 << 3;
        QTest::newRow("negative below half") << -7 << 1 << 3 << -2;
        QTest::newRow("points to pixels") << -38 << 96 << 72 << -51;
        QTest::newRow("64-bit product") << 2000000000 << 2000000000 << 2000000000 << 2000000000;
        QTest::newRow("zero divisor") << 12 << 34 << 0 << -1;
        QTest::newRow("zero divisor, zero product") << 0 << 0 << 0 << -1;
        QTest::newRow("result too large") << 2000000000 << 2 << 1 << -1;
        QTest::newRow("result too small") << INT_MIN << 1 << -1 << -1;
        QTest::newRow("smallest value fits") << INT_MIN << 1 << 1 << INT_MIN;
    }

    void mulDiv()
    {
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(int, c);
        QFETCH(int, expected);
        QCOMPARE(MulDiv(a, b, c), expected);
    }

    void tahomaResolvesToRegisteredFace()
    {
        if (!tahomaInstalled())
            QSKIP("Wine's Tahoma-compatible faces are not installed");
        QVERIFY(registerApplicationFonts().contains(QStringLiteral("Tahoma")));
        QCOMPARE(resolvedFamily(defaultFontRecord()), QStringLiteral("Tahoma"));
        QCOMPARE(QFontInfo(fontFromLogFont(defaultFontRecord())).family(), QStringLiteral("Tahoma"));
        LOGFONTW bold = defaultFontRecord();
        bold.lfWeight = 700;
        QCOMPARE(QFontInfo(GdiFont(bold).font()).family(), QStringLiteral("Tahoma"));
        QVERIFY(QFontInfo(GdiFont(bold).font()).bold());
    }

    void missingFaceFallsBack()
    {
        const LOGFONTW lf = record(-20, 0, 400, QStringLiteral("No Such Face 4711"));
        const DrawingFont font = DrawingFont::fromLogFont(lf);
        QVERIFY(!font.family.isEmpty());
        QCOMPARE(font.emSize, 20.0);
        QVERIFY(!layOutStringAt(font, QStringLiteral("Abc"), QPointF(0, 0), nullptr).path.isEmpty());
    }

    void drawingFontFromRecord_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("weight");
        QTest::addColumn<int>("flags"); // 1 italic, 2 underline, 4 strike-out
        QTest::addColumn<double>("emSize");
        QTest::addColumn<int>("style");
        QTest::newRow("default record") << -38 << 0 << 400 << 0 << 38.0 << int(FontStyleRegular);
        QTest::newRow("width is ignored") << -38 << 90 << 400 << 0 << 38.0 << int(FontStyleRegular);
        QTest::newRow("height zero") << 0 << 0 << 400 << 0 << 16.0 << int(FontStyleRegular);
        QTest::newRow("bold") << -12 << 0 << 700 << 0 << 12.0 << int(FontStyleBold);
        QTest::newRow("semi-bold counts as bold") << -12 << 0 << 600 << 0 << 12.0 << int(FontStyleBold);
        QTest::newRow("medium is regular") << -12 << 0 << 500 << 0 << 12.0 << int(FontStyleRegular);
        QTest::newRow("italic underline strike-out")
            << -30 << 0 << 400 << 7 << 30.0 << int(FontStyleItalic | FontStyleUnderline | FontStyleStrikeout);
    }

    void drawingFontFromRecord()
    {
        QFETCH(int, height);
        QFETCH(int, width);
        QFETCH(int, weight);
        QFETCH(int, flags);
        QFETCH(double, emSize);
        QFETCH(int, style);
        LOGFONTW lf = record(height, width, weight);
        lf.lfItalic = flags & 1;
        lf.lfUnderline = (flags >> 1) & 1;
        lf.lfStrikeOut = (flags >> 2) & 1;
        const DrawingFont font = DrawingFont::fromLogFont(lf);
        QCOMPARE(font.emSize, emSize);
        QCOMPARE(font.style, style);
        const QFont qfont = fontFromLogFont(lf);
        QCOMPARE(qfont.pixelSize(), qRound(emSize));
        QCOMPARE(qfont.italic(), (flags & 1) != 0);
        QCOMPARE(qfont.underline(), (flags & 2) != 0);
        QCOMPARE(qfont.strikeOut(), (flags & 4) != 0);
        QCOMPARE(int(qfont.weight()), weight);
    }

    // Negative heights are em heights; positive heights are cell heights (ascent + descent).
    void metricsFollowHeight_data()
    {
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("height");
        for (const QString& face : {QStringLiteral("Tahoma"), QStringLiteral("DejaVu Serif")}) {
            for (int height : {-11, -38, -120, 13, 46, 200})
                QTest::addRow("%s %d", qPrintable(face), height) << face << height;
        }
    }

    void metricsFollowHeight()
    {
        QFETCH(QString, face);
        QFETCH(int, height);
        const GdiFont font(record(height, 0, 400, face));
        const GdiTextMetrics tm = font.textMetrics();
        QCOMPARE(tm.height, tm.ascent + tm.descent);
        QVERIFY(tm.externalLeading >= 0);
        QVERIFY(tm.aveCharWidth > 0);
        QVERIFY(tm.maxCharWidth >= tm.aveCharWidth);
        if (height < 0) {
            QCOMPARE(font.emSize(), qreal(-height));
            QCOMPARE(tm.internalLeading, tm.height + height);
        } else {
            QVERIFY2(qAbs(tm.height - height) <= 1, qPrintable(QString::number(tm.height)));
            QCOMPARE(qRound(emSizeFromLogFont(record(height, 0, 400, face))), qRound(font.emSize()));
        }
        const GdiTextExtent extent = font.textExtent(QStringLiteral("Lumora"));
        QCOMPARE(extent.cy, tm.height);
        QVERIFY(extent.cx > 0);
    }

    void tahomaCellMetrics()
    {
        if (!tahomaInstalled())
            QSKIP("Wine's Tahoma-compatible faces are not installed");
        // Tahoma's cell is 2049 + 423 design units over an em of 2048.
        const GdiTextMetrics tm = GdiFont(record(-38)).textMetrics();
        QCOMPARE(tm.ascent, 38);
        QCOMPARE(tm.descent, 8);
        QCOMPARE(tm.height, 46);
        QCOMPARE(tm.externalLeading, 0);
        QCOMPARE(tm.internalLeading, 8);
    }

    void widthStretchesHorizontally_data()
    {
        QTest::addColumn<double>("factor");
        QTest::addColumn<bool>("negative");
        QTest::newRow("double") << 2.0 << false;
        QTest::newRow("half") << 0.5 << false;
        QTest::newRow("negative width counts by size") << 1.5 << true;
    }

    void widthStretchesHorizontally()
    {
        QFETCH(double, factor);
        QFETCH(bool, negative);
        const QString text = QStringLiteral("Lumora For Win");
        const GdiFont natural(record(-40));
        const int average = natural.textMetrics().aveCharWidth;
        const int width = qRound(average * factor) * (negative ? -1 : 1);
        const GdiFont stretched(record(-40, width));
        QCOMPARE(stretched.textMetrics().aveCharWidth, qAbs(width));
        QCOMPARE(stretched.textMetrics().height, natural.textMetrics().height);
        const double ratio = double(stretched.textExtent(text).cx) / natural.textExtent(text).cx;
        QVERIFY2(qAbs(ratio - double(qAbs(width)) / average) < 0.03, qPrintable(QString::number(ratio)));
        // The outlines stretch with the advances.
        const QRectF naturalInk = natural.layOutAt(text, QPoint()).path.boundingRect();
        const QRectF stretchedInk = stretched.layOutAt(text, QPoint()).path.boundingRect();
        QVERIFY(qAbs(stretchedInk.width() / naturalInk.width() - ratio) < 0.03);
        QCOMPARE(stretchedInk.height(), naturalInk.height());
    }

    void extentCountsTrailingSpacesAndFit()
    {
        const GdiFont font(record(-30));
        const GdiTextExtent word = font.textExtent(QStringLiteral("Lumora"));
        const GdiTextExtent spaced = font.textExtent(QStringLiteral("Lumora  "));
        QVERIFY(spaced.cx > word.cx);
        QCOMPARE(word.fit, 6);

        const GdiTextExtent none = font.textExtent(QStringLiteral("Lumora"), 0);
        QCOMPARE(none.fit, 0);
        QCOMPARE(none.cx, word.cx);
        const GdiTextExtent all = font.textExtent(QStringLiteral("Lumora"), word.cx);
        QCOMPARE(all.fit, 6);
        const GdiTextExtent some = font.textExtent(QStringLiteral("Lumora"), word.cx / 2);
        QVERIFY(some.fit > 0 && some.fit < 6);
        QVERIFY(font.textExtent(QStringLiteral("Lumora").left(some.fit)).cx <= word.cx / 2);
        QVERIFY(font.textExtent(QStringLiteral("Lumora").left(some.fit + 1)).cx > word.cx / 2);
    }

    // The auto-scaling of layer texts combines the drawing font's measure (default format)
    // with the classic extent and metrics; a photo of the design canvas's size must keep the
    // record's height and one of twice the size must double it.
    void autoScalingPrimitivesAgree_data()
    {
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("photoWidth");
        QTest::addColumn<int>("photoHeight");
        QTest::addColumn<double>("factor");
        for (const QString& face : {QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")}) {
            for (int height : {-38, -20, -75}) {
                QTest::addRow("%s %d same", qPrintable(face), height) << face << height << 677 << 625 << 1.0;
                QTest::addRow("%s %d double", qPrintable(face), height)
                    << face << height << 1354 << 1250 << 2.0;
            }
        }
    }

    void autoScalingPrimitivesAgree()
    {
        QFETCH(QString, face);
        QFETCH(int, height);
        QFETCH(int, photoWidth);
        QFETCH(int, photoHeight);
        QFETCH(double, factor);
        const QString text = QStringLiteral("Lumora For Win");
        const LOGFONTW lf = record(height, 0, 400, face);

        const QSizeF box =
            measureString(DrawingFont::fromLogFont(lf), text, QRectF(0, 0, 100000, 1000), nullptr);
        const int tw0 = int(box.width() * photoWidth / 677.0);
        const int th0 = int(box.height() * photoHeight / 625.0);
        LOGFONTW probe = lf;
        probe.lfHeight = -MulDiv(th0, kLogicalDpi, 72);
        probe.lfWidth = -MulDiv(tw0 / int(text.size()), kLogicalDpi, 72);
        const GdiFont probeFont(probe);
        const GdiTextExtent extent = probeFont.textExtent(text, tw0);
        const GdiTextMetrics tm = probeFont.textMetrics();
        const int scaledHeight = MulDiv(probe.lfHeight, th0, extent.cy - tm.externalLeading);
        const int scaledWidth = MulDiv(probe.lfWidth, tw0, extent.cx);

        const double expected = height * factor;
        QVERIFY2(qAbs(scaledHeight - expected) <= factor, qPrintable(QString::number(scaledHeight)));
        QVERIFY(scaledWidth < 0);
    }
};

QTEST_MAIN(GdiFontMetricsTest)
#include "tst_GdiFontMetrics.moc"
