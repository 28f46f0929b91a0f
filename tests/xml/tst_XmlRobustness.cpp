#include "xml/XmlDocument.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList kNames = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};

// What the API shows of the current level and below: for each name, the data of every
// element of that name in order, with its children in brackets. Leaves the position at the
// same level it started.
QString outline(XmlDocument& doc, int depth = 0)
{
    QString out;
    for (const QString& name : kNames) {
        doc.LeaveElement(); // back to the start of the level
        doc.EnterElement();
        while (doc.FindElement(name)) {
            out += name + u'=' + doc.GetElementData();
            if (depth < 4 && doc.EnterElement()) {
                out += u'(' + outline(doc, depth + 1) + u')';
                doc.LeaveElement();
            }
            out += u';';
        }
    }
    return out;
}

QString randomValue(QRandomGenerator& random)
{
    static const QStringList pieces = {QString(),
                                       QStringLiteral("x"),
                                       QStringLiteral("<&>"),
                                       QStringLiteral("文本"),
                                       QStringLiteral(" \r\n "),
                                       QStringLiteral("&amp;"),
                                       QStringLiteral("]]>")};
    return pieces.at(random.bounded(int(pieces.size()))) + pieces.at(random.bounded(int(pieces.size())));
}

} // namespace

class XmlRobustnessTest : public QObject
{
    Q_OBJECT

private slots:
    void editsKeepIndexInStepWithText_data();
    void editsKeepIndexInStepWithText();
    void deepNesting_data();
    void deepNesting();
    void manyElements();
    void manyUnmatchedEndTagsStayLinear();
    void hugeElement();
    void arbitraryBytesLoad_data();
    void arbitraryBytesLoad();
};

void XmlRobustnessTest::editsKeepIndexInStepWithText_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<quint32>("seed");

    const QString written =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<r>\r\n<a>1</a>\r\n<b/>\r\n"
                       "<c>\r\n<a>2</a>\r\n</c>\r\n</r>\r\n");
    const QString compact = QStringLiteral("<r><a k=\"1\">x<!-- a --></a><b><c/></b><a/>tail</r>");
    for (quint32 seed = 1; seed <= 20; ++seed) {
        QTest::addRow("written %u", seed) << written << seed;
        QTest::addRow("compact %u", seed) << compact << seed;
        QTest::addRow("empty root %u", seed) << QStringLiteral("<r/>") << seed;
    }
}

// Random edits; after each few, the document must show exactly what a fresh parse of its
// text shows, and must still be well formed.
void XmlRobustnessTest::editsKeepIndexInStepWithText()
{
    QFETCH(QString, start);
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);
    XmlDocument doc;
    QVERIFY(doc.SetDocText(start));
    QVERIFY(doc.FindElement(QStringLiteral("r")));
    QVERIFY(doc.EnterElement());
    int depth = 0; // levels below "r"
    for (int step = 0; step < 300; ++step) {
        const QString name = kNames.at(random.bounded(int(kNames.size())));
        switch (random.bounded(8)) {
        case 0:
            doc.FindElement(name);
            break;
        case 1:
            if (depth < 3 && doc.EnterElement())
                ++depth;
            break;
        case 2:
            if (depth > 0 && doc.LeaveElement())
                --depth;
            break;
        case 3:
        case 4:
            QVERIFY(doc.AddElement(name, randomValue(random)));
            break;
        case 5:
            doc.SetElementData(randomValue(random));
            break;
        case 6:
            doc.AddElement(name, int(random.bounded(-5, 5)));
            break;
        default:
            doc.RemoveElement();
            break;
        }
        QVERIFY2(doc.verifyIndex(), qPrintable(doc.getDocText()));
        if (step % 10 == 9) {
            while (depth > 0) {
                QVERIFY(doc.LeaveElement());
                --depth;
            }
            XmlDocument fresh;
            QVERIFY2(fresh.SetDocText(doc.getDocText()), qPrintable(doc.getDocText()));
            QVERIFY(doc.isWellFormed());
            QVERIFY(fresh.FindElement(QStringLiteral("r")));
            QVERIFY(fresh.EnterElement());
            QCOMPARE(outline(doc), outline(fresh));
        }
    }
}

void XmlRobustnessTest::deepNesting_data()
{
    QTest::addColumn<bool>("closed");
    QTest::newRow("closed") << true;
    QTest::newRow("never closed") << false;
}

void XmlRobustnessTest::deepNesting()
{
    QFETCH(bool, closed);
    constexpr int depth = 100000;
    QString text = QStringLiteral("<a>").repeated(depth) + QStringLiteral("x");
    if (closed)
        text += QStringLiteral("</a>").repeated(depth);
    XmlDocument doc;
    QCOMPARE(doc.SetDocText(text), closed);
    for (int level = 0; level < depth; ++level) {
        QVERIFY(doc.FindElement(QStringLiteral("a")));
        QVERIFY(doc.EnterElement());
    }
    QVERIFY(!doc.FindElement(QStringLiteral("a")));
    QVERIFY(doc.AddElement(QStringLiteral("b"), QStringLiteral("y")));
    for (int level = 0; level < depth; ++level)
        QVERIFY(doc.LeaveElement());
    QVERIFY(!doc.LeaveElement());
    QVERIFY(doc.verifyIndex());
    QVERIFY(doc.RemoveElement()); // the whole tree at once
    QVERIFY(!doc.FindElement(QStringLiteral("a")));
    QCOMPARE(doc.getDocText(), QString());
}

void XmlRobustnessTest::manyElements()
{
    constexpr int count = 1000000;
    const QString text =
        QStringLiteral("<r>") + QStringLiteral("<e>1</e>\r\n").repeated(count) + QStringLiteral("</r>");
    QElapsedTimer timer;
    timer.start();
    XmlDocument doc;
    QVERIFY(doc.SetDocText(text));
    QVERIFY(doc.FindElement(QStringLiteral("r")));
    QVERIFY(doc.EnterElement());
    int found = 0;
    while (doc.FindElement(QStringLiteral("e")))
        ++found;
    QCOMPARE(found, count);
    // A handful of edits at the end of a big document.
    for (int i = 0; i < 20; ++i)
        QVERIFY(doc.AddElement(QStringLiteral("f"), i));
    QVERIFY(doc.RemoveElement());
    QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
}

void XmlRobustnessTest::manyUnmatchedEndTagsStayLinear()
{
    constexpr int count = 200000;
    const QString text = QStringLiteral("<a>").repeated(count) + QStringLiteral("</b>").repeated(count) +
                         QStringLiteral("</a>").repeated(count);
    QElapsedTimer timer;
    timer.start();
    XmlDocument doc;
    QVERIFY(!doc.SetDocText(text));
    QVERIFY(doc.getLoadResult().contains(QStringLiteral("<lone_end_tag")));
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
}

void XmlRobustnessTest::hugeElement()
{
    const QString value = QStringLiteral("<&>x").repeated(512 * 1024);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.xml"));
    XmlDocument doc;
    doc.SetDocText(QString());
    QVERIFY(doc.AddElement(QStringLiteral("r"), value));
    QVERIFY(doc.SaveFile(path));
    XmlDocument reader;
    QVERIFY(reader.LoadFile(path));
    QVERIFY(reader.FindElement(QStringLiteral("r")));
    QCOMPARE(reader.GetElementData(), value);
}

void XmlRobustnessTest::arbitraryBytesLoad_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QRandomGenerator random(7);
    // Sized by the literal (it holds a NUL), without the terminating one.
    static const char letters[] = "<>/!?[]-\"'=&;#x \r\n\0abAB\xEF\xBB\xBF\xFE\xFF\xC3";
    const QByteArray alphabet(letters, sizeof letters - 1);
    for (int i = 0; i < 40; ++i) {
        QByteArray bytes;
        const int size = random.bounded(1, 400);
        for (int j = 0; j < size; ++j)
            bytes.append(alphabet.at(random.bounded(int(alphabet.size()))));
        QTest::addRow("random %d", i) << bytes;
    }
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("mark only") << QByteArray("\xFF\xFE");
    QTest::newRow("cut declaration") << QByteArray("<?xml version=\"1.0\" encoding=\"");
    QTest::newRow("declared utf-16 le text")
        << QByteArray("<\0?\0x\0m\0l\0 \0e\0n\0c\0o\0d\0i\0n\0g\0=\0'\0x\0'\0", 36);
    QTest::newRow("declared stateful code page")
        << QByteArray("<?xml version='1.0' encoding='ISO-2022-JP'?><r>\x1B$B");
}

// Anything loads (well formed or not), can be walked and edited, and saves.
void XmlRobustnessTest::arbitraryBytesLoad()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("any.xml"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    XmlDocument doc;
    doc.LoadFile(path);
    QVERIFY(!doc.getDocText().contains(QChar(0)));
    QVERIFY(doc.verifyIndex());
    for (const QString& name : kNames) {
        while (doc.FindElement(name)) {
            doc.GetElementData();
            doc.EnterElement();
            doc.AddElement(name, QStringLiteral("<v>"));
            doc.SetElementData(QStringLiteral("w"));
            doc.LeaveElement();
            QVERIFY(doc.verifyIndex());
        }
        doc.RemoveElement();
        QVERIFY(doc.verifyIndex());
    }
    QVERIFY(doc.SaveFile(dir.filePath(QStringLiteral("out.xml"))));
}

QTEST_GUILESS_MAIN(XmlRobustnessTest)
#include "tst_XmlRobustness.moc"
