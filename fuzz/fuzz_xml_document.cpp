// Fuzzes the XML document: the input is loaded as text and as a file, walked and edited by a
// script read from the input's own bytes (from the end backwards), and saved again. Besides
// the sanitizers, it aborts when the element index drifts from the text, when a save into a
// writable folder fails, or when a file saved without loss does not read back as the same text.
#include "xml/XmlDocument.h"
#include "xml/XmlEncodingNames.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Names of the program's own files, so that the script finds elements of the seed files.
const QString kNames[] = {
    QStringLiteral("Preferences"),
    QStringLiteral("OutputFolderOpts"),
    QStringLiteral("OutputFolderPath"),
    QStringLiteral("Templates"),
    QStringLiteral("template"),
    QStringLiteral("Layers"),
    QStringLiteral("layer"),
    QStringLiteral("WatermarkConf"),
    QStringLiteral("文本"),
    QStringLiteral("图像"),
    QStringLiteral("textContent"),
    QStringLiteral("Font"),
    QStringLiteral("r"),
    QStringLiteral("a"),
    QStringLiteral("b"),
    QStringLiteral("x y"), // not a name: AddElement must refuse it
};
constexpr int kNameCount = int(sizeof(kNames) / sizeof(kNames[0]));
constexpr int kMaxSteps = 48;

// Reads the input from its last byte towards its first.
class Script
{
public:
    Script(const uint8_t* data, size_t size) : data_(data), left_(size) {}

    bool AtEnd() const { return left_ == 0; }
    uint8_t Next() { return left_ > 0 ? data_[--left_] : 0; }

    QString Value()
    {
        QByteArray bytes;
        const int length = Next() % 24;
        for (int i = 0; i < length; ++i)
            bytes.append(char(Next()));
        QString value = QString::fromUtf8(bytes);
        value.remove(QChar(0)); // files never hold NUL characters, see the round trip below
        return value;
    }

private:
    const uint8_t* data_;
    size_t left_;
};

void Check(bool condition)
{
    if (!condition)
        abort();
}

void Walk(XmlDocument& doc, const uint8_t* data, size_t size)
{
    Script script(data, size);
    for (int step = 0; step < kMaxSteps && !script.AtEnd(); ++step) {
        const uint8_t op = script.Next() % 10;
        const QString& name = kNames[script.Next() % kNameCount];
        switch (op) {
        case 0:
        case 1:
            doc.FindElement(name);
            break;
        case 2:
            doc.EnterElement();
            break;
        case 3:
            doc.LeaveElement();
            break;
        case 4:
            doc.GetElementData();
            break;
        case 5:
            doc.AddElement(name, script.Value());
            break;
        case 6:
            doc.AddElement(name, int(script.Next()) * 4099 - 500000);
            break;
        case 7:
            doc.SetElementData(script.Value());
            break;
        case 8:
            doc.SetElementData(int(script.Next()) - 128);
            break;
        default:
            doc.RemoveElement();
            break;
        }
        if (op >= 5) // the edits
            Check(doc.verifyIndex());
    }
}

bool IsUtf8Compatible(const QString& head)
{
    const QByteArray encoding = XmlEncodingNames::iconvName(XmlEncodingNames::findDeclaredEncoding(head));
    return encoding.isEmpty() || encoding == "UTF-8" || XmlEncodingNames::isUtf32(encoding);
}

QString WithoutLeadingMark(QString text)
{
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

// The files of a run go to the temporary folder (scripts/fuzz.sh points it at memory: each
// save syncs its file, which on a real disk would allow only a few runs per second).
const QTemporaryDir& WorkFolder()
{
    static const QTemporaryDir folder;
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString inPath = WorkFolder().filePath(QStringLiteral("in.xml"));
    const QString outPath = WorkFolder().filePath(QStringLiteral("out.xml"));

    {
        XmlDocument doc;
        doc.SetDocText(QString::fromUtf8(bytes));
        Check(doc.verifyIndex());
        Walk(doc, data, size);
        Check(doc.SaveFile(outPath));
    }

    QFile file(inPath);
    Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    Check(file.write(bytes) == bytes.size());
    file.close();

    XmlDocument doc;
    doc.LoadFile(inPath);
    Check(doc.verifyIndex());
    Check(!doc.getDocText().contains(QChar(0)));
    Walk(doc, data, size);
    Check(doc.SaveFile(outPath));

    // A save without loss in a mark's encoding or in UTF-8 reads back as the same text.
    const QString text = doc.getDocText();
    if (!doc.getLoadResult().contains(QStringLiteral("<conversion_loss"))) {
        QFile saved(outPath);
        Check(saved.open(QIODevice::ReadOnly));
        const QByteArray savedBytes = saved.readAll();
        const bool utf8 =
            IsUtf8Compatible(text.left(1024)) && IsUtf8Compatible(QString::fromUtf8(savedBytes.left(1024)));
        if (doc.getFileEncodingFlags() != 0 || utf8) {
            XmlDocument reread;
            reread.LoadFile(outPath);
            Check(WithoutLeadingMark(reread.getDocText()) == WithoutLeadingMark(text));
        }
    }
    return 0;
}
