#pragma once

#include <QTextStream>

// The commands of lumora-batch. Each returns the process exit code: 0 done, 1 failed.

// Prepares the data folder as the desktop program's first start does (default preferences,
// then the demonstration template when the templates folder is missing) and prints the
// template names of the template list, one per line, in list order.
int ListTemplates(QTextStream& out, QTextStream& err);
