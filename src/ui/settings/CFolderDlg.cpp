#include "ui/settings/CFolderDlg.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

QString& sharedInitialFolder()
{
    static QString folder;
    return folder;
}

} // namespace

CFolderDlg::CFolderDlg(bool hideNewFolderButton, const QString& initialFolder, QWidget* owner)
    : m_hideNewFolderButton(hideNewFolderButton), m_owner(owner)
{
    sharedInitialFolder() = initialFolder.isEmpty() ? QDir::currentPath() : initialFolder;
}

QString CFolderDlg::initialFolder()
{
    return sharedInitialFolder();
}

int CFolderDlg::doModal()
{
    m_path.clear();

    // Qt's own chooser: the platform's may not be able to hide its new-folder button.
    QFileDialog dialog(m_owner, m_title);
    dialog.setObjectName(QStringLiteral("CFolderDlg"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog |
                      QFileDialog::DontResolveSymlinks);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const QString initial = sharedInitialFolder();
    if (!initial.isEmpty())
        dialog.setDirectory(initial);
    if (m_hideNewFolderButton) {
        if (auto* button = dialog.findChild<QAbstractButton*>(QStringLiteral("newFolderButton")))
            button->hide();
    }

    if (dialog.exec() == QDialog::Accepted) {
        const QStringList chosen = dialog.selectedFiles();
        if (!chosen.isEmpty()) {
            const QFileInfo info(chosen.first());
            // Only folders that exist in the file system count.
            if (info.isDir())
                m_path = QDir::cleanPath(info.absoluteFilePath());
        }
    }
    return m_path.isEmpty() ? Cancelled : Chosen;
}
