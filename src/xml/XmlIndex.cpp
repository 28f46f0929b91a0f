#include "xml/XmlIndex.h"

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
