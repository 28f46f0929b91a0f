#pragma once

#include "services/skin/SkinResources.h"

// Points the skinned windows at the skin folder of the source tree.
inline void UseSourceSkin()
{
    SkinResources::setInstancePath(QStringLiteral(LUMORA_SOURCE_DIR));
    SkinResources::SetResourcePath(QStringLiteral(LUMORA_SOURCE_DIR "/skin/en"));
}
