#pragma once

#include <QPoint>

// The main dialog's operations that its skinned surface calls directly.
class MainDlgOwner
{
public:
    virtual ~MainDlgOwner() = default;

    // Pops up the main (help) menu at a screen position.
    virtual void ShowMainMenu(const QPoint& globalPos) = 0;
    // Opens the output preview window.
    virtual void PreviewPhoto() = 0;
    // Starts a batch run over the file list.
    virtual void StartBatch() = 0;
    // A menu command (EditTemplateCommand and the menus' items).
    virtual void OnCommand(int commandId) = 0;
};
