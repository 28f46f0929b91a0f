#include "xml/XmlIndex.h"

#include "xml/XmlText.h"

XmlIndex::XmlIndex()
{
    Reset(0);
}

void XmlIndex::Reset(qsizetype textLength)
{
    nodes_.clear();
    nodes_.shrink_to_fit();
    XmlNode document;
    document.length = qint32(textLength);
    nodes_.push_back(document);
}

QStringView XmlIndex::Name(QStringView text, quint32 handle) const
{
    const XmlNode& node = nodes_[handle];
    return text.mid(node.start + 1, node.nameLength);
}

quint32 XmlIndex::Insert(const XmlNode& node, quint32 parent, quint32 after)
{
    const auto handle = quint32(nodes_.size());
    nodes_.push_back(node);
    XmlNode& created = nodes_.back();
    XmlNode& owner = nodes_[parent];
    created.parent = parent;
    created.firstChild = created.lastChild = 0;
    created.prev = after;
    created.next = after ? nodes_[after].next : owner.firstChild;
    if (created.next)
        nodes_[created.next].prev = handle;
    else
        owner.lastChild = handle;
    if (after)
        nodes_[after].next = handle;
    else
        owner.firstChild = handle;
    return handle;
}

void XmlIndex::Remove(quint32 handle)
{
    XmlNode& node = nodes_[handle];
    XmlNode& owner = nodes_[node.parent];
    if (node.prev)
        nodes_[node.prev].next = node.next;
    else
        owner.firstChild = node.next;
    if (node.next)
        nodes_[node.next].prev = node.prev;
    else
        owner.lastChild = node.prev;

    // Walk the subtree in document order without a stack: down to the first child, else to
    // the next sibling, else up until an ancestor (below `handle`) has a next sibling.
    quint32 current = handle;
    while (current) {
        XmlNode& visit = nodes_[current];
        visit.flags |= XmlNode::Removed;
        if (visit.firstChild) {
            current = visit.firstChild;
            continue;
        }
        while (current != handle && !nodes_[current].next)
            current = nodes_[current].parent;
        current = current == handle ? 0 : nodes_[current].next;
    }
    node.prev = node.next = 0;
}

void XmlIndex::Splice(qsizetype end, qsizetype delta, quint32 container)
{
    if (delta == 0)
        return;
    for (size_t i = 1; i < nodes_.size(); ++i) {
        XmlNode& node = nodes_[i];
        if (!(node.flags & XmlNode::Removed) && node.start >= end)
            node.start = qint32(node.start + delta);
    }
    for (quint32 h = container;; h = nodes_[h].parent) {
        nodes_[h].length = qint32(nodes_[h].length + delta);
        if (h == 0)
            break;
    }
}

qsizetype XmlIndex::TopLevelCount() const
{
    qsizetype count = 0;
    for (quint32 h = nodes_[0].firstChild; h; h = nodes_[h].next)
        ++count;
    return count;
}

quint32 XmlIndex::NextInOrder(quint32 handle) const
{
    if (nodes_[handle].firstChild)
        return nodes_[handle].firstChild;
    while (handle && !nodes_[handle].next)
        handle = nodes_[handle].parent;
    return handle ? nodes_[handle].next : 0;
}

bool XmlIndex::VerifyNode(QStringView text, quint32 handle) const
{
    const XmlNode& node = nodes_[handle];
    if (node.flags & XmlNode::Removed)
        return false;
    if (node.start < 0 || node.length < node.startTagLength || node.End() > text.size())
        return false;
    if (node.nameLength < 1 || node.startTagLength < node.nameLength + 2 || text.at(node.start) != u'<')
        return false;
    const QStringView name = text.mid(node.start + 1, node.nameLength);
    if (!XmlText::IsValidName(name) || XmlText::IsNameChar(text.at(node.start + 1 + node.nameLength)))
        return false;
    if (text.at(node.ContentStart() - 1) != u'>')
        return false;
    if (node.flags & XmlNode::EmptyTag) {
        if (node.length != node.startTagLength || node.endTagLength != 0 ||
            text.at(node.ContentStart() - 2) != u'/')
            return false;
    } else if (node.endTagLength > 0) {
        const QStringView endTag = text.mid(node.ContentEnd(), node.endTagLength);
        if (node.ContentEnd() < node.ContentStart() || !endTag.startsWith(u"</") || !endTag.endsWith(u'>') ||
            !endTag.mid(2).startsWith(name) || XmlText::IsNameChar(endTag.at(2 + name.size())))
            return false;
    } else if (!(node.flags & XmlNode::IllFormed)) {
        return false;
    }
    const XmlNode& owner = nodes_[node.parent];
    const qsizetype lowest = node.prev ? nodes_[node.prev].End() : owner.ContentStart();
    const qsizetype highest = node.next ? nodes_[node.next].start : owner.ContentEnd();
    if (node.start < lowest || node.End() > highest)
        return false;
    if ((node.prev ? nodes_[node.prev].next : owner.firstChild) != handle)
        return false;
    if ((node.next ? nodes_[node.next].prev : owner.lastChild) != handle)
        return false;
    return true;
}

bool XmlIndex::Verify(QStringView text) const
{
    const XmlNode& document = nodes_[0];
    if (document.start != 0 || document.length != text.size())
        return false;
    for (quint32 h = NextInOrder(0); h; h = NextInOrder(h)) {
        if (!VerifyNode(text, h))
            return false;
    }
    return true;
}

bool XmlIndex::SameShape(const XmlIndex& other) const
{
    constexpr quint8 kShapeFlags = XmlNode::EmptyTag | XmlNode::IllFormed;
    quint32 a = NextInOrder(0);
    quint32 b = other.NextInOrder(0);
    for (; a && b; a = NextInOrder(a), b = other.NextInOrder(b)) {
        const XmlNode& x = nodes_[a];
        const XmlNode& y = other.nodes_[b];
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
