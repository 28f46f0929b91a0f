#include "imaging/TestPictures.h"
#include "services/imaging/ImageOrientation.h"
#include "services/imaging/JpegMetadata.h"

#include <QTest>

namespace {

// A picture from rows of letters, each letter its own grey, and back.
QImage fromLetters(const QStringList& rows, QImage::Format format)
{
    QImage image(int(rows.first().size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int grey = rows[y][x].unicode();
            image.setPixel(x, y, qRgb(grey, grey, grey));
        }
    }
    return image.convertToFormat(format);
}

QStringList toLetters(const QImage& image)
{
    QStringList rows;
    for (int y = 0; y < image.height(); ++y) {
        QString row;
        for (int x = 0; x < image.width(); ++x)
            row.append(QChar(qRed(image.pixel(x, y))));
        rows.append(row);
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
        // As stored: ABC over DEF. Expected: what a viewer shows for each orientation value.
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QStringList>("upright");
        QTest::addColumn<int>("format");
        const QList<QPair<const char*, QImage::Format>> formats = {
            {"argb32pm", QImage::Format_ARGB32_Premultiplied},
            {"grey", QImage::Format_Grayscale8},
            {"indexed", QImage::Format_Indexed8},
            {"rgb888", QImage::Format_RGB888}, // neither 8 nor 32 bits per pixel
        };
        const QList<std::tuple<const char*, int, QStringList>> cases = {
            {"1 normal", 1, {"ABC", "DEF"}},
            {"2 mirrored", 2, {"CBA", "FED"}},
            {"3 upside down", 3, {"FED", "CBA"}},
            {"4 flipped", 4, {"DEF", "ABC"}},
            {"5 transposed", 5, {"AD", "BE", "CF"}},
            {"6 turned left", 6, {"DA", "EB", "FC"}},
            {"7 transversed", 7, {"FC", "EB", "DA"}},
            {"8 turned right", 8, {"CF", "BE", "AD"}},
            {"0 none", 0, {"ABC", "DEF"}},
            {"9 unknown", 9, {"ABC", "DEF"}},
        };
        for (const auto& [name, orientation, upright] : cases) {
            for (const auto& [formatName, format] : formats)
                QTest::addRow("%s %s", name, formatName) << orientation << upright << int(format);
        }
    }

    void turnsUpright()
    {
        QFETCH(int, orientation);
        QFETCH(QStringList, upright);
        QFETCH(int, format);
        const QImage stored = fromLetters({"ABC", "DEF"}, QImage::Format(format));
        const QImage turned = ImageOrientation::turnUpright(stored, orientation);
        QCOMPARE(turned.format(), stored.format());
        QCOMPARE(toLetters(turned), upright);
        QCOMPARE(ImageOrientation::uprightSize(stored.size(), orientation), turned.size());
    }

    void turnBackIsExact_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("format");
        for (int o = 0; o <= 9; ++o) {
            QTest::addRow("%d rgb32", o) << o << int(QImage::Format_RGB32);
            QTest::addRow("%d grey", o) << o << int(QImage::Format_Grayscale8);
            QTest::addRow("%d rgb888", o) << o << int(QImage::Format_RGB888);
        }
    }

    void turnBackIsExact()
    {
        QFETCH(int, orientation);
        QFETCH(int, format);
        // Large enough for several cache tiles and, at 32 bits, for huge-page backed buffers.
        static const QImage picture = TestPictures::testPicture(1600, 1400);
        const QImage stored = picture.convertToFormat(QImage::Format(format));
        const QImage back =
            ImageOrientation::turnBack(ImageOrientation::turnUpright(stored, orientation), orientation);
        QCOMPARE(back.format(), stored.format());
        QCOMPARE(back, stored);
    }

    void readsTheOrientationItem_data()
    {
        QTest::addColumn<QByteArray>("app1");
        QTest::addColumn<int>("expected");
        for (int value = 1; value <= 8; ++value) {
            QTest::addRow("intel %d", value) << TestPictures::exifWithOrientation(value, false) << value;
            QTest::addRow("motorola %d", value) << TestPictures::exifWithOrientation(value, true) << value;
        }
        const QByteArray good = TestPictures::exifWithOrientation(6, false);
        QTest::newRow("value out of range kept") << TestPictures::exifWithOrientation(9) << 9;
        QTest::newRow("not exif") << QByteArray("http://ns.adobe.com/xap/1.0/") << 0;
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("header only") << good.left(6) << 0;
        QTest::newRow("cut in the entries") << good.left(6 + 8 + 2 + 12 + 6) << 0;
        QByteArray badOrder = good;
        badOrder[6] = 'X';
        QTest::newRow("unknown byte order") << badOrder << 0;
        QByteArray farIfd = good;
        farIfd[10] = char(0xF0); // IFD offset far past the end
        QTest::newRow("ifd beyond the end") << farIfd << 0;
        QByteArray manyEntries = good;
        manyEntries[14] = char(0xFF);
        manyEntries[15] = char(0xFF);
        QTest::newRow("entry count beyond the end, item inside") << manyEntries << 6;
        QByteArray wrongType = good;
        wrongType[6 + 8 + 2 + 12 + 2] = 2; // ASCII instead of SHORT
        QTest::newRow("wrong type") << wrongType << 0;
    }

    void readsTheOrientationItem()
    {
        QFETCH(QByteArray, app1);
        QFETCH(int, expected);
        QCOMPARE(JpegMetadata::orientationFromExif(app1), expected);
    }

    void usesTheFirstExifBlock()
    {
        JpegMetadata metadata;
        metadata.segments = {{JpegMetadata::kApp1, QByteArray("http://ns.adobe.com/xap/1.0/")},
                             {JpegMetadata::kApp1, TestPictures::exifWithOrientation(8, true)},
                             {JpegMetadata::kApp1, TestPictures::exifWithOrientation(3)}};
        QCOMPARE(metadata.orientation(), 8);
        QCOMPARE(metadata.exifIndex(), 1);
    }
};

QTEST_GUILESS_MAIN(OrientationTest)
#include "OrientationTest.moc"
