#pragma once

#include <QString>

// The system's sentence for an errno value, starting lower-case like the program's own
// reasons ("permission denied", "read-only file system").
QString systemErrorText(int error);
