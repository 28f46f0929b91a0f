#include "xml/XmlDocument.h"
#include "xml/XmlEncodingNames.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray utf16Le(const QString& text)
{
    QByteArray bytes;
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

QByteArray utf16Be(const QString& text)
{
    QByteArray bytes;
    for (QChar c : text) {
        bytes.append(char(c.unicode() >> 8));
        bytes.append(char(c.unicode() & 0xFF));
    }
    return bytes;
}

QByteArray declared(const char* encoding, const QByteArray& body)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?>\r\n" + body;
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString rootData(XmlDocument& doc)
{
    return doc.FindElement(QStringLiteral("r")) ? doc.GetElementData() : QStringLiteral("<no root>");
}

} // namespace

class XmlEncodingTest : public QObject
{
    Q_OBJECT

private slots:
    void loadDecodes_data();
    void loadDecodes();
    void saveWritesTheSameBytesBack_data();
    void saveWritesTheSameBytesBack();
    void saveEncodesByDeclaration_data();
    void saveEncodesByDeclaration();
    void encodingNames_data();
    void encodingNames();
    void declaredEncoding_data();
    void declaredEncoding();
};

void XmlEncodingTest::loadDecodes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("entry");

    const QString cjk = QStringLiteral("<r>文本</r>");
    QTest::newRow("utf-8 mark") << QByteArray("\xEF\xBB\xBF") + cjk.toUtf8()
                                << int(XmlDocument::EncodingUtf8Mark) << QStringLiteral("文本")
                                << QStringLiteral("converted_to");
    QTest::newRow("utf-16le mark") << QByteArray("\xFF\xFE") + utf16Le(cjk)
                                   << int(XmlDocument::EncodingUtf16Le) << QStringLiteral("文本")
                                   << QStringLiteral("read");
    QTest::newRow("utf-16be mark") << QByteArray("\xFE\xFF") + utf16Be(cjk)
                                   << int(XmlDocument::EncodingUtf16Be) << QStringLiteral("文本")
                                   << QStringLiteral("endian_swap");
    QTest::newRow("utf-16le without mark")
        << utf16Le(cjk) << 0 << QStringLiteral("文本") << QStringLiteral("read");
    QTest::newRow("utf-16be without mark")
        << utf16Be(cjk) << 0 << QStringLiteral("文本") << QStringLiteral("endian_swap");
    QTest::newRow("declared iso-8859-1") << declared("ISO-8859-1", "<r>caf\xE9 \xFF</r>") << 0
                                         << QStringLiteral("café ÿ") << QStringLiteral("converted_to");
    QTest::newRow("declared alias iso8859-1")
        << declared("iso8859-1", "<r>\xE9</r>") << 0 << QStringLiteral("é") << QStringLiteral("converted_to");
    QTest::newRow("declared windows-1252")
        << declared("windows-1252", "<r>\x80 \x93q\x94</r>") << 0 << QStringLiteral("€ “q”") << QString();
    QTest::newRow("declared koi8r") << declared("koi8r", "<r>\xF0\xD2\xC9\xD7\xC5\xD4</r>") << 0
                                    << QStringLiteral("Привет") << QString();
    QTest::newRow("declared gb2312") << declared("gb2312", "<r>\xD6\xD0\xCE\xC4</r>") << 0
                                     << QStringLiteral("中文") << QString();
    QTest::newRow("declared shift_jis")
        << declared("Shift_JIS", "<r>\x93\xFA\x96\x7B</r>") << 0 << QStringLiteral("日本") << QString();
    QTest::newRow("html meta charset")
        << QByteArray(
               "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">"
               "</head><r>\xE9</r></html>")
        << 0 << QStringLiteral("<no root>") << QStringLiteral("converted_to");
    QTest::newRow("undeclared utf-8 detected")
        << QByteArray("<r>") + QStringLiteral("é中").toUtf8() + "</r>" << 0 << QStringLiteral("é中")
        << QStringLiteral("utf8_detection");
    QTest::newRow("undeclared invalid utf-8 falls back to single byte")
        << QByteArray("<r>caf\xE9 \x80</r>") << 0 << QStringLiteral("café €")
        << QStringLiteral("converted_to");
    QTest::newRow("wrongly declared utf-8 loads with stand-ins")
        << declared("UTF-8", "<r>a\xE9z</r>") << 0 << QStringLiteral("a\uFFFDz")
        << QStringLiteral("conversion_loss");
    QTest::newRow("unknown declared name detected")
        << declared("x-no-such-code", "<r>\xC3\xA9</r>") << 0 << QStringLiteral("é")
        << QStringLiteral("utf8_detection");
    QTest::newRow("16-bit name on 8-bit bytes") << declared("UTF-16", "<r>\xC3\xA9</r>") << 0
                                                << QStringLiteral("é") << QStringLiteral("utf8_detection");
    QTest::newRow("nul characters removed") << QByteArray("<r>a\0b\0\0c</r>", 13) << 0
                                            << QStringLiteral("abc") << QStringLiteral("nulls_removed");
    QTest::newRow("odd utf-16 byte dropped")
        << QByteArray("\xFF\xFE") + utf16Le(QStringLiteral("<r>x</r>")) + "\x01"
        << int(XmlDocument::EncodingUtf16Le) << QStringLiteral("x") << QStringLiteral("truncation_error");
}

void XmlEncodingTest::loadDecodes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, flags);
    QFETCH(QString, data);
    QFETCH(QString, entry);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("in.xml"));
    QVERIFY(writeBytes(path, bytes));

    XmlDocument doc;
    doc.LoadFile(path);
    QCOMPARE(doc.getFileEncodingFlags(), flags);
    if (data == QStringLiteral("<no root>"))
        QVERIFY(doc.getDocText().contains(QStringLiteral("<r>é</r>")));
    else
        QCOMPARE(rootData(doc), data);
    if (!entry.isEmpty())
        QVERIFY2(doc.getLoadResult().contains(u'<' + entry), qPrintable(doc.getLoadResult()));
}

void XmlEncodingTest::saveWritesTheSameBytesBack_data()
{
    QTest::addColumn<QByteArray>("bytes");

    const QString text = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<r>\r\n<a>文本 &amp; é</a>\r\n</r>\r\n");
    QTest::newRow("utf-8 without mark") << text.toUtf8();
    QTest::newRow("utf-8 with mark") << QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    QTest::newRow("utf-16le with mark") << QByteArray("\xFF\xFE") + utf16Le(text);
    QTest::newRow("utf-16be with mark") << QByteArray("\xFE\xFF") + utf16Be(text);
    QTest::newRow("iso-8859-1") << declared("ISO-8859-1", "<r>caf\xE9</r>\r\n");
    QTest::newRow("koi8-r") << declared("KOI8-R", "<r>\xF0\xD2\xC9\xD7\xC5\xD4</r>\r\n");
    QTest::newRow("gbk") << declared("GBK", "<r>\xD6\xD0\xCE\xC4</r>\r\n");
}

void XmlEncodingTest::saveWritesTheSameBytesBack()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.xml"));
    const QString out = dir.filePath(QStringLiteral("out.xml"));
    QVERIFY(writeBytes(in, bytes));
    XmlDocument doc;
    QVERIFY2(doc.LoadFile(in), qPrintable(doc.getLoadResult()));
    QVERIFY(doc.SaveFile(out));
    QCOMPARE(readBytes(out), bytes);
    QVERIFY(!doc.getLoadResult().contains(QStringLiteral("conversion_loss")));
}

void XmlEncodingTest::saveEncodesByDeclaration_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("loss");

    QTest::newRow("no declaration is utf-8")
        << QStringLiteral("<r>é</r>") << QByteArray("<r>\xC3\xA9</r>") << false;
    QTest::newRow("latin-1 cannot hold chinese")
        << QStringLiteral("<?xml version=\"1.0\" encoding=\"latin1\"?><r>é中</r>")
        << QByteArray("<?xml version=\"1.0\" encoding=\"latin1\"?><r>\xE9?</r>") << true;
    QTest::newRow("32-bit declaration written as utf-8")
        << QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-32\"?><r>é</r>")
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-32\"?><r>\xC3\xA9</r>") << false;
    QTest::newRow("16-bit declaration written as utf-16le")
        << QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>")
        << utf16Le(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>")) << false;
    QTest::newRow("lone surrogate is a loss")
        << QStringLiteral("<r>a") + QChar(0xD800) + QStringLiteral("b</r>") << QByteArray("<r>a?b</r>")
        << true;
}

void XmlEncodingTest::saveEncodesByDeclaration()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, loss);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.xml"));
    XmlDocument doc;
    doc.SetDocText(text);
    QVERIFY(doc.SaveFile(path));
    QCOMPARE(readBytes(path), bytes);
    QCOMPARE(doc.getLoadResult().contains(QStringLiteral("<conversion_loss")), loss);

    // What was written without loss reads back as the same text.
    if (!loss) {
        XmlDocument reader;
        reader.LoadFile(path);
        QCOMPARE(reader.getDocText(), text);
    }
}

void XmlEncodingTest::encodingNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("iconv");

    QTest::newRow("utf-8") << QStringLiteral("utf-8") << QByteArray("UTF-8");
    QTest::newRow("case ignored") << QStringLiteral("UtF-8") << QByteArray("UTF-8");
    QTest::newRow("iso8859-1") << QStringLiteral("ISO8859-1") << QByteArray("ISO-8859-1");
    QTest::newRow("koi8r") << QStringLiteral("koi8r") << QByteArray("KOI8-R");
    QTest::newRow("big5-hkscs") << QStringLiteral("big5-hkscs") << QByteArray("CP950");
    QTest::newRow("windows-1252") << QStringLiteral("Windows-1252") << QByteArray("CP1252");
    QTest::newRow("shift_jis") << QStringLiteral("Shift_JIS") << QByteArray("CP932");
    QTest::newRow("utf-32") << QStringLiteral("UTF-32") << QByteArray("UTF-32");
    QTest::newRow("passed to iconv") << QStringLiteral("iso-8859-10") << QByteArray("ISO-8859-10");
    QTest::newRow("one character") << QStringLiteral("8") << QByteArray();
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("unknown") << QStringLiteral("no-such-code") << QByteArray();
    QTest::newRow("iconv options refused") << QStringLiteral("UTF-8//TRANSLIT") << QByteArray();
}

void XmlEncodingTest::encodingNames()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, iconv);
    QCOMPARE(XmlEncodingNames::iconvName(name), iconv);
}

void XmlEncodingTest::declaredEncoding_data()
{
    QTest::addColumn<QString>("head");
    QTest::addColumn<QString>("encoding");

    QTest::newRow("declaration") << QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<r/>")
                                 << QStringLiteral("UTF-8");
    QTest::newRow("single quotes and blanks")
        << QStringLiteral("\r\n<?xml version='1.0' encoding = 'koi8-r' ?><r/>") << QStringLiteral("koi8-r");
    QTest::newRow("no encoding") << QStringLiteral("<?xml version=\"1.0\"?><r encoding=\"x\"/>") << QString();
    QTest::newRow("no declaration") << QStringLiteral("<r encoding=\"latin1\"/>") << QString();
    QTest::newRow("html meta")
        << QStringLiteral(
               "<HTML><HEAD><META HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; charset=big5\">")
        << QStringLiteral("big5");
    QTest::newRow("html meta of another kind")
        << QStringLiteral("<html><head><meta name=\"x\" content=\"text/html; charset=big5\">") << QString();
}

void XmlEncodingTest::declaredEncoding()
{
    QFETCH(QString, head);
    QFETCH(QString, encoding);
    QCOMPARE(XmlEncodingNames::findDeclaredEncoding(head), encoding);
}

QTEST_GUILESS_MAIN(XmlEncodingTest)
#include "tst_XmlEncoding.moc"
