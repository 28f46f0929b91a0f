#include "xml/XmlIndex.h"

#include "xml/XmlText.h"

XmlIndex::XmlIndex()
{
    reset(0);
}

void XmlIndex::reset(qsizetype textLength)
{
    m_nodes.clear();
    m_nodes.shrink_to_fit();
    XmlNode document;
    document.length = qint32(textLength);
    m_nodes.push_back(document);
}

QStringView XmlIndex::name(QStringView text, quint32 handle) const
{
    const XmlNode& node = m_nodes[handle];
    return text.mid(node.start + 1, node.nameLength);
}

quint32 XmlIndex::insert(const XmlNode& node, quint32 parent, quint32 after)
{
    const auto handle = quint32(m_nodes.size());
    m_nodes.push_back(node);
    XmlNode& created = m_nodes.back();
    XmlNode& owner = m_nodes[parent];
    created.parent = parent;
    created.firstChild = created.lastChild = 0;
    created.prev = after;
    created.next = after ? m_nodes[after].next : owner.firstChild;
    if (created.next)
        m_nodes[created.next].prev = handle;
    else
        owner.lastChild = handle;
    if (after)
        m_nodes[after].next = handle;
    else
        owner.firstChild = handle;
    return handle;
}

void XmlIndex::remove(quint32 handle)
{
    XmlNode& node = m_nodes[handle];
    XmlNode& owner = m_nodes[node.parent];
    if (node.prev)
        m_nodes[node.prev].next = node.next;
    else
        owner.firstChild = node.next;
    if (node.next)
        m_nodes[node.next].prev = node.prev;
    else
        owner.lastChild = node.prev;

    // Walk the subtree in document order without a stack: down to the first child, else to
    // the next sibling, else up until an ancestor (below `handle`) has a next sibling.
    quint32 current = handle;
    while (current) {
        XmlNode& visit = m_nodes[current];
        visit.flags |= XmlNode::Removed;
        if (visit.firstChild) {
            current = visit.firstChild;
            continue;
        }
        while (current != handle && !m_nodes[current].next)
            current = m_nodes[current].parent;
        current = current == handle ? 0 : m_nodes[current].next;
    }
    node.prev = node.next = 0;
}

void XmlIndex::splice(qsizetype end, qsizetype delta, quint32 container)
{
    if (delta == 0)
        return;
    for (size_t i = 1; i < m_nodes.size(); ++i) {
        XmlNode& node = m_nodes[i];
        if (!(node.flags & XmlNode::Removed) && node.start >= end)
            node.start = qint32(node.start + delta);
    }
    for (quint32 h = container;; h = m_nodes[h].parent) {
        m_nodes[h].length = qint32(m_nodes[h].length + delta);
        if (h == 0)
            break;
    }
}

qsizetype XmlIndex::topLevelCount() const
{
    qsizetype count = 0;
    for (quint32 h = m_nodes[0].firstChild; h; h = m_nodes[h].next)
        ++count;
    return count;
}

quint32 XmlIndex::nextInOrder(quint32 handle) const
{
    if (m_nodes[handle].firstChild)
        return m_nodes[handle].firstChild;
    while (handle && !m_nodes[handle].next)
        handle = m_nodes[handle].parent;
    return handle ? m_nodes[handle].next : 0;
}

bool XmlIndex::verifyNode(QStringView text, quint32 handle) const
{
    const XmlNode& node = m_nodes[handle];
    if (node.flags & XmlNode::Removed)
        return false;
    if (node.start < 0 || node.length < node.startTagLength || node.end() > text.size())
        return false;
    if (node.nameLength < 1 || node.startTagLength < node.nameLength + 2 || text.at(node.start) != u'<')
        return false;
    const QStringView name = text.mid(node.start + 1, node.nameLength);
    if (!XmlText::isValidName(name) || XmlText::isNameChar(text.at(node.start + 1 + node.nameLength)))
        return false;
    if (text.at(node.contentStart() - 1) != u'>')
        return false;
    if (node.flags & XmlNode::EmptyTag) {
        if (node.length != node.startTagLength || node.endTagLength != 0 ||
            text.at(node.contentStart() - 2) != u'/')
            return false;
    } else if (node.endTagLength > 0) {
        const QStringView endTag = text.mid(node.contentEnd(), node.endTagLength);
        if (node.contentEnd() < node.contentStart() || !endTag.startsWith(u"</") || !endTag.endsWith(u'>') ||
            !endTag.mid(2).startsWith(name) || XmlText::isNameChar(endTag.at(2 + name.size())))
            return false;
    } else if (!(node.flags & XmlNode::IllFormed)) {
        return false;
    }
    const XmlNode& owner = m_nodes[node.parent];
    const qsizetype lowest = node.prev ? m_nodes[node.prev].end() : owner.contentStart();
    const qsizetype highest = node.next ? m_nodes[node.next].start : owner.contentEnd();
    if (node.start < lowest || node.end() > highest)
        return false;
    if ((node.prev ? m_nodes[node.prev].next : owner.firstChild) != handle)
        return false;
    if ((node.next ? m_nodes[node.next].prev : owner.lastChild) != handle)
        return false;
    return true;
}

bool XmlIndex::verify(QStringView text) const
{
    const XmlNode& document = m_nodes[0];
    if (document.start != 0 || document.length != text.size())
        return false;
    for (quint32 h = nextInOrder(0); h; h = nextInOrder(h)) {
        if (!verifyNode(text, h))
            return false;
    }
    return true;
}

bool XmlIndex::sameShape(const XmlIndex& other) const
{
    constexpr quint8 kShapeFlags = XmlNode::EmptyTag | XmlNode::IllFormed;
    quint32 a = nextInOrder(0);
    quint32 b = other.nextInOrder(0);
    for (; a && b; a = nextInOrder(a), b = other.nextInOrder(b)) {
        const XmlNode& x = m_nodes[a];
        const XmlNode& y = other.m_nodes[b];
        const bool same =
            x.start == y.start && x.length == y.length && x.startTagLength == y.startTagLength &&
            x.endTagLength == y.endTagLength && x.nameLength == y.nameLength &&
            (x.flags & kShapeFlags) == (y.flags & kShapeFlags) && (x.parent == 0) == (y.parent == 0) &&
            (x.firstChild == 0) == (y.firstChild == 0) && (x.next == 0) == (y.next == 0);
        if (!same)
            return false;
    }
    return a == 0 && b == 0;
}
