#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

class CMainDlgUI;
class QMimeData;
class QWidget;

// Lets the user drop photo files from a file manager onto the main window. Files already in
// the list, files whose extension does not occur in the open-file dialog's filter, folders
// and anything that is not a local file are skipped; after every drop the main window gets
// FilesAddedMessage. Data that carries the program's own private format is refused.
class CMyDropTarget : public QObject
{
    Q_OBJECT
public:
    CMyDropTarget(CMainDlgUI* ui, QObject* parent = nullptr);

    // Starts accepting drops on the window; FilesAddedMessage goes to `messageTarget`.
    void registerTarget(QWidget* window, QObject* messageTarget);

    // The private clipboard format that marks data coming from this program.
    static QString privateFormat();

    // The drop effect for data entering or moving over the window.
    Qt::DropAction OnDragEnter(const QMimeData* data) const;
    Qt::DropAction OnDragOver(const QMimeData* data) const;
    void OnDragLeave();
    // Adds the dropped files; false when the data holds no file list.
    bool OnDrop(const QMimeData* data);
    // Adds local files by the drop's rules (photos named on the command line come this way)
    // and tells the main window; returns how many were added.
    int addFiles(const QStringList& paths);

    // The test a dropped file's extension must pass: the upper-cased extension, dot
    // included, occurs in the upper-cased filter text.
    static bool extensionAccepted(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CMainDlgUI* m_ui;
    QPointer<QWidget> m_window;
    QPointer<QObject> m_messageTarget;
};
