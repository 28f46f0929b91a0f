#include "ui/skin/PhotoListModel.h"

#include <QMutexLocker>
#include <QSet>
#include <algorithm>

PhotoListModel::PhotoListModel(QObject* parent) : QAbstractListModel(parent) {}

int PhotoListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant PhotoListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_items.size()))
        return QVariant();
    const auto row = size_t(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case PathRole:
        return m_items[row].path;
    case Qt::ToolTipRole: {
        // The full path, and for a failed photo the reason under it.
        QMutexLocker lock(&m_lock);
        const RowState& state = m_states[row];
        return state.reason.isEmpty() ? m_items[row].path
                                      : m_items[row].path + QLatin1Char('\n') + state.reason;
    }
    case MarkRole: {
        QMutexLocker lock(&m_lock);
        return int(m_states[row].mark);
    }
    case ReasonRole: {
        QMutexLocker lock(&m_lock);
        return m_states[row].reason;
    }
    case IdRole:
        return m_items[row].id;
    default:
        return QVariant();
    }
}

std::vector<FileListItem> PhotoListModel::append(const QStringList& paths,
                                                 const std::function<std::int32_t()>& nextId)
{
    std::vector<FileListItem> added;
    QSet<QString> seen;
    for (const QString& path : paths) {
        if (m_paths.contains(path) || seen.contains(path))
            continue;
        seen.insert(path);
        added.push_back(FileListItem{nextId(), path});
    }
    if (added.empty())
        return added;
    const int first = int(m_items.size());
    beginInsertRows(QModelIndex(), first, first + int(added.size()) - 1);
    {
        QMutexLocker lock(&m_lock);
        m_items.insert(m_items.end(), added.begin(), added.end());
        m_states.resize(m_items.size());
        for (const FileListItem& item : added)
            ++m_paths[item.path];
    }
    endInsertRows();
    return added;
}

void PhotoListModel::appendItem(const FileListItem& item)
{
    const int row = int(m_items.size());
    beginInsertRows(QModelIndex(), row, row);
    {
        QMutexLocker lock(&m_lock);
        m_items.push_back(item);
        m_states.emplace_back();
        ++m_paths[item.path];
    }
    endInsertRows();
}

bool PhotoListModel::contains(const QString& path) const
{
    return m_paths.contains(path);
}

void PhotoListModel::removeRowList(QList<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the last row up, in runs of neighbouring rows, so that the rows still to be
    // removed keep their numbers.
    for (qsizetype end = rows.size(); end > 0;) {
        qsizetype begin = end - 1;
        while (begin > 0 && rows[begin - 1] == rows[begin] - 1)
            --begin;
        const int first = rows[begin];
        const int last = rows[end - 1];
        end = begin;
        if (first < 0 || last >= int(m_items.size()))
            continue;
        beginRemoveRows(QModelIndex(), first, last);
        {
            QMutexLocker lock(&m_lock);
            for (int row = first; row <= last; ++row) {
                const auto it = m_paths.find(m_items[size_t(row)].path);
                if (it != m_paths.end() && --it.value() <= 0)
                    m_paths.erase(it);
            }
            m_items.erase(m_items.begin() + first, m_items.begin() + last + 1);
            m_states.erase(m_states.begin() + first, m_states.begin() + last + 1);
            if (m_walkRow > last)
                m_walkRow -= last - first + 1;
            else if (m_walkRow >= first)
                m_walkRow = -1;
            m_firstDirty = m_lastDirty = -1;
        }
        endRemoveRows();
    }
}

void PhotoListModel::clear()
{
    beginResetModel();
    {
        QMutexLocker lock(&m_lock);
        m_items.clear();
        m_states.clear();
        m_paths.clear();
        m_walkRow = -1;
        m_walkMoved = false;
        m_firstDirty = m_lastDirty = -1;
    }
    endResetModel();
}

int PhotoListModel::rowOfId(std::int32_t id) const
{
    // Ids grow with the rows, so the row is found by halving.
    const auto it =
        std::lower_bound(m_items.begin(), m_items.end(), id,
                         [](const FileListItem& item, std::int32_t value) { return item.id < value; });
    return it != m_items.end() && it->id == id ? int(it - m_items.begin()) : -1;
}

void PhotoListModel::setMarkNow(int row, Mark mark, const QString& reason)
{
    setMark(row, mark, reason);
    takePending();
}

PhotoListModel::Pending PhotoListModel::takePending()
{
    Pending pending;
    int first = -1;
    int last = -1;
    {
        QMutexLocker lock(&m_lock);
        pending.walkMoved = m_walkMoved;
        pending.walkRow = m_walkRow;
        m_walkMoved = false;
        first = m_firstDirty;
        last = std::min(m_lastDirty, int(m_items.size()) - 1);
        m_firstDirty = m_lastDirty = -1;
    }
    if (first >= 0 && last >= first)
        emit dataChanged(index(first), index(last), {MarkRole, ReasonRole, Qt::ToolTipRole});
    return pending;
}

int PhotoListModel::count() const
{
    QMutexLocker lock(&m_lock);
    return int(m_items.size());
}

QStringList PhotoListModel::paths() const
{
    QMutexLocker lock(&m_lock);
    QStringList list;
    list.reserve(qsizetype(m_items.size()));
    for (const FileListItem& item : m_items)
        list.append(item.path);
    return list;
}

QString PhotoListModel::pathAt(int row) const
{
    QMutexLocker lock(&m_lock);
    return row >= 0 && row < int(m_items.size()) ? m_items[size_t(row)].path : QString();
}

PhotoListModel::Mark PhotoListModel::markAt(int row) const
{
    QMutexLocker lock(&m_lock);
    return row >= 0 && row < int(m_states.size()) ? m_states[size_t(row)].mark : Ready;
}

QString PhotoListModel::reasonAt(int row) const
{
    QMutexLocker lock(&m_lock);
    return row >= 0 && row < int(m_states.size()) ? m_states[size_t(row)].reason : QString();
}

void PhotoListModel::markDirty(int row)
{
    m_firstDirty = m_firstDirty < 0 ? row : std::min(m_firstDirty, row);
    m_lastDirty = std::max(m_lastDirty, row);
}

void PhotoListModel::setMark(int row, Mark mark, const QString& reason)
{
    QMutexLocker lock(&m_lock);
    if (row < 0 || row >= int(m_states.size()))
        return;
    m_states[size_t(row)] = RowState{mark, reason};
    markDirty(row);
}

void PhotoListModel::setAllMarks(Mark mark)
{
    QMutexLocker lock(&m_lock);
    if (m_states.empty())
        return;
    for (RowState& state : m_states)
        state = RowState{mark, QString()};
    markDirty(0);
    markDirty(int(m_states.size()) - 1);
}

int PhotoListModel::walkRow() const
{
    QMutexLocker lock(&m_lock);
    return m_walkRow;
}

void PhotoListModel::setWalkRow(int row, bool announce)
{
    QMutexLocker lock(&m_lock);
    m_walkRow = row >= 0 && row < int(m_items.size()) ? row : -1;
    m_walkMoved = announce;
}

std::pair<int, QString> PhotoListModel::advanceWalk()
{
    QMutexLocker lock(&m_lock);
    const int row = m_walkRow + 1; // 0 when there is no walk row
    if (row >= int(m_items.size()))
        return {-1, QString()};
    m_walkRow = row;
    m_walkMoved = true;
    return {row, m_items[size_t(row)].path};
}

int PhotoListModel::rowsAfterWalk() const
{
    QMutexLocker lock(&m_lock);
    return std::max(0, int(m_items.size()) - (m_walkRow + 1));
}
