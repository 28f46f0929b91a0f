#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>

#include "model/DataFiles.h"
#include "model/LayerFiles.h"
#include "model/WatermarkConf.h"
#include "support/TempDataFolder.h"

namespace {

// A layer file whose text section holds the given elements (and nothing else).
QByteArray layerWithText(const QByteArray& textElements, const QByteArray& imageElements = QByteArray())
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<WatermarkConf>\r\n<文本>\r\n" + textElements +
           "</文本>\r\n<图像>\r\n" + imageElements + "</图像>\r\n</WatermarkConf>\r\n";
}

// A record whose fields all differ from the defaults.
WatermarkConf unusualConf()
{
    WatermarkConf c;
    c.textContent = QStringLiteral("A <b> & \"c\" 水印");
    c.Font.lfHeight = -12;
    c.Font.lfWeight = 700;
    c.Font.lfItalic = 1;
    c.Font.setFaceName(QStringLiteral("DejaVu Sans"));
    c.FontPointSize = 9;
    c.Location = 8;
    c.OffsetH = -10;
    c.OffsetV = 11;
    c.Rotation = -45;
    c.Transparency = 128;
    c.BAddShadow = 1;
    c.ShadowH = -3;
    c.ShadowV = 4;
    c.ShadowBR = 5;
    c.ShadowAlpha = 20;
    c.ShadowColor = 1;
    c.BFillText = 0;
    c.TextColor = 0xFFFFFF;
    c.BDrawEdge = 1;
    c.EdgeColor = 2;
    c.EdgeLineThickness = 7;
    c.EdgeAlpha = 100;
    c.B3DText = 1;
    c.TDTextColor = 3;
    c.TDTextOffset = 50;
    c.TDTextPos = 0;
    c.BGradientText = 1;
    c.GradientBeginColor = 4;
    c.GradientEndColor = 0xFFFFFFFFu;
    c.BCoverImage = 1;
    c.coverImgMethod = 1;
    c.ScaleTextWT = 0;
    c.ImagePathName = QStringLiteral("/pictures/logo & co.png");
    c.ImageLocation = 2;
    c.ImageOffsetH = 5;
    c.ImageOffsetV = -6;
    c.ImageRotation = 90;
    c.ImageTransparency = 50;
    c.ImageWidth = 120;
    c.ImageHeight = 80;
    c.ScaleImgWT = 1;
    return c;
}

} // namespace

class LayerFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void fontDecoding_data()
    {
        QTest::addColumn<QByteArray>("fontText");
        QTest::addColumn<QByteArray>("firstBytes"); // bytes that replace the start of the record

        QTest::newRow("four values") << QByteArray("218,255,255,255") << QByteArray("\xDA\xFF\xFF\xFF");
        QTest::newRow("hex and octal") << QByteArray("0x10, 020 ,3") << QByteArray("\x10\x10\x03");
        QTest::newRow("empty value") << QByteArray("1,,2") << QByteArray("\x01\x00", 2);
        QTest::newRow("empty element") << QByteArray() << QByteArray();
    }

    void fontDecoding()
    {
        QFETCH(QByteArray, fontText);
        QFETCH(QByteArray, firstBytes);
        TempDataFolder folder;
        QVERIFY(folder.write(folder.templateFile(QStringLiteral("L")),
                             layerWithText("<Font>" + fontText + "</Font>\r\n")));

        WatermarkConf conf;
        LOGFONTW::Bytes before;
        before.fill(0x11);
        conf.Font.setBytes(before.data(), before.size());
        QVERIFY(LoadLayerConf(QStringLiteral("L"), conf));

        LOGFONTW::Bytes expected = before;
        std::copy(firstBytes.begin(), firstBytes.end(), expected.begin());
        QCOMPARE(conf.Font.toBytes(), expected);
    }

    void fontRecordRoundTripsAndStopsAt92Bytes()
    {
        TempDataFolder folder;
        const LOGFONTW::Bytes bytes = defaultFontRecord().toBytes();
        QByteArray text;
        for (std::uint8_t b : bytes)
            text += QByteArray::number(b) + ',';
        text += "9,9,9"; // values beyond the record are not read
        QVERIFY(folder.write(folder.templateFile(QStringLiteral("L")),
                             layerWithText("<Font>" + text + "</Font>\r\n")));
        WatermarkConf conf;
        conf.Font = LOGFONTW{};
        QVERIFY(LoadLayerConf(QStringLiteral("L"), conf));
        QCOMPARE(conf.Font, defaultFontRecord());
        QCOMPARE(conf.Font.faceName(), QStringLiteral("Tahoma"));
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("asInt");
        QTest::addColumn<uint>("asUnsigned");
        QTest::newRow("plain") << "734110" << 734110 << 734110u;
        QTest::newRow("leading digits") << "12abc" << 12 << 12u;
        QTest::newRow("blanks and sign") << "  -5" << -5 << 4294967291u;
        QTest::newRow("none") << "abc" << 0 << 0u;
        QTest::newRow("empty") << "" << 0 << 0u;
        QTest::newRow("int range") << "2147483648" << 2147483647 << 2147483648u;
        QTest::newRow("negative range") << "-99999999999" << int(-2147483647 - 1) << 4294967295u;
        QTest::newRow("unsigned range") << "4294967296" << 2147483647 << 4294967295u;
        QTest::newRow("minus one") << "-1" << -1 << 4294967295u;
    }

    void numbers()
    {
        QFETCH(QString, text);
        QFETCH(int, asInt);
        QFETCH(uint, asUnsigned);
        QCOMPARE(readXmlInt(text), asInt);
        QCOMPARE(readXmlUnsigned(text), asUnsigned);
    }

    void elementsOutOfOrderAreMissed()
    {
        TempDataFolder folder;
        QVERIFY(folder.write(
            folder.templateFile(QStringLiteral("L")),
            layerWithText("<EdgeAlpha>7</EdgeAlpha>\r\n<EdgeLineThickness>5</EdgeLineThickness>\r\n"
                          "<B3DText>1</B3DText>\r\n<TDTextColor>-1</TDTextColor>\r\n")));
        WatermarkConf conf;
        conf.EdgeAlpha = 99;
        QVERIFY(LoadLayerConf(QStringLiteral("L"), conf));
        QCOMPARE(conf.EdgeLineThickness, 5);
        QCOMPARE(conf.EdgeAlpha, 99);
        QCOMPARE(conf.B3DText, 1);
        QCOMPARE(conf.TDTextColor, 4294967295u);

        // An element found late hides every element before it that is looked up later.
        QVERIFY(folder.write(folder.templateFile(QStringLiteral("L")),
                             layerWithText("<Rotation>1</Rotation>\r\n<Location>2</Location>\r\n"
                                           "<ScaleTextWT>0</ScaleTextWT>\r\n")));
        conf.Rotation = 77;
        QVERIFY(LoadLayerConf(QStringLiteral("L"), conf));
        QCOMPARE(conf.Location, 2);
        QCOMPARE(conf.Rotation, 77);
        QCOMPARE(conf.ScaleTextWT, 0);
    }

    void missingElements()
    {
        TempDataFolder folder;
        QVERIFY(folder.write(folder.templateFile(QStringLiteral("L")),
                             layerWithText("<textContent/>\r\n<Rotation>15</Rotation>\r\n",
                                           "<ImageWidth>3</ImageWidth>\r\n")));
        WatermarkConf previous = unusualConf();
        previous.ScaleTextWT = 0;
        previous.ScaleImgWT = 1;

        WatermarkConf render = previous;
        QVERIFY(LoadLayerConf(QStringLiteral("L"), render));
        WatermarkConf expected = previous;
        expected.textContent = QStringLiteral(" ");
        expected.Rotation = 15;
        expected.ImageWidth = 3;
        expected.ScaleTextWT = 1;
        expected.ScaleImgWT = 0;
        QCOMPARE(render, expected);

        WatermarkConf edit = previous;
        QVERIFY(LoadEditConf(QStringLiteral("L"), edit));
        expected.textContent = QString();
        QCOMPARE(edit, expected);
    }

    void filesThatDoNotLoadChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("wellFormed");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("other root") << QByteArray(
                                           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Layers/>\r\n")
                                    << true;
        QTest::newRow("two roots") << QByteArray(
                                          "<WatermarkConf><文本><Rotation>1</Rotation></文本></WatermarkConf>"
                                          "<WatermarkConf/>")
                                   << false;
        QTest::newRow("binary") << QByteArray("\x00\xFF<\x01>&#;\xC3", 9) << false;
    }

    void filesThatDoNotLoadChangeNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, wellFormed);
        TempDataFolder folder;
        const QString path = folder.templateFile(QStringLiteral("L"));
        if (!content.isEmpty())
            QVERIFY(folder.write(path, content));
        const WatermarkConf before = unusualConf();
        WatermarkConf conf = before;
        QVERIFY(!LoadLayerConf(QStringLiteral("L"), conf));
        QVERIFY(!LoadEditConf(QStringLiteral("L"), conf));
        QCOMPARE(conf, before);
        // A file that does not load is not written over; a well-formed one without the
        // root element is saved as it was.
        QCOMPARE(StoreEditConf(QStringLiteral("L"), before), wellFormed);
        QCOMPARE(TempDataFolder::read(path), content);
        QCOMPARE(QFileInfo::exists(path), !content.isEmpty());
    }

    void damagedFilesLoadInBoundedTime()
    {
        TempDataFolder folder;
        QVERIFY(QDir().mkpath(folder.templates()));
        QVERIFY(SaveLayerConf(QStringLiteral("L"), unusualConf()));
        const QString path = folder.templateFile(QStringLiteral("L"));
        const QByteArray good = TempDataFolder::read(path);
        QRandomGenerator random(99);
        QElapsedTimer timer;
        timer.start();
        for (int round = 0; round < 300; ++round) {
            QByteArray bad = good;
            // Flip, cut or repeat pieces of a valid file.
            for (int edits = int(random.bounded(1, 8)); edits > 0; --edits) {
                const int at = int(random.bounded(bad.size() + 1));
                switch (random.bounded(3)) {
                case 0:
                    if (at < bad.size())
                        bad[at] = char(random.bounded(256));
                    break;
                case 1:
                    bad.remove(at, int(random.bounded(40)));
                    break;
                default:
                    bad.insert(at, bad.mid(int(random.bounded(bad.size() + 1)), int(random.bounded(200))));
                }
            }
            QVERIFY(folder.write(path, bad));
            WatermarkConf render;
            WatermarkConf edit;
            LoadLayerConf(QStringLiteral("L"), render);
            LoadEditConf(QStringLiteral("L"), edit);
            StoreEditConf(QStringLiteral("L"), edit);
        }
        QVERIFY(timer.elapsed() < 60000);
    }

    void saveAndLoadRoundTrip()
    {
        TempDataFolder folder;
        QVERIFY(QDir().mkpath(folder.templates()));
        const WatermarkConf saved = unusualConf();
        QVERIFY(SaveLayerConf(QStringLiteral("Layer <1>"), saved, saved.Font));
        WatermarkConf loaded;
        QVERIFY(LoadEditConf(QStringLiteral("Layer <1>"), loaded));
        QCOMPARE(loaded, saved);

        // Without a font argument a new layer file gets the default font record.
        QVERIFY(SaveLayerConf(QStringLiteral("Plain"), saved));
        QVERIFY(LoadLayerConf(QStringLiteral("Plain"), loaded));
        QCOMPARE(loaded.Font, defaultFontRecord());
    }

    void storeReplacesValuesAndAddsMissingElements()
    {
        TempDataFolder folder;
        const QString path = folder.templateFile(QStringLiteral("L"));
        // An older layer file: no ScaleTextWT, no picture size and no ScaleImgWT.
        QVERIFY(folder.write(
            path, layerWithText("<textContent>old</textContent>\r\n<Font>1,2</Font>\r\n"
                                "<coverImgMethod>0</coverImgMethod>\r\n",
                                "<ImagePathName/>\r\n<ImageTransparency>100</ImageTransparency>\r\n")));
        WatermarkConf conf = unusualConf();
        QVERIFY(StoreEditConf(QStringLiteral("L"), conf));

        const QByteArray expected = layerWithText(
            "<textContent>A &lt;b&gt; &amp; \"c\" 水印</textContent>\r\n<Font>" + bytesToText(conf.Font) +
                "</Font>\r\n<coverImgMethod>1</coverImgMethod>\r\n"
                "<ScaleTextWT>0</ScaleTextWT>\r\n",
            "<ImagePathName>/pictures/logo &amp; co.png</ImagePathName>\r\n"
            "<ImageTransparency>50</ImageTransparency>\r\n<ImageWidth>120</ImageWidth>\r\n"
            "<ImageHeight>80</ImageHeight>\r\n<ScaleImgWT>1</ScaleImgWT>\r\n");
        QCOMPARE(TempDataFolder::read(path), expected);
    }

    // The fields switch is written only when on, right after ScaleTextWT: a file without it
    // reads as off, whatever the record held before, and saves byte for byte as it was.
    void textTokensSwitch_data()
    {
        QTest::addColumn<bool>("fromNewFile");
        QTest::newRow("file written by SaveLayerConf") << true;
        QTest::newRow("older file without ScaleTextWT") << false;
    }

    void textTokensSwitch()
    {
        QFETCH(bool, fromNewFile);
        TempDataFolder folder;
        QVERIFY(QDir().mkpath(folder.templates()));
        const QString name = QStringLiteral("L");
        const QString path = folder.templateFile(name);
        WatermarkConf conf = unusualConf();
        if (fromNewFile)
            QVERIFY(SaveLayerConf(name, conf, conf.Font));
        else
            QVERIFY(folder.write(path, layerWithText("<textContent>x</textContent>\r\n"
                                                     "<coverImgMethod>1</coverImgMethod>\r\n")));
        const QByteArray original = TempDataFolder::read(path);
        QVERIFY(!original.contains("BTextTokens"));

        WatermarkConf loaded = conf;
        loaded.BTextTokens = 1;
        QVERIFY(LoadEditConf(name, loaded));
        QCOMPARE(loaded.BTextTokens, 0);
        if (fromNewFile) {
            QVERIFY(StoreEditConf(name, loaded));
            QCOMPARE(TempDataFolder::read(path), original);
        }

        // Switched on: the element follows ScaleTextWT (added when missing) and reads back.
        loaded.BTextTokens = 1;
        QVERIFY(StoreEditConf(name, loaded));
        const QByteArray on = TempDataFolder::read(path);
        const QByteArray scale =
            "<ScaleTextWT>" + QByteArray::number(loaded.ScaleTextWT) + "</ScaleTextWT>\r\n";
        QVERIFY2(on.contains(scale + "<BTextTokens>1</BTextTokens>\r\n</文本>"), on.constData());
        WatermarkConf again;
        QVERIFY(LoadLayerConf(name, again));
        QCOMPARE(again.BTextTokens, 1);
        if (fromNewFile) {
            QVERIFY(SaveLayerConf(QStringLiteral("M"), loaded, loaded.Font));
            QCOMPARE(TempDataFolder::read(folder.templateFile(QStringLiteral("M"))), on);
        }

        // Switched off again: the element goes, and a new file never has it.
        loaded.BTextTokens = 0;
        QVERIFY(StoreEditConf(name, loaded));
        const QByteArray off = TempDataFolder::read(path);
        QVERIFY(!off.contains("BTextTokens"));
        if (fromNewFile)
            QCOMPARE(off, original);
        QVERIFY(LoadLayerConf(name, again));
        QCOMPARE(again.BTextTokens, 0);
    }

    void invalidNamesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("dot") << ".";
        QTest::newRow("dot dot") << "..";
        QTest::newRow("slash") << "a/b";
        QTest::newRow("parent") << "../escape";
        QTest::newRow("absolute") << "/tmp/escape";
        QTest::newRow("NUL") << QStringLiteral("a") + QChar(0) + QStringLiteral("b");
        QTest::newRow("template list") << "qthumb";
    }

    void invalidNamesAreRefused()
    {
        QFETCH(QString, name);
        TempDataFolder folder;
        QVERIFY(QDir().mkpath(folder.templates() + QStringLiteral("/a")));
        const auto before = folder.snapshot();
        QVERIFY(!isValidTemplateName(name));
        QVERIFY(templateFilePath(name).isEmpty());
        WatermarkConf conf;
        QVERIFY(!SaveLayerConf(name, conf));
        QVERIFY(!StoreEditConf(name, conf));
        QVERIFY(!LoadLayerConf(name, conf));
        QVERIFY(!LoadEditConf(name, conf));
        QCOMPARE(folder.snapshot(), before);
    }

private:
    static QByteArray bytesToText(const LOGFONTW& font)
    {
        QByteArray text;
        for (std::uint8_t b : font.toBytes())
            text += (text.isEmpty() ? "" : ",") + QByteArray::number(b);
        return text;
    }
};

QTEST_GUILESS_MAIN(LayerFilesTest)
#include "tst_LayerFiles.moc"
