#pragma once

#include <QPoint>

// The main dialog's operations that its skinned surface calls directly.
class MainDlgOwner
{
public:
    virtual ~MainDlgOwner() = default;

    // Pops up the main (help) menu at a screen position.
    virtual void showMainMenu(const QPoint& globalPos) = 0;
    // Opens the output preview window.
    virtual void previewPhoto() = 0;
    // Starts a batch run over the file list.
    virtual void startBatch() = 0;
    // A menu command (EditTemplateCommand and the menus' items).
    virtual void onCommand(int commandId) = 0;
};
