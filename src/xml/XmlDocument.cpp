#include "xml/XmlDocument.h"

#include "xml/XmlFileCodec.h"
#include "xml/XmlIndex.h"
#include "xml/XmlLoadResult.h"
#include "xml/XmlParser.h"
#include "xml/XmlText.h"

namespace {

QString lineEnd()
{
    return QStringLiteral("\r\n");
}

QString startTag(QStringView name)
{
    return QLatin1Char('<') + name.toString() + QLatin1Char('>');
}

QString emptyTag(QStringView name)
{
    return QLatin1Char('<') + name.toString() + QStringLiteral("/>");
}

QString endTagFor(QStringView name)
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

    void clear()
    {
        text.clear();
        index.reset(0);
        parseProblems = 0;
        resetPosition();
    }

    void resetPosition() { parent = current = child = 0; }

    bool parse(QString newText)
    {
        if (newText.size() > XmlIndex::kMaxTextLength) {
            record.add(QStringLiteral("truncation_error"),
                       {{QStringLiteral("length"), QString::number(newText.size())}});
            clear();
            return false;
        }
        text = std::move(newText);
        parseProblems = XmlParser::parse(text, index, record);
        resetPosition();
        return wellFormed();
    }

    bool wellFormed() const { return parseProblems == 0 && index.topLevelCount() == 1; }

    // Replaces `length` characters at `pos` by `insert` and keeps the index in step;
    // `container` is the innermost element that holds the whole change.
    bool splice(qsizetype pos, qsizetype length, const QString& insert, quint32 container)
    {
        if (text.size() - length + insert.size() > XmlIndex::kMaxTextLength)
            return false;
        text.replace(pos, length, insert);
        index.splice(pos + length, insert.size() - length, container);
        return true;
    }

    // The white space from `from` when it runs up to the next tag (or the end of the text):
    // returns where it ends; otherwise `from` itself.
    qsizetype skipSpaceToTag(qsizetype from) const
    {
        qsizetype i = from;
        while (i < text.size() && XmlText::isSpace(text.at(i)))
            ++i;
        return (i == text.size() || text.at(i) == u'<') ? i : from;
    }

    bool add(const QString& name, const QString& value);
    bool setData(const QString& value);
};

bool XmlDocument::Impl::add(const QString& name, const QString& value)
{
    if (!XmlText::isValidName(name))
        return false;
    const bool empty = value.isEmpty();
    const QString element =
        empty ? emptyTag(name) : startTag(name) + XmlText::escape(value) + endTagFor(name);
    XmlNode node;
    node.length = qint32(element.size());
    node.nameLength = qint32(name.size());
    node.startTagLength = empty ? node.length : node.nameLength + 2;
    node.endTagLength = empty ? 0 : node.nameLength + 3;
    node.flags = empty ? XmlNode::EmptyTag : 0;

    const XmlNode owner = index.node(parent);
    const quint32 after = current ? current : owner.lastChild;
    if (after) {
        // Behind the element and the line break that follows it.
        const qsizetype pos = skipSpaceToTag(index.node(after).end());
        if (!splice(pos, 0, element + lineEnd(), parent))
            return false;
        node.start = qint32(pos);
    } else if (parent != 0 && (owner.flags & XmlNode::EmptyTag)) {
        // <p/> becomes <p>, line break, the new element and its line break, </p>.
        const QString endTag = endTagFor(index.name(text, parent));
        const qsizetype slash = owner.start + owner.startTagLength - 2;
        if (!splice(slash, 2, QLatin1Char('>') + lineEnd() + element + lineEnd() + endTag, parent))
            return false;
        XmlNode& rewritten = index.node(parent);
        rewritten.startTagLength -= 1;
        rewritten.endTagLength = qint32(endTag.size());
        rewritten.flags &= quint8(~XmlNode::EmptyTag);
        node.start = qint32(slash + 3); // after ">" and the line break
    } else if (parent != 0) {
        // Before the end tag; <p></p> gets a line break of its own in front of the element.
        const qsizetype pos = owner.contentEnd();
        const QString lead = pos == owner.contentStart() ? lineEnd() : QString();
        if (!splice(pos, 0, lead + element + lineEnd(), parent))
            return false;
        node.start = qint32(pos + lead.size());
    } else {
        const qsizetype pos = text.size();
        if (!splice(pos, 0, element + lineEnd(), 0))
            return false;
        node.start = qint32(pos);
    }
    current = index.insert(node, parent, after);
    child = 0;
    return true;
}

bool XmlDocument::Impl::setData(const QString& value)
{
    if (!current)
        return false;
    const XmlNode node = index.node(current);
    if (node.firstChild || (node.flags & XmlNode::IllFormed))
        return false;
    if (value.isEmpty()) {
        if (node.flags & XmlNode::EmptyTag)
            return true;
        // <a ...>content</a> becomes <a .../>, as an empty value is always written.
        const QString tag = text.mid(node.start, node.startTagLength - 1) + QStringLiteral("/>");
        if (!splice(node.start, node.length, tag, current))
            return false;
        XmlNode& changed = index.node(current);
        changed.startTagLength = qint32(tag.size());
        changed.endTagLength = 0;
        changed.flags |= XmlNode::EmptyTag;
        return true;
    }
    const QString escaped = XmlText::escape(value);
    if (node.flags & XmlNode::EmptyTag) {
        const QString endTag = endTagFor(index.name(text, current));
        const qsizetype slash = node.start + node.startTagLength - 2;
        if (!splice(slash, 2, QLatin1Char('>') + escaped + endTag, current))
            return false;
        XmlNode& changed = index.node(current);
        changed.startTagLength -= 1;
        changed.endTagLength = qint32(endTag.size());
        changed.flags &= quint8(~XmlNode::EmptyTag);
        return true;
    }
    return splice(node.contentStart(), node.contentEnd() - node.contentStart(), escaped, current);
}

XmlDocument::XmlDocument() : d(new Impl) {}

XmlDocument::~XmlDocument()
{
    delete d;
}

bool XmlDocument::SetDocText(const QString& text)
{
    d->record.clear();
    return d->parse(text.isNull() ? QString() : text);
}

bool XmlDocument::LoadFile(const QString& path)
{
    d->record.clear();
    QByteArray bytes;
    if (!XmlFileCodec::readFile(path, bytes, d->record)) {
        d->clear();
        d->encodingFlags = 0;
        return false;
    }
    int flags = 0;
    QString text = XmlFileCodec::decode(bytes, flags, d->record);
    bytes = QByteArray();
    d->encodingFlags = flags;
    return d->parse(std::move(text));
}

bool XmlDocument::SaveFile(const QString& path)
{
    d->record.clear();
    const QByteArray bytes = XmlFileCodec::encode(d->text, d->encodingFlags, d->record);
    return XmlFileCodec::writeFile(path, bytes, d->record);
}

bool XmlDocument::FindElement(const QString& name)
{
    const quint32 first = d->current ? d->index.node(d->current).next : d->index.node(d->parent).firstChild;
    for (quint32 h = first; h; h = d->index.node(h).next) {
        if (d->index.name(d->text, h) == name) {
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
    d->parent = d->index.node(d->parent).parent;
    return true;
}

QString XmlDocument::GetElementData() const
{
    if (!d->current)
        return {};
    const XmlNode& node = d->index.node(d->current);
    if (node.firstChild || (node.flags & XmlNode::EmptyTag))
        return {};
    return XmlText::decodeContent(
        QStringView(d->text).mid(node.contentStart(), node.contentEnd() - node.contentStart()));
}

bool XmlDocument::AddElement(const QString& name, const QString& value, int flags)
{
    Q_UNUSED(flags);
    return d->add(name, value);
}

bool XmlDocument::AddElement(const QString& name, int value, int flags)
{
    Q_UNUSED(flags);
    return d->add(name, QString::number(value));
}

bool XmlDocument::SetElementData(const QString& value, int flags)
{
    Q_UNUSED(flags);
    return d->setData(value);
}

bool XmlDocument::SetElementData(int value, int flags)
{
    Q_UNUSED(flags);
    return d->setData(QString::number(value));
}

bool XmlDocument::RemoveElement()
{
    if (!d->current)
        return false;
    const quint32 removed = d->current;
    const XmlNode node = d->index.node(removed);
    const qsizetype end = d->skipSpaceToTag(node.end());
    d->index.remove(removed);
    d->splice(node.start, end - node.start, QString(), node.parent);
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
    return d->wellFormed();
}

QString XmlDocument::getLoadResult() const
{
    return d->record.toString();
}

bool XmlDocument::verifyIndex() const
{
    if (!d->index.verify(d->text))
        return false;
    if (d->parseProblems > 0)
        return true;
    XmlIndex fresh;
    XmlLoadResult ignored;
    XmlParser::parse(d->text, fresh, ignored);
    return d->index.sameShape(fresh);
}
