#pragma once

#include <QStringView>
#include <QtGlobal>

#include <vector>

// One element of the index: where it stands in the document text and how it links to its
// neighbours. Handles are positions in the index; 0 is the document itself, so a parent of 0
// means "document level" and a sibling or child of 0 means "none".
struct XmlNode
{
    enum Flag : quint8
    {
        EmptyTag = 0x1,  // written as <name/>
        IllFormed = 0x2, // no end tag of its own
        Removed = 0x4,   // taken out of the document; the slot is not reused
    };

    qint32 start = 0;  // offset of '<'
    qint32 length = 0; // up to and including the end tag
    qint32 startTagLength = 0;
    qint32 endTagLength = 0; // 0 for empty-element tags and unended elements
    qint32 nameLength = 0;
    quint32 parent = 0;
    quint32 firstChild = 0;
    quint32 lastChild = 0;
    quint32 next = 0;
    quint32 prev = 0;
    quint8 flags = 0;

    qint32 end() const { return start + length; }
    qint32 contentStart() const { return start + startTagLength; }
    qint32 contentEnd() const { return start + length - endTagLength; }
};

// The element index over a document text. It knows nothing of the text itself except
// offsets; the document keeps both in step when it splices the text.
class XmlIndex
{
public:
    // Largest document text the index can address.
    static constexpr qsizetype kMaxTextLength = qsizetype(1) << 30;

    XmlIndex();

    // Back to a document of `textLength` characters without elements.
    void reset(qsizetype textLength);

    const XmlNode& node(quint32 handle) const { return m_nodes[handle]; }
    XmlNode& node(quint32 handle) { return m_nodes[handle]; }
    QStringView name(QStringView text, quint32 handle) const;

    // Creates a node and links it under `parent` right after `after` (0: as first child).
    quint32 insert(const XmlNode& node, quint32 parent, quint32 after);
    // Unlinks a node from its parent and marks it and everything below it as removed.
    void remove(quint32 handle);

    // Keeps the offsets in step with a text splice that replaced the characters up to `end`
    // (old offsets) and changed the text length by `delta`: elements that start at or after
    // `end` move, and `container` with all its ancestors grows by `delta`.
    void splice(qsizetype end, qsizetype delta, quint32 container);

    qsizetype topLevelCount() const;

    // True when every element reachable from the document stands in `text` where the index
    // says: '<' and its name at the start, '>' closing the start tag, "/>" for empty-element
    // tags, its own end tag at the end, children inside the content in order, links coherent.
    bool verify(QStringView text) const;
    // True when both indexes hold the same elements at the same places, in the same tree.
    bool sameShape(const XmlIndex& other) const;

private:
    // Next element in document order below the document, or 0 at the end; no stack needed.
    quint32 nextInOrder(quint32 handle) const;
    bool verifyNode(QStringView text, quint32 handle) const;

    std::vector<XmlNode> m_nodes;
};
