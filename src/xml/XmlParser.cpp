#include "xml/XmlParser.h"

#include "xml/XmlIndex.h"
#include "xml/XmlLoadResult.h"
#include "xml/XmlText.h"

#include <QHash>

#include <vector>

namespace {

class Parser
{
public:
    Parser(QStringView text, XmlIndex& index, XmlLoadResult& record)
        : text_(text), index_(index), record_(record)
    {
    }

    qsizetype Run();

private:
    // Each returns false when the rest of the text cannot be parsed any further.
    bool ParseStartTag();
    bool ParseEndTag();
    bool ParseMarkupDeclaration();
    bool SkipTo(QStringView terminator, qsizetype from, const QString& kind);

    void Problem(const QString& kind, qsizetype at);
    void CloseUnended(quint32 handle, qsizetype end);
    quint32 OpenParent() const { return open_.empty() ? 0 : open_.back(); }

    QStringView text_;
    XmlIndex& index_;
    XmlLoadResult& record_;
    qsizetype pos_ = 0;
    qsizetype problems_ = 0;
    std::vector<quint32> open_;
    // How many open elements carry each name, so an end tag without a match is known at
    // once instead of by a walk up the stack.
    QHash<QStringView, qsizetype> openNames_;
};

qsizetype Parser::Run()
{
    const qsizetype n = text_.size();
    while (pos_ < n) {
        const qsizetype lt = text_.indexOf(u'<', pos_);
        if (lt < 0)
            break;
        pos_ = lt;
        if (lt + 1 >= n) {
            Problem(QStringLiteral("first_tag_syntax"), lt);
            break;
        }
        const QChar next = text_.at(lt + 1);
        bool more = true;
        if (next == u'/') {
            more = ParseEndTag();
        } else if (next == u'?') {
            more = SkipTo(u"?>", lt + 2, QStringLiteral("unterminated_tag_syntax"));
        } else if (next == u'!') {
            more = ParseMarkupDeclaration();
        } else if (XmlText::IsNameStartChar(next)) {
            more = ParseStartTag();
        } else {
            // A '<' that starts no tag: note it and read it as text.
            Problem(QStringLiteral("first_tag_syntax"), lt);
            pos_ = lt + 1;
        }
        if (!more)
            break;
    }
    while (!open_.empty()) {
        const quint32 handle = open_.back();
        open_.pop_back();
        CloseUnended(handle, n);
    }

    const qsizetype topLevel = index_.TopLevelCount();
    if (topLevel == 0)
        record_.Add(QStringLiteral("no_root_element"));
    else if (topLevel > 1)
        record_.Add(QStringLiteral("root_has_sibling"),
                    {{QStringLiteral("count"), QString::number(topLevel)}});
    return problems_;
}

bool Parser::ParseStartTag()
{
    const qsizetype n = text_.size();
    const qsizetype start = pos_;
    qsizetype i = start + 1;
    while (i < n && XmlText::IsNameChar(text_.at(i)))
        ++i;
    const qsizetype nameEnd = i;
    char16_t quote = 0;
    for (; i < n; ++i) {
        const char16_t c = text_.at(i).unicode();
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>' || c == '<') {
            break;
        }
    }
    if (i >= n || text_.at(i) == u'<') {
        Problem(QStringLiteral("unterminated_tag_syntax"), start);
        pos_ = i;
        return i < n;
    }
    const qsizetype tagEnd = i + 1;
    XmlNode node;
    node.start = qint32(start);
    node.startTagLength = qint32(tagEnd - start);
    node.nameLength = qint32(nameEnd - start - 1);
    const bool empty = i - 1 >= nameEnd && text_.at(i - 1) == u'/';
    const quint32 parent = OpenParent();
    const quint32 handle = index_.Insert(node, parent, index_.Node(parent).lastChild);
    if (empty) {
        index_.Node(handle).length = node.startTagLength;
        index_.Node(handle).flags |= XmlNode::EmptyTag;
    } else {
        open_.push_back(handle);
        ++openNames_[text_.mid(start + 1, node.nameLength)];
    }
    pos_ = tagEnd;
    return true;
}

bool Parser::ParseEndTag()
{
    const qsizetype n = text_.size();
    const qsizetype start = pos_;
    qsizetype i = start + 2;
    while (i < n && XmlText::IsNameChar(text_.at(i)))
        ++i;
    const QStringView name = text_.mid(start + 2, i - start - 2);
    while (i < n && text_.at(i) != u'>' && text_.at(i) != u'<')
        ++i;
    if (i >= n || text_.at(i) == u'<') {
        Problem(QStringLiteral("unterminated_tag_syntax"), start);
        pos_ = i;
        return i < n;
    }
    const qsizetype tagEnd = i + 1;
    pos_ = tagEnd;
    const auto count = openNames_.find(name);
    if (name.isEmpty() || count == openNames_.end() || count.value() == 0) {
        Problem(QStringLiteral("lone_end_tag"), start);
        return true;
    }
    // Elements opened after the matching one lack their end tags: they end here.
    while (!open_.empty()) {
        const quint32 handle = open_.back();
        open_.pop_back();
        const QStringView openName = index_.Name(text_, handle);
        --openNames_[openName];
        if (openName == name) {
            XmlNode& node = index_.Node(handle);
            node.length = qint32(tagEnd - node.start);
            node.endTagLength = qint32(tagEnd - start);
            break;
        }
        CloseUnended(handle, start);
    }
    return true;
}

bool Parser::ParseMarkupDeclaration()
{
    const QStringView rest = text_.mid(pos_);
    if (rest.startsWith(u"<!--"))
        return SkipTo(u"-->", pos_ + 4, QStringLiteral("comment_tag_syntax"));
    if (rest.startsWith(u"<![CDATA["))
        return SkipTo(u"]]>", pos_ + 9, QStringLiteral("cdata_section_syntax"));
    if (rest.startsWith(u"<!DOCTYPE", Qt::CaseInsensitive)) {
        // The internal subset in brackets may hold '>' of its own declarations.
        bool inSubset = false;
        char16_t quote = 0;
        for (qsizetype i = pos_ + 9; i < text_.size(); ++i) {
            const char16_t c = text_.at(i).unicode();
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '[') {
                inSubset = true;
            } else if (c == ']') {
                inSubset = false;
            } else if (c == '>' && !inSubset) {
                pos_ = i + 1;
                return true;
            }
        }
        Problem(QStringLiteral("doctype_tag_syntax"), pos_);
        return false;
    }
    return SkipTo(u">", pos_ + 2, QStringLiteral("exclamation_tag_syntax"));
}

bool Parser::SkipTo(QStringView terminator, qsizetype from, const QString& kind)
{
    const qsizetype end = text_.indexOf(terminator, from);
    if (end < 0) {
        Problem(kind, pos_);
        return false;
    }
    pos_ = end + terminator.size();
    return true;
}

void Parser::Problem(const QString& kind, qsizetype at)
{
    ++problems_;
    record_.Add(kind, {{QStringLiteral("offset"), QString::number(at)}});
}

void Parser::CloseUnended(quint32 handle, qsizetype end)
{
    XmlNode& node = index_.Node(handle);
    node.length = qint32(end - node.start);
    node.endTagLength = 0;
    node.flags |= XmlNode::IllFormed;
    Problem(QStringLiteral("unended_start_tag"), node.start);
}

} // namespace

qsizetype XmlParser::Parse(QStringView text, XmlIndex& index, XmlLoadResult& record)
{
    index.Reset(text.size());
    return Parser(text, index, record).Run();
}
