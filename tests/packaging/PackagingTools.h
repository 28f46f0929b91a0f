#pragma once

// What the packaging tests share: the places of the build. Tools and programs run through
// support/ToolRun.h, in the environment of support/IsolatedHome.h.
#include <QString>

#include "support/IsolatedHome.h"
#include "support/ToolRun.h"

namespace Packaging {

inline const QString kSourceDir = QStringLiteral(LUMORA_SOURCE_DIR);
inline const QString kBuildDir = QStringLiteral(LUMORA_BUILD_DIR);
inline const QString kVersion = QStringLiteral(LUMORA_PROJECT_VERSION);

} // namespace Packaging
