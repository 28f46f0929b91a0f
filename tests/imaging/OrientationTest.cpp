#include "imaging/TestPictures.h"
#include "services/imaging/ImageOrientation.h"
#include "services/imaging/JpegMetadata.h"

#include <QTest>

namespace {

// A picture from rows of letters, each letter its own colour, and back.
QImage fromLetters(const QStringList& rows)
{
    QImage image(int(rows.first().size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(rows[y][x].unicode(), 0, 0));
    return image;
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
        QTest::newRow("1 normal") << 1 << QStringList{"ABC", "DEF"};
        QTest::newRow("2 mirrored") << 2 << QStringList{"CBA", "FED"};
        QTest::newRow("3 upside down") << 3 << QStringList{"FED", "CBA"};
        QTest::newRow("4 flipped") << 4 << QStringList{"DEF", "ABC"};
        QTest::newRow("5 transposed") << 5 << QStringList{"AD", "BE", "CF"};
        QTest::newRow("6 turned left") << 6 << QStringList{"DA", "EB", "FC"};
        QTest::newRow("7 transversed") << 7 << QStringList{"FC", "EB", "DA"};
        QTest::newRow("8 turned right") << 8 << QStringList{"CF", "BE", "AD"};
        QTest::newRow("0 none") << 0 << QStringList{"ABC", "DEF"};
        QTest::newRow("9 unknown") << 9 << QStringList{"ABC", "DEF"};
    }

    void turnsUpright()
    {
        QFETCH(int, orientation);
        QFETCH(QStringList, upright);
        const QImage stored = fromLetters({"ABC", "DEF"});
        const QImage turned = ImageOrientation::turnUpright(stored, orientation);
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
        }
    }

    void turnBackIsExact()
    {
        QFETCH(int, orientation);
        QFETCH(int, format);
        const QImage stored = TestPictures::testPicture(37, 23).convertToFormat(QImage::Format(format));
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
