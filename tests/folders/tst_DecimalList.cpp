#include <vector>

#include <QTest>

#include "services/folders/DecimalList.h"

using Bytes = std::vector<int>;
Q_DECLARE_METATYPE(Bytes)

class DecimalListTest : public QObject
{
    Q_OBJECT

private slots:
    void decode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Bytes>("expected"); // bytes written over a buffer of 0xAA

        QTest::newRow("empty") << "" << Bytes{};
        QTest::newRow("blanks only") << " \t " << Bytes{};
        QTest::newRow("four values") << "218,255,255,255" << Bytes{218, 255, 255, 255};
        QTest::newRow("hex, octal, blanks") << "0x10, 020 ,3" << Bytes{16, 16, 3};
        QTest::newRow("blanks around commas") << " 1 , 2,3" << Bytes{1, 2, 3};
        QTest::newRow("empty value stores 0 and stops") << "1,,2" << Bytes{1, 0};
        QTest::newRow("semicolon stops") << "1;2" << Bytes{1};
        QTest::newRow("trailing comma") << "7," << Bytes{7};
        QTest::newRow("negative keeps low byte") << "-38,-1" << Bytes{218, 255};
        QTest::newRow("plus sign") << "+5" << Bytes{5};
        QTest::newRow("low byte of large value") << "256,257,0x1FF" << Bytes{0, 1, 255};
        QTest::newRow("beyond 32 bits saturates") << "99999999999,-99999999999" << Bytes{255, 0};
        QTest::newRow("0x without digits reads 0") << "0x,5" << Bytes{0};
        QTest::newRow("8 is no octal digit") << "08,1" << Bytes{0};
        QTest::newRow("letters") << "abc" << Bytes{0};
        QTest::newRow("non-ASCII is no digit") << QStringLiteral("1,\u00A02") << Bytes{1, 0};
        QTest::newRow("NUL ends the text")
            << QStringLiteral("1,2") + QChar(0) + QStringLiteral(",3") << Bytes{1, 2};
    }

    void decode()
    {
        QFETCH(QString, text);
        QFETCH(Bytes, expected);
        std::uint8_t buffer[8];
        std::fill(std::begin(buffer), std::end(buffer), 0xAA);
        const std::size_t count = DecimalListToBytes(text, buffer, sizeof buffer);
        QCOMPARE(count, expected.size());
        for (std::size_t i = 0; i < sizeof buffer; ++i) {
            const int want = i < expected.size() ? expected[i] : 0xAA;
            QCOMPARE(int(buffer[i]), want);
        }
    }

    void decodeStopsAtCapacity()
    {
        std::uint8_t buffer[3] = {};
        QCOMPARE(DecimalListToBytes(QStringLiteral("1,2,3,4,5"), buffer, 3), std::size_t(3));
        QCOMPARE(int(buffer[2]), 3);
        QCOMPARE(DecimalListToBytes(QStringLiteral("9"), buffer, 0), std::size_t(0));
    }

    void decodeConsidersOnly2047Characters()
    {
        // 2046 blanks, then "1": the digit is the 2047th character. One more blank pushes it out.
        std::uint8_t buffer[2] = {};
        QCOMPARE(DecimalListToBytes(QString(2046, QLatin1Char(' ')) + QStringLiteral("1"), buffer, 2),
                 std::size_t(1));
        QCOMPARE(DecimalListToBytes(QString(2047, QLatin1Char(' ')) + QStringLiteral("1"), buffer, 2),
                 std::size_t(0));
    }

    void encode_data()
    {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << Bytes{} << "";
        QTest::newRow("two") << Bytes{1, 2} << "1,2";
        QTest::newRow("range") << Bytes{0, 255, 12} << "0,255,12";
    }

    void encode()
    {
        QFETCH(Bytes, bytes);
        QFETCH(QString, expected);
        std::vector<std::uint8_t> raw(bytes.begin(), bytes.end());
        QCOMPARE(BytesToDecimalList(raw.data(), raw.size()), expected);

        char buffer[64];
        const std::size_t length = BytesToDecimalList(buffer, sizeof buffer, raw.data(), raw.size());
        QCOMPARE(QString::fromLatin1(buffer, qsizetype(length)), expected);
        QCOMPARE(buffer[length], '\0');
    }

    void encodeStopsNearCapacity_data()
    {
        QTest::addColumn<int>("capacity");
        QTest::addColumn<QString>("expected");
        // A value is written only while the text is more than 4 characters below the capacity.
        QTest::newRow("0") << 0 << "";
        QTest::newRow("4") << 4 << "";
        QTest::newRow("5") << 5 << "255";
        QTest::newRow("8") << 8 << "255,255";
        QTest::newRow("11") << 11 << "255,255";
        QTest::newRow("12") << 12 << "255,255,255";
        QTest::newRow("16") << 16 << "255,255,255,255";
    }

    void encodeStopsNearCapacity()
    {
        QFETCH(int, capacity);
        QFETCH(QString, expected);
        const std::uint8_t bytes[] = {255, 255, 255, 255};
        char buffer[24];
        std::fill(std::begin(buffer), std::end(buffer), '#');
        const std::size_t length = BytesToDecimalList(buffer, std::size_t(capacity), bytes, 4);
        QCOMPARE(QString::fromLatin1(buffer, qsizetype(length)), expected);
        if (capacity > 0)
            QCOMPARE(buffer[length], '\0');
        // Nothing is written at or beyond the capacity.
        for (int i = capacity; i < int(sizeof buffer); ++i)
            QCOMPARE(buffer[i], '#');
    }

    void roundTripOfAllByteValues()
    {
        std::uint8_t bytes[256];
        for (int i = 0; i < 256; ++i)
            bytes[i] = std::uint8_t(i);
        const QString text = BytesToDecimalList(bytes, 256);
        std::uint8_t back[256] = {};
        QCOMPARE(DecimalListToBytes(text, back, 256), std::size_t(256));
        QVERIFY(std::equal(std::begin(bytes), std::end(bytes), std::begin(back)));
    }
};

QTEST_GUILESS_MAIN(DecimalListTest)
#include "tst_DecimalList.moc"
