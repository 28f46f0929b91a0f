#include "services/imaging/ImageOrientation.h"
#include "services/imaging/JpegMetadata.h"
#include "support/TestPictures.h"

#include <QTest>

namespace {

// A picture from rows of letters, each letter its own grey, and back.
QImage fromLetters(const QStringList& rows, QImage::Format format)
{
    QImage image(int(rows.first().size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(rows[y][x].unicode(), rows[y][x].unicode(), rows[y][x].unicode()));
    return image.convertToFormat(format);
}

QStringList toLetters(const QImage& image)
{
    QStringList rows;
    for (int y = 0; y < image.height(); ++y) {
        rows.append(QString());
        for (int x = 0; x < image.width(); ++x)
            rows.last().append(QChar(qRed(image.pixel(x, y))));
    }
    return rows;
}

} // namespace

class OrientationTest : public QObject
{
    Q_OBJECT

private slots:
    void turnsUpright_data()
    {
        // Stored ABC over DEF; expected: what a viewer shows for each orientation value.
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QStringList>("upright");
        QTest::addColumn<QImage::Format>("format");
        const QList<std::tuple<int, QStringList>> cases = {
            {1, {"ABC", "DEF"}},     {2, {"CBA", "FED"}},     {3, {"FED", "CBA"}},
            {4, {"DEF", "ABC"}},     {5, {"AD", "BE", "CF"}}, {6, {"DA", "EB", "FC"}},
            {7, {"FC", "EB", "DA"}}, {8, {"CF", "BE", "AD"}}, {0, {"ABC", "DEF"}},
            {9, {"ABC", "DEF"}},
        };
        for (const auto& [orientation, upright] : cases) {
            QTest::addRow("%d argb32pm", orientation)
                << orientation << upright << QImage::Format_ARGB32_Premultiplied;
            QTest::addRow("%d grey", orientation) << orientation << upright << QImage::Format_Grayscale8;
            QTest::addRow("%d indexed", orientation) << orientation << upright << QImage::Format_Indexed8;
            QTest::addRow("%d rgb888", orientation) << orientation << upright << QImage::Format_RGB888;
        }
    }

    void turnsUpright()
    {
        QFETCH(int, orientation);
        QFETCH(QStringList, upright);
        QFETCH(QImage::Format, format);
        const QImage turned = ImageOrientation::turnUpright(fromLetters({"ABC", "DEF"}, format), orientation);
        QCOMPARE(turned.format(), format);
        QCOMPARE(toLetters(turned), upright);
        QCOMPARE(ImageOrientation::uprightSize(QSize(3, 2), orientation), turned.size());
    }

    void turnBackIsExact_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QImage::Format>("format");
        for (int o = 0; o <= 9; ++o) {
            QTest::addRow("%d rgb32", o) << o << QImage::Format_RGB32;
            QTest::addRow("%d grey", o) << o << QImage::Format_Grayscale8;
        }
    }

    void turnBackIsExact()
    {
        QFETCH(int, orientation);
        QFETCH(QImage::Format, format);
        // Several cache tiles wide and, at 32 bits, large enough for huge-page backed buffers.
        static const QImage picture = TestPictures::quadrants(1600, 1400);
        const QImage stored = picture.convertToFormat(format);
        QCOMPARE(ImageOrientation::turnBack(ImageOrientation::turnUpright(stored, orientation), orientation),
                 stored);
    }

    // A part of the upright picture turned back lies where storedRect says in the picture
    // turned back whole: lossless stamping merges a watermark drawn upright there.
    void storedRectHoldsTheTurnedPart_data()
    {
        QTest::addColumn<int>("orientation");
        for (int o = 0; o <= 9; ++o)
            QTest::addRow("%d", o) << o;
    }

    void storedRectHoldsTheTurnedPart()
    {
        QFETCH(int, orientation);
        const QImage upright = TestPictures::quadrants(70, 40).convertToFormat(QImage::Format_RGB32);
        const QImage stored = ImageOrientation::turnBack(upright, orientation);
        for (const QRect& part :
             {QRect(0, 0, 70, 40), QRect(3, 5, 11, 7), QRect(50, 30, 20, 10), QRect(0, 39, 1, 1)}) {
            const QRect where = ImageOrientation::storedRect(part, upright.size(), orientation);
            QVERIFY(QRect(QPoint(0, 0), stored.size()).contains(where));
            QCOMPARE(ImageOrientation::turnBack(upright.copy(part), orientation), stored.copy(where));
        }
    }

    void readsTheOrientationItem_data()
    {
        QTest::addColumn<QByteArray>("app1");
        QTest::addColumn<int>("expected");
        for (int value = 1; value <= 9; ++value) {
            QTest::addRow("intel %d", value) << TestPictures::exifWithOrientation(value, false) << value;
            QTest::addRow("motorola %d", value) << TestPictures::exifWithOrientation(value, true) << value;
        }
        const QByteArray good = TestPictures::exifWithOrientation(6);
        auto changed = [&](qsizetype at, const char* bytes, int length) {
            return QByteArray(good).replace(at, length, QByteArray(bytes, length));
        };
        QTest::newRow("not exif") << QByteArray("http://ns.adobe.com/xap/1.0/") << 0;
        QTest::newRow("header only") << good.left(6) << 0;
        QTest::newRow("cut in the entries") << good.left(6 + 8 + 2 + 12 + 6) << 0;
        QTest::newRow("unknown byte order") << changed(6, "XX", 2) << 0;
        QTest::newRow("ifd beyond the end") << changed(10, "\xF0", 1) << 0;
        QTest::newRow("count beyond the end, item inside") << changed(14, "\xFF\xFF", 2) << 6;
        QTest::newRow("ascii instead of short") << changed(6 + 8 + 2 + 12 + 2, "\x02", 1) << 0;
    }

    void readsTheOrientationItem()
    {
        QFETCH(QByteArray, app1);
        QFETCH(int, expected);
        QCOMPARE(JpegMetadata::orientationFromExif(app1), expected);
    }
};

QTEST_GUILESS_MAIN(OrientationTest)
#include "tst_Orientation.moc"
