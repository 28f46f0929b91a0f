#pragma once

class QWidget;

// The layer menu of the layer editors' button: add, rename and delete a layer.
namespace LayerMenu {

enum Command : int
{
    None = 0,
    AddLayer = 1,
    RenameLayer = 2,
    DeleteLayer = 3,
};

// Opens the menu with its left edge at the button's left edge and its top at the button's
// bottom, and returns the chosen command (None when closed without a choice).
Command popUp(QWidget* button);

} // namespace LayerMenu
