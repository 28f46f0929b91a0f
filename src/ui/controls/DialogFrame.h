#pragma once

#include "ui/controls/DialogKeyFilter.h"

#include <QDialog>
#include <QString>

// What every settings and preview window does first: its object name (the name tests and the
// stored window places use), its caption, no "?" button in the title bar, and Enter/Escape
// handled by DialogKeyFilter.
namespace DialogFrame {

inline void setUp(QDialog* dialog, const QString& objectName, const QString& title)
{
    dialog->setObjectName(objectName);
    dialog->setWindowTitle(title);
    dialog->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    DialogKeyFilter::install(dialog);
}

} // namespace DialogFrame
