#include "xml/XmlDocument.h"

#include "xml/XmlFileCodec.h"
#include "xml/XmlIndex.h"
#include "xml/XmlLoadResult.h"
#include "xml/XmlParser.h"
#include "xml/XmlText.h"

namespace {

QString LineEnd()
{
    return QStringLiteral("\r\n");
}

QString startTag(QStringView name)
{
    return QLatin1Char('<') + name.toString() + QLatin1Char('>');
}

QString EmptyTag(QStringView name)
{
    return QLatin1Char('<') + name.toString() + QStringLiteral("/>");
}

QString EndTag(QStringView name)
{
    return QStringLiteral("</") + name.toString() + QLatin1Char('>');
}

} // namespace

struct XmlDocument::Impl
{
    QString text;
    XmlIndex index;
    // Position: the element whose children are being walked (0 = document level), the
    // element found or added last at that level, and the element that was current inside it.
    quint32 parent = 0;
    quint32 current = 0;
    quint32 child = 0;
    int encodingFlags = 0;
    qsizetype parseProblems = 0;
    XmlLoadResult record;

    void Clear()
    {
        text.clear();
        index.Reset(0);
        parseProblems = 0;
        resetPosition();
    }

    void resetPosition() { parent = current = child = 0; }

    bool Parse(QString newText)
    {
        if (newText.size() > XmlIndex::kMaxTextLength) {
            record.Add(QStringLiteral("truncation_error"),
                       {{QStringLiteral("length"), QString::number(newText.size())}});
            Clear();
            return false;
        }
        text = std::move(newText);
        parseProblems = XmlParser::Parse(text, index, record);
        resetPosition();
        return WellFormed();
    }

    bool WellFormed() const { return parseProblems == 0 && index.topLevelCount() == 1; }

    // Replaces `length` characters at `pos` by `insert` and keeps the index in step;
    // `container` is the innermost element that holds the whole change.
    bool Splice(qsizetype pos, qsizetype length, const QString& insert, quint32 container)
    {
        if (text.size() - length + insert.size() > XmlIndex::kMaxTextLength)
            return false;
        text.replace(pos, length, insert);
        index.Splice(pos + length, insert.size() - length, container);
        return true;
    }

    // The white space from `from` when it runs up to the next tag (or the end of the text):
    // returns where it ends; otherwise `from` itself.
    qsizetype skipSpaceToTag(qsizetype from) const
    {
        qsizetype i = from;
        while (i < text.size() && XmlText::IsSpace(text.at(i)))
            ++i;
        return (i == text.size() || text.at(i) == u'<') ? i : from;
    }

    bool Add(const QString& name, const QString& value);
    bool SetData(const QString& value);
};

bool XmlDocument::Impl::Add(const QString& name, const QString& value)
{
    if (!XmlText::isValidName(name))
        return false;
    const bool empty = value.isEmpty();
    const QString element = empty ? EmptyTag(name) : startTag(name) + XmlText::Escape(value) + EndTag(name);
    XmlNode node;
    node.length = qint32(element.size());
    node.nameLength = qint32(name.size());
    node.startTagLength = empty ? node.length : node.nameLength + 2;
    node.endTagLength = empty ? 0 : node.nameLength + 3;
    node.flags = empty ? XmlNode::EmptyTag : 0;

    const XmlNode owner = index.Node(parent);
    const quint32 after = current ? current : owner.lastChild;
    if (after) {
        // Behind the element and the line break that follows it.
        const qsizetype pos = skipSpaceToTag(index.Node(after).End());
        if (!Splice(pos, 0, element + LineEnd(), parent))
            return false;
        node.start = qint32(pos);
    } else if (parent != 0 && (owner.flags & XmlNode::EmptyTag)) {
        // <p/> becomes <p>, line break, the new element and its line break, </p>.
        const QString endTag = EndTag(index.Name(text, parent));
        const qsizetype slash = owner.start + owner.startTagLength - 2;
        if (!Splice(slash, 2, QLatin1Char('>') + LineEnd() + element + LineEnd() + endTag, parent))
            return false;
        XmlNode& rewritten = index.Node(parent);
        rewritten.startTagLength -= 1;
        rewritten.endTagLength = qint32(endTag.size());
        rewritten.flags &= quint8(~XmlNode::EmptyTag);
        node.start = qint32(slash + 3); // after ">" and the line break
    } else if (parent != 0) {
        // Before the end tag; <p></p> gets a line break of its own in front of the element.
        const qsizetype pos = owner.contentEnd();
        const QString lead = pos == owner.contentStart() ? LineEnd() : QString();
        if (!Splice(pos, 0, lead + element + LineEnd(), parent))
            return false;
        node.start = qint32(pos + lead.size());
    } else {
        const qsizetype pos = text.size();
        if (!Splice(pos, 0, element + LineEnd(), 0))
            return false;
        node.start = qint32(pos);
    }
    current = index.Insert(node, parent, after);
    child = 0;
    return true;
}

bool XmlDocument::Impl::SetData(const QString& value)
{
    if (!current)
        return false;
    const XmlNode node = index.Node(current);
    if (node.firstChild || (node.flags & XmlNode::IllFormed))
        return false;
    if (value.isEmpty()) {
        if (node.flags & XmlNode::EmptyTag)
            return true;
        // <a ...>content</a> becomes <a .../>, as an empty value is always written.
        const QString tag = text.mid(node.start, node.startTagLength - 1) + QStringLiteral("/>");
        if (!Splice(node.start, node.length, tag, current))
            return false;
        XmlNode& changed = index.Node(current);
        changed.startTagLength = qint32(tag.size());
        changed.endTagLength = 0;
        changed.flags |= XmlNode::EmptyTag;
        return true;
    }
    const QString escaped = XmlText::Escape(value);
    if (node.flags & XmlNode::EmptyTag) {
        const QString endTag = EndTag(index.Name(text, current));
        const qsizetype slash = node.start + node.startTagLength - 2;
        if (!Splice(slash, 2, QLatin1Char('>') + escaped + endTag, current))
            return false;
        XmlNode& changed = index.Node(current);
        changed.startTagLength -= 1;
        changed.endTagLength = qint32(endTag.size());
        changed.flags &= quint8(~XmlNode::EmptyTag);
        return true;
    }
    return Splice(node.contentStart(), node.contentEnd() - node.contentStart(), escaped, current);
}

XmlDocument::XmlDocument() : d(new Impl) {}

XmlDocument::~XmlDocument()
{
    delete d;
}

bool XmlDocument::SetDocText(const QString& text)
{
    d->record.Clear();
    return d->Parse(text.isNull() ? QString() : text);
}

bool XmlDocument::LoadFile(const QString& path)
{
    d->record.Clear();
    QByteArray bytes;
    if (!XmlFileCodec::ReadFile(path, bytes, d->record)) {
        d->Clear();
        d->encodingFlags = 0;
        return false;
    }
    int flags = 0;
    QString text = XmlFileCodec::Decode(bytes, flags, d->record);
    bytes = QByteArray();
    d->encodingFlags = flags;
    return d->Parse(std::move(text));
}

bool XmlDocument::SaveFile(const QString& path)
{
    d->record.Clear();
    const QByteArray bytes = XmlFileCodec::Encode(d->text, d->encodingFlags, d->record);
    return XmlFileCodec::WriteFile(path, bytes, d->record);
}

bool XmlDocument::FindElement(const QString& name)
{
    const quint32 first = d->current ? d->index.Node(d->current).next : d->index.Node(d->parent).firstChild;
    for (quint32 h = first; h; h = d->index.Node(h).next) {
        if (d->index.Name(d->text, h) == name) {
            d->current = h;
            d->child = 0;
            return true;
        }
    }
    return false;
}

bool XmlDocument::EnterElement()
{
    if (!d->current)
        return false;
    d->parent = d->current;
    d->current = 0;
    d->child = 0;
    return true;
}

bool XmlDocument::LeaveElement()
{
    if (!d->parent)
        return false;
    d->child = d->current;
    d->current = d->parent;
    d->parent = d->index.Node(d->parent).parent;
    return true;
}

QString XmlDocument::GetElementData() const
{
    if (!d->current)
        return {};
    const XmlNode& node = d->index.Node(d->current);
    if (node.firstChild || (node.flags & XmlNode::EmptyTag))
        return {};
    return XmlText::decodeContent(
        QStringView(d->text).mid(node.contentStart(), node.contentEnd() - node.contentStart()));
}

bool XmlDocument::AddElement(const QString& name, const QString& value, int flags)
{
    Q_UNUSED(flags);
    return d->Add(name, value);
}

bool XmlDocument::AddElement(const QString& name, int value, int flags)
{
    Q_UNUSED(flags);
    return d->Add(name, QString::number(value));
}

bool XmlDocument::SetElementData(const QString& value, int flags)
{
    Q_UNUSED(flags);
    return d->SetData(value);
}

bool XmlDocument::SetElementData(int value, int flags)
{
    Q_UNUSED(flags);
    return d->SetData(QString::number(value));
}

bool XmlDocument::RemoveElement()
{
    if (!d->current)
        return false;
    const quint32 removed = d->current;
    const XmlNode node = d->index.Node(removed);
    const qsizetype end = d->skipSpaceToTag(node.End());
    d->index.Remove(removed);
    d->Splice(node.start, end - node.start, QString(), node.parent);
    d->current = node.prev;
    d->child = 0;
    return true;
}

QString XmlDocument::getDocText() const
{
    return d->text;
}

int XmlDocument::getFileEncodingFlags() const
{
    return d->encodingFlags;
}

bool XmlDocument::isWellFormed() const
{
    return d->WellFormed();
}

QString XmlDocument::getLoadResult() const
{
    return d->record.ToString();
}

bool XmlDocument::verifyIndex() const
{
    if (!d->index.Verify(d->text))
        return false;
    if (d->parseProblems > 0)
        return true;
    XmlIndex fresh;
    XmlLoadResult ignored;
    XmlParser::Parse(d->text, fresh, ignored);
    return d->index.sameShape(fresh);
}
