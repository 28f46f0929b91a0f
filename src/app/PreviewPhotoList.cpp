#include "app/PreviewPhotoList.h"

#include "ui/skin/CMainDlgUI.h"

COutputPreviewDlg::PhotoList previewPhotoList(CMainDlgUI* ui)
{
    COutputPreviewDlg::PhotoList list;
    list.currentPhotoPath = [ui]() { return ui->CurrentPhotoPath(); };
    list.selectNextPhoto = [ui]() { return ui->SelectNextPhoto(); };
    list.selectPreviousPhoto = [ui]() { return ui->SelectPreviousPhoto(); };
    list.photoCount = [ui]() { return int(ui->filePaths().size()); };
    list.currentIndex = [ui]() { return ui->selectedFileRow(); };
    list.selectPhotoAt = [ui](int row) {
        const QString path = ui->filePaths().value(row);
        if (!path.isEmpty())
            ui->SelectFileRow(row);
        return path;
    };
    list.photoAt = [ui](int row) { return ui->filePaths().value(row); };
    return list;
}
