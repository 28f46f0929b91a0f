#include "xml/XmlParser.h"

#include "xml/XmlIndex.h"
#include "xml/XmlLoadResult.h"
#include "xml/XmlText.h"

#include <QHash>

#include <vector>

namespace {

// Follows quoted values: true when `c` opens, lies in or closes one; `quote` holds the quote
// that opened the value being read, 0 outside one.
bool quoted(char16_t c, char16_t& quote)
{
    if (quote) {
        if (c == quote)
            quote = 0;
        return true;
    }
    if (c == '"' || c == '\'') {
        quote = c;
        return true;
    }
    return false;
}

class Parser
{
public:
    Parser(QStringView text, XmlIndex& index, XmlLoadResult& record)
        : m_text(text), m_index(index), m_record(record)
    {
    }

    qsizetype run();

private:
    // Each returns false when the rest of the text cannot be parsed any further.
    bool parseStartTag();
    bool parseEndTag();
    // One past the name characters from `from` on.
    qsizetype nameEnd(qsizetype from) const;
    // A tag from `start` that ends at `i` without its ">" (the text's end or a "<"): recorded,
    // and the parse goes on at `i`. False when the text has ended.
    bool unterminatedTag(qsizetype start, qsizetype i);
    bool parseMarkupDeclaration();
    bool skipTo(QStringView terminator, qsizetype from, const QString& kind);

    void problem(const QString& kind, qsizetype at);
    void closeUnended(quint32 handle, qsizetype end);
    quint32 openParent() const { return m_open.empty() ? 0 : m_open.back(); }

    QStringView m_text;
    XmlIndex& m_index;
    XmlLoadResult& m_record;
    qsizetype m_pos = 0;
    qsizetype m_problems = 0;
    std::vector<quint32> m_open;
    // How many open elements carry each name, so an end tag without a match is known at
    // once instead of by a walk up the stack.
    QHash<QStringView, qsizetype> m_openNames;
};

qsizetype Parser::run()
{
    const qsizetype n = m_text.size();
    while (m_pos < n) {
        const qsizetype lt = m_text.indexOf(u'<', m_pos);
        if (lt < 0)
            break;
        m_pos = lt;
        if (lt + 1 >= n) {
            problem(QStringLiteral("first_tag_syntax"), lt);
            break;
        }
        const QChar next = m_text.at(lt + 1);
        bool more = true;
        if (next == u'/') {
            more = parseEndTag();
        } else if (next == u'?') {
            more = skipTo(u"?>", lt + 2, QStringLiteral("unterminated_tag_syntax"));
        } else if (next == u'!') {
            more = parseMarkupDeclaration();
        } else if (XmlText::isNameStartChar(next)) {
            more = parseStartTag();
        } else {
            // A '<' that starts no tag: note it and read it as text.
            problem(QStringLiteral("first_tag_syntax"), lt);
            m_pos = lt + 1;
        }
        if (!more)
            break;
    }
    while (!m_open.empty()) {
        const quint32 handle = m_open.back();
        m_open.pop_back();
        closeUnended(handle, n);
    }

    const qsizetype topLevel = m_index.topLevelCount();
    if (topLevel == 0)
        m_record.add(QStringLiteral("no_root_element"));
    else if (topLevel > 1)
        m_record.add(QStringLiteral("root_has_sibling"),
                     {{QStringLiteral("count"), QString::number(topLevel)}});
    return m_problems;
}

qsizetype Parser::nameEnd(qsizetype from) const
{
    const qsizetype n = m_text.size();
    while (from < n && XmlText::isNameChar(m_text.at(from)))
        ++from;
    return from;
}

bool Parser::unterminatedTag(qsizetype start, qsizetype i)
{
    problem(QStringLiteral("unterminated_tag_syntax"), start);
    m_pos = i;
    return i < m_text.size();
}

bool Parser::parseStartTag()
{
    const qsizetype n = m_text.size();
    const qsizetype start = m_pos;
    const qsizetype nameStop = nameEnd(start + 1);
    qsizetype i = nameStop;
    char16_t quote = 0;
    for (; i < n; ++i) {
        const char16_t c = m_text.at(i).unicode();
        if (!quoted(c, quote) && (c == '>' || c == '<'))
            break;
    }
    if (i >= n || m_text.at(i) == u'<')
        return unterminatedTag(start, i);
    const qsizetype tagEnd = i + 1;
    XmlNode node;
    node.start = qint32(start);
    node.startTagLength = qint32(tagEnd - start);
    node.nameLength = qint32(nameStop - start - 1);
    const bool empty = i - 1 >= nameStop && m_text.at(i - 1) == u'/';
    const quint32 parent = openParent();
    const quint32 handle = m_index.insert(node, parent, m_index.node(parent).lastChild);
    if (empty) {
        m_index.node(handle).length = node.startTagLength;
        m_index.node(handle).flags |= XmlNode::EmptyTag;
    } else {
        m_open.push_back(handle);
        ++m_openNames[m_text.mid(start + 1, node.nameLength)];
    }
    m_pos = tagEnd;
    return true;
}

bool Parser::parseEndTag()
{
    const qsizetype n = m_text.size();
    const qsizetype start = m_pos;
    qsizetype i = nameEnd(start + 2);
    const QStringView name = m_text.mid(start + 2, i - start - 2);
    while (i < n && m_text.at(i) != u'>' && m_text.at(i) != u'<')
        ++i;
    if (i >= n || m_text.at(i) == u'<')
        return unterminatedTag(start, i);
    const qsizetype tagEnd = i + 1;
    m_pos = tagEnd;
    const auto count = m_openNames.find(name);
    if (name.isEmpty() || count == m_openNames.end() || count.value() == 0) {
        problem(QStringLiteral("lone_end_tag"), start);
        return true;
    }
    // Elements opened after the matching one lack their end tags: they end here.
    while (!m_open.empty()) {
        const quint32 handle = m_open.back();
        m_open.pop_back();
        const QStringView openName = m_index.name(m_text, handle);
        --m_openNames[openName];
        if (openName == name) {
            XmlNode& node = m_index.node(handle);
            node.length = qint32(tagEnd - node.start);
            node.endTagLength = qint32(tagEnd - start);
            break;
        }
        closeUnended(handle, start);
    }
    return true;
}

bool Parser::parseMarkupDeclaration()
{
    const QStringView rest = m_text.mid(m_pos);
    if (rest.startsWith(u"<!--"))
        return skipTo(u"-->", m_pos + 4, QStringLiteral("comment_tag_syntax"));
    if (rest.startsWith(u"<![CDATA["))
        return skipTo(u"]]>", m_pos + 9, QStringLiteral("cdata_section_syntax"));
    if (rest.startsWith(u"<!DOCTYPE", Qt::CaseInsensitive)) {
        // The internal subset in brackets may hold '>' of its own declarations.
        bool inSubset = false;
        char16_t quote = 0;
        for (qsizetype i = m_pos + 9; i < m_text.size(); ++i) {
            const char16_t c = m_text.at(i).unicode();
            if (quoted(c, quote))
                continue;
            if (c == '[') {
                inSubset = true;
            } else if (c == ']') {
                inSubset = false;
            } else if (c == '>' && !inSubset) {
                m_pos = i + 1;
                return true;
            }
        }
        problem(QStringLiteral("doctype_tag_syntax"), m_pos);
        return false;
    }
    return skipTo(u">", m_pos + 2, QStringLiteral("exclamation_tag_syntax"));
}

bool Parser::skipTo(QStringView terminator, qsizetype from, const QString& kind)
{
    const qsizetype end = m_text.indexOf(terminator, from);
    if (end < 0) {
        problem(kind, m_pos);
        return false;
    }
    m_pos = end + terminator.size();
    return true;
}

void Parser::problem(const QString& kind, qsizetype at)
{
    ++m_problems;
    m_record.add(kind, {{QStringLiteral("offset"), QString::number(at)}});
}

void Parser::closeUnended(quint32 handle, qsizetype end)
{
    XmlNode& node = m_index.node(handle);
    node.length = qint32(end - node.start);
    node.endTagLength = 0;
    node.flags |= XmlNode::IllFormed;
    problem(QStringLiteral("unended_start_tag"), node.start);
}

} // namespace

qsizetype XmlParser::parse(QStringView text, XmlIndex& index, XmlLoadResult& record)
{
    index.reset(text.size());
    return Parser(text, index, record).run();
}
