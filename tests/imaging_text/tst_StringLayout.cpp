#include <QTest>

#include <thread>
#include <vector>

#include "services/imaging/text/ApplicationFonts.h"
#include "services/imaging/text/DrawingFont.h"
#include "services/imaging/text/FontFaceMetrics.h"
#include "services/imaging/text/LogFontConversion.h"
#include "services/imaging/text/StringLayout.h"

Q_DECLARE_METATYPE(DrawingFont)

namespace {

DrawingFont font(const QString& family, qreal em, int style = FontStyleRegular)
{
    return DrawingFont{family, em, style};
}

const QRectF kMeasureBox(0, 0, 100000, 1000);

} // namespace

class StringLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { registerApplicationFonts(); }

    void fonts_data()
    {
        QTest::addColumn<DrawingFont>("drawingFont");
        QTest::newRow("Tahoma 38") << font(QStringLiteral("Tahoma"), 38);
        QTest::newRow("Tahoma bold 12.5") << font(QStringLiteral("Tahoma"), 12.5, FontStyleBold);
        QTest::newRow("DejaVu Serif italic 90") << font(QStringLiteral("DejaVu Serif"), 90, FontStyleItalic);
        QTest::newRow("DejaVu Sans 7") << font(QStringLiteral("DejaVu Sans"), 7);
    }

    // "H" has flat sides, a flat top and sits on the baseline: its outline shows where the
    // layout put the text.
    void pathIsLaidOutFromTopLeft_data() { fonts_data(); }
    void pathIsLaidOutFromTopLeft()
    {
        QFETCH(DrawingFont, drawingFont);
        const QPointF origin(123.25, 47.5);
        const qreal em = drawingFont.emSize;
        const FontFaceMetrics metrics = FontFaceMetrics::of(faceFont(drawingFont.family, drawingFont.style));
        const qreal ascent = metrics.ascent(em);

        const LaidOutString typo =
            layOutStringAt(drawingFont, QStringLiteral("H"), origin, &StringFormat::genericTypographic());
        const QRectF ink = typo.path.boundingRect();
        QCOMPARE(typo.path.fillRule(), Qt::OddEvenFill);
        QCOMPARE(typo.box.topLeft(), origin);
        QCOMPARE(typo.ascent, ascent);
        QVERIFY2(qAbs(ink.bottom() - (origin.y() + ascent)) < em * 0.01, "baseline at top + ascent");
        QVERIFY(ink.top() > origin.y());
        QVERIFY(ink.left() >= origin.x() - em * 0.1); // italic glyphs lean a little
        QVERIFY(ink.left() < origin.x() + em * 0.2);

        // The default format starts the glyphs one sixth of the em further right.
        const LaidOutString padded = layOutStringAt(drawingFont, QStringLiteral("H"), origin, nullptr);
        const QRectF paddedInk = padded.path.boundingRect();
        QVERIFY(qAbs(paddedInk.left() - ink.left() - em / 6) < 1e-6 * em);
        QVERIFY(qAbs(paddedInk.top() - ink.top()) < 1e-9);
    }

    void measureIsConsistent_data() { fonts_data(); }
    void measureIsConsistent()
    {
        QFETCH(DrawingFont, drawingFont);
        const QString text = QStringLiteral("Lumora For Win, jQ");
        const qreal em = drawingFont.emSize;
        const QSizeF typo =
            measureString(drawingFont, text, kMeasureBox, &StringFormat::genericTypographic());
        const QSizeF plain = measureString(drawingFont, text, kMeasureBox, nullptr);
        QVERIFY(typo.width() > 0);
        QVERIFY(typo.width() <= plain.width());
        QVERIFY(qAbs(plain.width() - typo.width() - em / 3) < 1e-6 * em);
        QCOMPARE(typo.height(), plain.height());
        const FontFaceMetrics metrics = FontFaceMetrics::of(faceFont(drawingFont.family, drawingFont.style));
        QCOMPARE(typo.height(), metrics.lineSpacing(em));

        // The outlines lie within the measured box (a little slack for overhanging glyphs).
        for (const StringFormat* format :
             {&StringFormat::genericTypographic(), &StringFormat::genericDefault()}) {
            const LaidOutString laid = layOutStringAt(drawingFont, text, QPointF(10, 20), format);
            QCOMPARE(laid.box.size(), measureString(drawingFont, text, kMeasureBox, format));
            const QRectF slack = laid.box.adjusted(-em * 0.15, -em * 0.05, em * 0.15, em * 0.05);
            QVERIFY(slack.contains(laid.path.boundingRect()));
        }
    }

    // Outlines and measures scale exactly with the em size, fractional sizes included.
    void scalesLinearly()
    {
        const QString text = QStringLiteral("Watermark 2024");
        const DrawingFont small = font(QStringLiteral("Tahoma"), 19.25);
        const DrawingFont large = font(QStringLiteral("Tahoma"), 77);
        const QSizeF a = measureString(small, text, kMeasureBox, &StringFormat::genericTypographic());
        const QSizeF b = measureString(large, text, kMeasureBox, &StringFormat::genericTypographic());
        QVERIFY(qAbs(b.width() / a.width() - 4) < 1e-3);
        QVERIFY(qAbs(b.height() / a.height() - 4) < 1e-9);
        const QRectF inkA =
            textPathAt(small, text, QPointF(), &StringFormat::genericTypographic()).boundingRect();
        const QRectF inkB =
            textPathAt(large, text, QPointF(), &StringFormat::genericTypographic()).boundingRect();
        QVERIFY(qAbs(inkB.width() / inkA.width() - 4) < 1e-3);
        QVERIFY(qAbs(inkB.top() / inkA.top() - 4) < 1e-3);
    }

    void textForms_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("sameAs"); // a text that must measure the same
        QTest::addColumn<int>("lines");
        QTest::newRow("trailing spaces are not measured")
            << QStringLiteral("Lumora   ") << QStringLiteral("Lumora") << 1;
        QTest::newRow("text ends at NUL")
            << QStringLiteral("Lumora") + QChar(0) + QStringLiteral("xyz") << QStringLiteral("Lumora") << 1;
        QTest::newRow("line feed breaks")
            << QStringLiteral("Lumora\nab") << QStringLiteral("Lumora\r\nab") << 2;
        QTest::newRow("carriage return breaks")
            << QStringLiteral("ab\rLumora") << QStringLiteral("Lumora\nab") << 2;
        QTest::newRow("three lines") << QStringLiteral("a\nb\nLumora") << QStringLiteral("Lumora\n\nb") << 3;
    }

    void textForms()
    {
        QFETCH(QString, text);
        QFETCH(QString, sameAs);
        QFETCH(int, lines);
        const DrawingFont f = font(QStringLiteral("Tahoma"), 30);
        const LaidOutString laid = layOutStringAt(f, text, QPointF(), &StringFormat::genericTypographic());
        QCOMPARE(laid.lineCount, lines);
        QCOMPARE(laid.box.height(), lines * laid.lineSpacing);
        QCOMPARE(laid.box.size(), measureString(f, sameAs, kMeasureBox, &StringFormat::genericTypographic()));
    }

    void trailingSpacesOnRequest()
    {
        const DrawingFont f = font(QStringLiteral("Tahoma"), 30);
        StringFormat format(StringFormat::Kind::GenericTypographic);
        format.setMeasureTrailingSpaces(true);
        QVERIFY(measureString(f, QStringLiteral("ab  "), kMeasureBox, &format).width() >
                measureString(f, QStringLiteral("ab"), kMeasureBox, &format).width());
    }

    void emptyAndInvalid()
    {
        const DrawingFont f = font(QStringLiteral("Tahoma"), 30);
        const LaidOutString empty = layOutStringAt(f, QString(), QPointF(5, 6), nullptr);
        QVERIFY(empty.path.isEmpty());
        QCOMPARE(empty.box, QRectF(5, 6, 0, 0));
        QCOMPARE(measureString(f, QString(), kMeasureBox, nullptr), QSizeF(0, 0));
        for (qreal em : {0.0, -3.0, qQNaN(), qInf()}) {
            const LaidOutString bad =
                layOutStringAt(font(QStringLiteral("Tahoma"), em), QStringLiteral("x"), QPointF(), nullptr);
            QVERIFY(bad.path.isEmpty());
            QCOMPARE(bad.lineCount, 0);
        }
    }

    void alignsInLayoutBox_data()
    {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<double>("expectedLeft"); // fraction of the free room
        QTest::newRow("near") << int(StringFormat::Alignment::Near) << 0.0;
        QTest::newRow("center") << int(StringFormat::Alignment::Center) << 0.5;
        QTest::newRow("far") << int(StringFormat::Alignment::Far) << 1.0;
    }

    void alignsInLayoutBox()
    {
        QFETCH(int, alignment);
        QFETCH(double, expectedLeft);
        const DrawingFont f = font(QStringLiteral("Tahoma"), 20);
        StringFormat format(StringFormat::Kind::GenericTypographic);
        format.setAlignment(StringFormat::Alignment(alignment));
        format.setLineAlignment(StringFormat::Alignment(alignment));
        const QRectF layoutBox(50, 40, 600, 300);
        const LaidOutString laid = layOutStringInRect(f, QStringLiteral("Lumora"), layoutBox, &format);
        QVERIFY(qAbs(laid.box.left() - (50 + expectedLeft * (600 - laid.box.width()))) < 1e-6);
        QVERIFY(qAbs(laid.box.top() - (40 + expectedLeft * (300 - laid.box.height()))) < 1e-6);
    }

    void wrapsAtLayoutBoxWidth()
    {
        const DrawingFont f = font(QStringLiteral("Tahoma"), 20);
        const QString text = QStringLiteral("one two three four five six seven eight nine ten");
        const QSizeF single = measureString(f, text, kMeasureBox, &StringFormat::genericTypographic());
        const LaidOutString wrapped = layOutStringInRect(f, text, QRectF(0, 0, single.width() / 2.5, 0),
                                                         &StringFormat::genericTypographic());
        QVERIFY(wrapped.lineCount >= 3);
        QVERIFY(wrapped.box.width() <= single.width() / 2.5 + 1e-6);
        QVERIFY(wrapped.path.boundingRect().bottom() > 2 * wrapped.lineSpacing);
    }

    // Renders run on several threads at once: layouts made side by side must match.
    void reentrant()
    {
        const QString text = QStringLiteral("Lumora For Win 文字");
        const DrawingFont f = font(QStringLiteral("Tahoma"), 41.5, FontStyleBold);
        const LaidOutString reference = layOutStringAt(f, text, QPointF(3, 4), nullptr);
        std::vector<int> mismatches(4, 0);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < 25; ++i) {
                    const LaidOutString laid = layOutStringAt(f, text, QPointF(3, 4), nullptr);
                    if (laid.box != reference.box || laid.path != reference.path)
                        ++mismatches[t];
                }
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        for (int count : mismatches)
            QCOMPARE(count, 0);
    }
};

QTEST_MAIN(StringLayoutTest)
#include "tst_StringLayout.moc"
