#pragma once

#include "ui/skin/FileListItem.h"

#include <QAbstractListModel>
#include <QHash>
#include <QMutex>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

// The photos of the main window's file list, one row per FileListItem, with each row's mark
// (ready, done, failed with a reason) and the row a batch run walks from ("the walk row", the
// selected row as the run sees it).
//
// Threads: rows are added and removed on the user-interface thread only. A batch worker reads
// the rows, moves the walk row and sets marks from its own thread under the model's lock; its
// changes are not announced at once but gathered, and takePending() (user-interface thread)
// announces them together, so that a run of many small photos repaints the list a few times a
// second instead of once per photo.
class PhotoListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Mark
    {
        Ready,
        Done,
        Failed
    };
    enum Role
    {
        MarkRole = Qt::UserRole + 1, // Mark
        ReasonRole,                  // why a failed photo failed
        IdRole,                      // the item's id
        PathRole                     // the full path
    };

    // What a worker changed since the last takePending().
    struct Pending
    {
        bool walkMoved = false; // the walk row was moved by a worker
        int walkRow = -1;
    };

    explicit PhotoListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // User-interface thread.
    // Appends the paths not yet in the list (case-sensitive comparison of the whole path),
    // each with a new id from `nextId`; returns the rows added, in order.
    std::vector<FileListItem> append(const QStringList& paths, const std::function<std::int32_t()>& nextId);
    // Appends one item without a duplicate check.
    void appendItem(const FileListItem& item);
    bool contains(const QString& path) const;
    // Removes the rows (any order); the walk row follows the rows that stay.
    void removeRowList(QList<int> rows);
    void clear();
    const std::vector<FileListItem>& items() const { return m_items; }
    // The row of the item with that id, or -1.
    int rowOfId(std::int32_t id) const;
    // Sets a mark from the user-interface thread and announces it at once.
    void setMarkNow(int row, Mark mark, const QString& reason);
    // Announces the gathered changes of workers: the rows whose marks changed are repainted;
    // the walk row's move is handed back for the view to follow.
    Pending takePending();

    // Any thread, under the lock.
    int count() const;
    QStringList paths() const;
    QString pathAt(int row) const;
    Mark markAt(int row) const;
    QString reasonAt(int row) const;
    void setMark(int row, Mark mark, const QString& reason);
    void setAllMarks(Mark mark);
    int walkRow() const;
    // `announce`: the move comes from a worker and is handed to the view by takePending();
    // otherwise the view already shows it (the person moved the selection).
    void setWalkRow(int row, bool announce);
    // The row after the walk row (the first when there is none), which becomes the walk row;
    // -1 and an empty path after the last row.
    std::pair<int, QString> advanceWalk();
    // The rows after the walk row (all when there is none).
    int rowsAfterWalk() const;

private:
    struct RowState
    {
        Mark mark = Ready;
        QString reason;
    };

    void markDirty(int row);

    mutable QMutex m_lock;
    std::vector<FileListItem> m_items;
    std::vector<RowState> m_states;
    QHash<QString, int> m_paths; // how many rows show each path
    int m_walkRow = -1;
    bool m_walkMoved = false;
    int m_firstDirty = -1;
    int m_lastDirty = -1;
};
