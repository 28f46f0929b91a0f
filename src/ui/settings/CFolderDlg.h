#pragma once

#include <QPointer>
#include <QString>

class QWidget;

// The folder chooser: a modal browser restricted to folders of the file system, optionally
// without its new-folder button. The folder it starts in is one text shared by every
// chooser of the process: the folder given to the latest constructor, or the current
// directory when that was empty.
class CFolderDlg
{
public:
    enum Result : int
    {
        Chosen = 1,
        Cancelled = 2
    };

    CFolderDlg(bool hideNewFolderButton, const QString& initialFolder, QWidget* owner);

    void setTitle(const QString& title) { m_title = title; }
    QString title() const { return m_title; }

    // Runs the chooser; 1 when a folder was chosen, 2 when it was cancelled.
    int doModal();
    // The chosen folder (empty until one is chosen).
    QString getPath() const { return m_path; }

    static QString initialFolder();

private:
    bool m_hideNewFolderButton;
    QPointer<QWidget> m_owner;
    QString m_title;
    QString m_path;
};
