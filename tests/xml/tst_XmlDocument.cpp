#include "xml/XmlDocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

const QString kDeclaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Every element value of the current level, walked with FindElement.
QStringList values(XmlDocument& doc, const QString& name)
{
    QStringList values;
    while (doc.FindElement(name))
        values << doc.GetElementData();
    return values;
}

} // namespace

class XmlDocumentTest : public QObject
{
    Q_OBJECT

private slots:
    void writeSequenceGivesExactBytes();
    void valueRoundTrip_data();
    void valueRoundTrip();
    void contentDecoding_data();
    void contentDecoding();
    void findElementSearchesForwardOnly();
    void findElementWalksRepeatedElements();
    void enterAndLeave();
    void addElementLayout_data();
    void addElementLayout();
    void addElementRejectsBadNames_data();
    void addElementRejectsBadNames();
    void setElementData_data();
    void setElementData();
    void setElementDataRefusesParentsAndMissingElement();
    void removeElement_data();
    void removeElement();
    void wellFormedness_data();
    void wellFormedness();
    void twoTopLevelElementsLoadButReportFalse();
    void failedLoadLeavesEmptyDocument();
    void saveIntoMissingFolderFails();
};

void XmlDocumentTest::writeSequenceGivesExactBytes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("preference.xml"));
    XmlDocument doc;
    doc.SetDocText(QString());
    doc.SetDocText(kDeclaration);
    QVERIFY(doc.AddElement(QStringLiteral("Preferences"), QString()));
    QVERIFY(doc.EnterElement());
    QVERIFY(doc.AddElement(QStringLiteral("OutputFolderOpts"), 0));
    QVERIFY(doc.AddElement(QStringLiteral("OutputFolderPath"), QStringLiteral("/home/u/Lumora Plenum")));
    QVERIFY(doc.AddElement(QStringLiteral("OutputFileNameSuffix"), QStringLiteral("_new")));
    QVERIFY(doc.LeaveElement());
    QVERIFY(doc.isWellFormed());
    QVERIFY(doc.SaveFile(path));

    const QByteArray expected = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                "<Preferences>\r\n"
                                "<OutputFolderOpts>0</OutputFolderOpts>\r\n"
                                "<OutputFolderPath>/home/u/Lumora Plenum</OutputFolderPath>\r\n"
                                "<OutputFileNameSuffix>_new</OutputFileNameSuffix>\r\n"
                                "</Preferences>\r\n";
    QCOMPARE(readAll(path), expected);

    // And it reads back in one forward pass.
    XmlDocument reader;
    QVERIFY(reader.LoadFile(path));
    QCOMPARE(reader.getFileEncodingFlags(), 0);
    QVERIFY(reader.FindElement(QStringLiteral("Preferences")));
    QVERIFY(reader.EnterElement());
    QVERIFY(reader.FindElement(QStringLiteral("OutputFolderOpts")));
    QCOMPARE(reader.GetElementData(), QStringLiteral("0"));
    QVERIFY(reader.FindElement(QStringLiteral("OutputFileNameSuffix")));
    QCOMPARE(reader.GetElementData(), QStringLiteral("_new"));
}

void XmlDocumentTest::valueRoundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("stored");

    QTest::newRow("markup characters")
        << QStringLiteral("a<b&c>d") << QStringLiteral("<v>a&lt;b&amp;c&gt;d</v>");
    QTest::newRow("quotes stay") << QStringLiteral("say \"hi\" 'x'")
                                 << QStringLiteral("<v>say \"hi\" 'x'</v>");
    QTest::newRow("already escaped text") << QStringLiteral("&amp;") << QStringLiteral("<v>&amp;amp;</v>");
    QTest::newRow("empty") << QString() << QStringLiteral("<v/>");
    QTest::newRow("chinese") << QStringLiteral("文本 图像") << QStringLiteral("<v>文本 图像</v>");
    QTest::newRow("line breaks") << QStringLiteral("a\r\nb") << QStringLiteral("<v>a\r\nb</v>");
}

void XmlDocumentTest::valueRoundTrip()
{
    QFETCH(QString, value);
    QFETCH(QString, stored);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("v.xml"));

    XmlDocument doc;
    doc.SetDocText(kDeclaration);
    QVERIFY(doc.AddElement(QStringLiteral("root"), QString()));
    QVERIFY(doc.EnterElement());
    QVERIFY(doc.AddElement(QStringLiteral("v"), value));
    QVERIFY(doc.getDocText().contains(stored + QStringLiteral("\r\n")));
    QCOMPARE(doc.GetElementData(), value);
    QVERIFY(doc.SaveFile(path));

    XmlDocument reader;
    QVERIFY(reader.LoadFile(path));
    QVERIFY(reader.FindElement(QStringLiteral("root")));
    QVERIFY(reader.EnterElement());
    QVERIFY(reader.FindElement(QStringLiteral("v")));
    QCOMPARE(reader.GetElementData(), value);
}

void XmlDocumentTest::contentDecoding_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("data");

    QTest::newRow("named") << QStringLiteral("&lt;&gt;&amp;&quot;&apos;") << QStringLiteral("<>&\"'");
    QTest::newRow("decimal") << QStringLiteral("&#65;&#20013;") << QStringLiteral("A中");
    QTest::newRow("hexadecimal") << QStringLiteral("&#x42;&#x4e2d;&#x1F600;") << QStringLiteral("B中😀");
    QTest::newRow("unknown entity stays") << QStringLiteral("&nbsp;x") << QStringLiteral("&nbsp;x");
    QTest::newRow("bare ampersand stays") << QStringLiteral("a & b") << QStringLiteral("a & b");
    QTest::newRow("unfinished reference stays") << QStringLiteral("&#12") << QStringLiteral("&#12");
    QTest::newRow("out of range stays")
        << QStringLiteral("&#x110000;&#0;") << QStringLiteral("&#x110000;&#0;");
    QTest::newRow("surrogate stays") << QStringLiteral("&#xD800;") << QStringLiteral("&#xD800;");
    QTest::newRow("cdata as is") << QStringLiteral("<![CDATA[a<b>&amp;]]>") << QStringLiteral("a<b>&amp;");
    QTest::newRow("text around cdata")
        << QStringLiteral("x&lt;<![CDATA[&lt;]]>y") << QStringLiteral("x<&lt;y");
    QTest::newRow("comment dropped") << QStringLiteral("a<!-- c -->b") << QStringLiteral("ab");
}

void XmlDocumentTest::contentDecoding()
{
    QFETCH(QString, content);
    QFETCH(QString, data);
    XmlDocument doc;
    QVERIFY(doc.SetDocText(QStringLiteral("<r><v>") + content + QStringLiteral("</v></r>")));
    QVERIFY(doc.FindElement(QStringLiteral("r")));
    QVERIFY(doc.EnterElement());
    QVERIFY(doc.FindElement(QStringLiteral("v")));
    QCOMPARE(doc.GetElementData(), data);
}

void XmlDocumentTest::findElementSearchesForwardOnly()
{
    XmlDocument doc;
    QVERIFY(doc.SetDocText(QStringLiteral("<r><a>1</a><b>2</b><c>3</c></r>")));
    QVERIFY(doc.FindElement(QStringLiteral("r")));
    QVERIFY(doc.EnterElement());
    QVERIFY(doc.FindElement(QStringLiteral("b")));
    // A name that is absent leaves the position where it was ...
    QVERIFY(!doc.FindElement(QStringLiteral("missing")));
    QCOMPARE(doc.GetElementData(), QStringLiteral("2"));
    // ... so the search goes on after "b"; "a" stands before it and is not found.
    QVERIFY(doc.FindElement(QStringLiteral("c")));
    QVERIFY(!doc.FindElement(QStringLiteral("a")));
    QCOMPARE(doc.GetElementData(), QStringLiteral("3"));
    // Names compare case-sensitively.
    XmlDocument other;
    QVERIFY(other.SetDocText(QStringLiteral("<Root/>")));
    QVERIFY(!other.FindElement(QStringLiteral("root")));
    QVERIFY(other.FindElement(QStringLiteral("Root")));
}

void XmlDocumentTest::findElementWalksRepeatedElements()
{
    XmlDocument doc;
    QVERIFY(doc.SetDocText(kDeclaration +
                           QStringLiteral("<Templates>\r\n<template>Demo 1</template>\r\n<other>x</other>\r\n"
                                          "<template>B</template>\r\n<template/>\r\n</Templates>\r\n")));
    QVERIFY(doc.FindElement(QStringLiteral("Templates")));
    QVERIFY(doc.EnterElement());
    QCOMPARE(values(doc, QStringLiteral("template")),
             QStringList({QStringLiteral("Demo 1"), QStringLiteral("B"), QString()}));
    QVERIFY(!doc.FindElement(QStringLiteral("template")));
}

void XmlDocumentTest::enterAndLeave()
{
    XmlDocument doc;
    QVERIFY(doc.SetDocText(QStringLiteral("<r><a><x>1</x></a><b>2</b></r>")));
    QVERIFY(!doc.LeaveElement());
    QVERIFY(!doc.EnterElement()); // nothing current yet
    QVERIFY(doc.FindElement(QStringLiteral("r")));
    QVERIFY(doc.EnterElement());
    QVERIFY(doc.FindElement(QStringLiteral("a")));
    QCOMPARE(doc.GetElementData(), QString()); // has a child element
    QVERIFY(doc.EnterElement());
    QVERIFY(doc.FindElement(QStringLiteral("x")));
    QVERIFY(doc.LeaveElement());
    // "a" is current again: the search goes on after it.
    QVERIFY(doc.FindElement(QStringLiteral("b")));
    QCOMPARE(doc.GetElementData(), QStringLiteral("2"));
    QVERIFY(doc.LeaveElement());
    QVERIFY(!doc.LeaveElement());
    QVERIFY(!doc.FindElement(QStringLiteral("r"))); // "r" is current; nothing after it
}

void XmlDocumentTest::addElementLayout_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QStringList>("path");  // elements found and entered before the additions
    QTest::addColumn<QString>("findFirst"); // an element to make current before adding, or empty
    QTest::addColumn<QStringList>("added"); // name=value pairs
    QTest::addColumn<QString>("after");

    QTest::newRow("root into empty document")
        << QString() << QStringList() << QString() << QStringList{"r="} << QStringLiteral("<r/>\r\n");
    QTest::newRow("into empty-element parent")
        << QStringLiteral("<r/>\r\n") << QStringList{"r"} << QString() << QStringList{"a=1", "b=2"}
        << QStringLiteral("<r>\r\n<a>1</a>\r\n<b>2</b>\r\n</r>\r\n");
    QTest::newRow("into empty-element parent with attribute")
        << QStringLiteral("<r k=\"v\" />") << QStringList{"r"} << QString() << QStringList{"a=1"}
        << QStringLiteral("<r k=\"v\" >\r\n<a>1</a>\r\n</r>");
    QTest::newRow("into start and end tag")
        << QStringLiteral("<r></r>") << QStringList{"r"} << QString() << QStringList{"a=1"}
        << QStringLiteral("<r>\r\n<a>1</a>\r\n</r>");
    QTest::newRow("appended at end of level")
        << QStringLiteral("<r>\r\n<a>1</a>\r\n</r>") << QStringList{"r"} << QString() << QStringList{"b=2"}
        << QStringLiteral("<r>\r\n<a>1</a>\r\n<b>2</b>\r\n</r>");
    QTest::newRow("after current element")
        << QStringLiteral("<r>\r\n<a>1</a>\r\n<c>3</c>\r\n</r>") << QStringList{"r"} << QStringLiteral("a")
        << QStringList{"b=2"} << QStringLiteral("<r>\r\n<a>1</a>\r\n<b>2</b>\r\n<c>3</c>\r\n</r>");
    QTest::newRow("nested empty elements")
        << QStringLiteral("<r/>") << QStringList{"r"} << QString() << QStringList{"s=", ">t=x"}
        << QStringLiteral("<r>\r\n<s>\r\n<t>x</t>\r\n</s>\r\n</r>");
    QTest::newRow("second top-level element") << QStringLiteral("<r/>\r\n") << QStringList() << QString()
                                              << QStringList{"q=1"} << QStringLiteral("<r/>\r\n<q>1</q>\r\n");
}

void XmlDocumentTest::addElementLayout()
{
    QFETCH(QString, before);
    QFETCH(QStringList, path);
    QFETCH(QString, findFirst);
    QFETCH(QStringList, added);
    QFETCH(QString, after);

    XmlDocument doc;
    doc.SetDocText(before);
    for (const QString& name : path) {
        QVERIFY(doc.FindElement(name));
        QVERIFY(doc.EnterElement());
    }
    if (!findFirst.isEmpty())
        QVERIFY(doc.FindElement(findFirst));
    for (QString pair : added) {
        // A leading '>' enters the element added last before adding.
        if (pair.startsWith(u'>')) {
            QVERIFY(doc.EnterElement());
            pair.remove(0, 1);
        }
        const qsizetype eq = pair.indexOf(u'=');
        QVERIFY(doc.AddElement(pair.left(eq), pair.mid(eq + 1)));
        QCOMPARE(doc.GetElementData(), pair.mid(eq + 1));
    }
    QCOMPARE(doc.getDocText(), after);

    // The index stays in step with the text: a fresh parse finds the same elements.
    XmlDocument fresh;
    fresh.SetDocText(after);
    QCOMPARE(fresh.isWellFormed(), doc.isWellFormed());
}

void XmlDocumentTest::addElementRejectsBadNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << QString();
    QTest::newRow("blank inside") << QStringLiteral("a b");
    QTest::newRow("markup") << QStringLiteral("a><b");
    QTest::newRow("slash") << QStringLiteral("a/");
}

void XmlDocumentTest::addElementRejectsBadNames()
{
    QFETCH(QString, name);
    XmlDocument doc;
    QVERIFY(doc.SetDocText(QStringLiteral("<r/>")));
    QVERIFY(doc.FindElement(QStringLiteral("r")));
    QVERIFY(doc.EnterElement());
    QVERIFY(!doc.AddElement(name, QStringLiteral("v")));
    QCOMPARE(doc.getDocText(), QStringLiteral("<r/>"));
    QVERIFY(doc.AddElement(QStringLiteral("文本"), 7));
    QCOMPARE(doc.getDocText(), QStringLiteral("<r>\r\n<文本>7</文本>\r\n</r>"));
}

void XmlDocumentTest::setElementData_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("after");

    QTest::newRow("replace text") << QStringLiteral("<r><a>old</a><b/></r>") << QStringLiteral("n<e>w")
                                  << QStringLiteral("<r><a>n&lt;e&gt;w</a><b/></r>");
    QTest::newRow("fill empty tag") << QStringLiteral("<r><a/><b/></r>") << QStringLiteral("x")
                                    << QStringLiteral("<r><a>x</a><b/></r>");
    QTest::newRow("fill empty tag with attribute")
        << QStringLiteral("<r><a k='1'/><b/></r>") << QStringLiteral("x")
        << QStringLiteral("<r><a k='1'>x</a><b/></r>");
    QTest::newRow("empty value gives empty tag")
        << QStringLiteral("<r><a>old</a><b/></r>") << QString() << QStringLiteral("<r><a/><b/></r>");
    QTest::newRow("empty value on empty tag")
        << QStringLiteral("<r><a/><b/></r>") << QString() << QStringLiteral("<r><a/><b/></r>");
    QTest::newRow("empty content") << QStringLiteral("<r><a></a><b/></r>") << QStringLiteral("1")
                                   << QStringLiteral("<r><a>1</a><b/></r>");
}

void XmlDocumentTest::setElementData()
{
    QFETCH(QString, before);
    QFETCH(QString, value);
    QFETCH(QString, after);
    XmlDocument doc;
    QVERIFY(doc.SetDocText(before));
    QVERIFY(doc.FindElement(QStringLiteral("r")));
    QVERIFY(doc.EnterElement());
    QVERIFY(doc.FindElement(QStringLiteral("a")));
    QVERIFY(doc.SetElementData(value));
    QCOMPARE(doc.getDocText(), after);
    QCOMPARE(doc.GetElementData(), value);
    // The sibling after it is still found and can be changed in place.
    QVERIFY(doc.FindElement(QStringLiteral("b")));
    QVERIFY(doc.SetElementData(42));
    QVERIFY(doc.getDocText().endsWith(QStringLiteral("<b>42</b></r>")));
    QVERIFY(doc.LeaveElement());
    QVERIFY(doc.isWellFormed());
}

void XmlDocumentTest::setElementDataRefusesParentsAndMissingElement()
{
    XmlDocument doc;
    const QString text = QStringLiteral("<r><a><x/></a></r>");
    QVERIFY(doc.SetDocText(text));
    QVERIFY(!doc.SetElementData(QStringLiteral("v")));
    QVERIFY(doc.FindElement(QStringLiteral("r")));
    QVERIFY(!doc.SetElementData(QStringLiteral("v")));
    QVERIFY(doc.EnterElement());
    QVERIFY(doc.FindElement(QStringLiteral("a")));
    QVERIFY(!doc.SetElementData(1));
    QCOMPARE(doc.getDocText(), text);
}

void XmlDocumentTest::removeElement_data()
{
    QTest::addColumn<QString>("removed");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("currentAfter"); // data of the element current afterwards, or "-" for none

    const QString head = QStringLiteral("<r>\r\n");
    QTest::newRow("first") << QStringLiteral("a")
                           << head + QStringLiteral("<b>2</b>\r\n<c><d>4</d></c>  text\r\n</r>\r\n")
                           << QStringLiteral("-");
    QTest::newRow("middle") << QStringLiteral("b")
                            << head + QStringLiteral("<a>1</a>\r\n<c><d>4</d></c>  text\r\n</r>\r\n")
                            << QStringLiteral("1");
    // White space that does not run up to a tag stays.
    QTest::newRow("last with text after")
        << QStringLiteral("c") << head + QStringLiteral("<a>1</a>\r\n<b>2</b>\r\n  text\r\n</r>\r\n")
        << QStringLiteral("2");
}

void XmlDocumentTest::removeElement()
{
    QFETCH(QString, removed);
    QFETCH(QString, after);
    QFETCH(QString, currentAfter);
    XmlDocument doc;
    QVERIFY(
        doc.SetDocText(QStringLiteral("<r>\r\n<a>1</a>\r\n<b>2</b>\r\n<c><d>4</d></c>  text\r\n</r>\r\n")));
    QVERIFY(!doc.RemoveElement());
    QVERIFY(doc.FindElement(QStringLiteral("r")));
    QVERIFY(doc.EnterElement());
    QVERIFY(doc.FindElement(removed));
    QVERIFY(doc.RemoveElement());
    QCOMPARE(doc.getDocText(), after);
    if (currentAfter == u'-') {
        QCOMPARE(doc.GetElementData(), QString());
        QVERIFY(!doc.RemoveElement());
    } else {
        QCOMPARE(doc.GetElementData(), currentAfter);
    }
    // The remaining elements are still reached, in order, by a search from the start.
    QVERIFY(doc.LeaveElement());
    QVERIFY(doc.EnterElement());
    for (const QString& name : {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}) {
        if (name != removed)
            QVERIFY2(doc.FindElement(name), qPrintable(name));
    }
    if (removed != u'c') {
        QVERIFY(doc.EnterElement());
        QVERIFY(doc.FindElement(QStringLiteral("d")));
        QCOMPARE(doc.GetElementData(), QStringLiteral("4"));
    }
}

void XmlDocumentTest::wellFormedness_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("wellFormed");
    QTest::addColumn<QString>("entry");

    QTest::newRow("plain") << QStringLiteral("<r><a>1</a></r>") << true << QString();
    QTest::newRow("with prolog") << kDeclaration +
                                        QStringLiteral("<!DOCTYPE r [<!ENTITY e \"x>\">]><!-- c --><r/>")
                                 << true << QString();
    QTest::newRow("attribute holding >") << QStringLiteral("<r a=\"x>y\"><b/></r>") << true << QString();
    QTest::newRow("empty") << QString() << false << QStringLiteral("no_root_element");
    QTest::newRow("declaration only") << kDeclaration << false << QStringLiteral("no_root_element");
    QTest::newRow("two roots") << QStringLiteral("<a/><b/>") << false << QStringLiteral("root_has_sibling");
    QTest::newRow("lone end tag") << QStringLiteral("<r></x></r>") << false << QStringLiteral("lone_end_tag");
    QTest::newRow("unended") << QStringLiteral("<r><a></r>") << false << QStringLiteral("unended_start_tag");
    QTest::newRow("unended at end") << QStringLiteral("<r>") << false << QStringLiteral("unended_start_tag");
    QTest::newRow("bad first char") << QStringLiteral("<r>a < b</r>") << false
                                    << QStringLiteral("first_tag_syntax");
    QTest::newRow("open comment") << QStringLiteral("<r><!-- x</r>") << false
                                  << QStringLiteral("comment_tag_syntax");
    QTest::newRow("open cdata") << QStringLiteral("<r><![CDATA[ x</r>") << false
                                << QStringLiteral("cdata_section_syntax");
    QTest::newRow("open doctype") << QStringLiteral("<!DOCTYPE r [ <r/>") << false
                                  << QStringLiteral("doctype_tag_syntax");
    QTest::newRow("open exclamation")
        << QStringLiteral("<r/><!ELEMENT") << false << QStringLiteral("exclamation_tag_syntax");
    QTest::newRow("open tag") << QStringLiteral("<r><a x=\"1</r>") << false
                              << QStringLiteral("unterminated_tag_syntax");
}

void XmlDocumentTest::wellFormedness()
{
    QFETCH(QString, text);
    QFETCH(bool, wellFormed);
    QFETCH(QString, entry);
    XmlDocument doc;
    QCOMPARE(doc.SetDocText(text), wellFormed);
    QCOMPARE(doc.isWellFormed(), wellFormed);
    QCOMPARE(doc.getDocText(), text);
    if (!entry.isEmpty())
        QVERIFY2(doc.getLoadResult().contains(u'<' + entry), qPrintable(doc.getLoadResult()));
    else
        QCOMPARE(doc.getLoadResult(), QString());
}

void XmlDocumentTest::twoTopLevelElementsLoadButReportFalse()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("two.xml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<a>1</a>\r\n<b>2</b>\r\n");
    file.close();

    XmlDocument doc;
    QVERIFY(!doc.LoadFile(path));
    QVERIFY(doc.getDocText().contains(QStringLiteral("<b>2</b>")));
    QVERIFY(doc.FindElement(QStringLiteral("b")));
    QCOMPARE(doc.GetElementData(), QStringLiteral("2"));
}

void XmlDocumentTest::failedLoadLeavesEmptyDocument()
{
    QTemporaryDir dir;
    XmlDocument doc;
    QVERIFY(doc.SetDocText(QStringLiteral("<r><a>1</a></r>")));
    QVERIFY(doc.FindElement(QStringLiteral("r")));
    QVERIFY(doc.EnterElement());
    QVERIFY(!doc.LoadFile(dir.filePath(QStringLiteral("missing.xml"))));
    QVERIFY(doc.getLoadResult().contains(QStringLiteral("<file_error")));
    QCOMPARE(doc.getDocText(), QString());
    QVERIFY(!doc.LeaveElement()); // document level
    QVERIFY(!doc.FindElement(QStringLiteral("r")));
    QVERIFY(!doc.FindElement(QStringLiteral("a")));
    QVERIFY(!doc.isWellFormed());

    // Neither a folder nor a pipe is read (opening a pipe without a writer would block).
    QVERIFY(!doc.LoadFile(dir.path()));
    QCOMPARE(doc.getDocText(), QString());
    const QString pipe = dir.filePath(QStringLiteral("pipe.xml"));
    QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QVERIFY(!doc.LoadFile(pipe));
    QVERIFY(doc.getLoadResult().contains(QStringLiteral("<file_error")));
}

void XmlDocumentTest::saveIntoMissingFolderFails()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("no/such/folder/x.xml"));
    XmlDocument doc;
    QVERIFY(doc.SetDocText(QStringLiteral("<r/>")));
    QVERIFY(!doc.SaveFile(path));
    QVERIFY(doc.getLoadResult().contains(QStringLiteral("<file_error")));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(doc.getDocText(), QStringLiteral("<r/>"));
}

QTEST_GUILESS_MAIN(XmlDocumentTest)
#include "tst_XmlDocument.moc"
