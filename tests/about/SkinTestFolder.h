#pragma once

#include <QAbstractButton>
#include <QTest>

#include "services/skin/SkinResources.h"

// Points the skinned windows at the skin folder of the source tree.
inline void UseSourceSkin()
{
    SkinResources::setInstancePath(QStringLiteral(LUMORA_SOURCE_DIR));
    SkinResources::SetResourcePath(QStringLiteral(LUMORA_SOURCE_DIR "/skin/en"));
}

// Clicks the skinned window's button of this name (nothing when there is none: the test's
// time limit then closes the window and reports it).
template <typename Window> void clickControl(Window* window, const QString& name)
{
    if (auto* button = qobject_cast<QAbstractButton*>(window->FindControl(name)))
        QTest::mouseClick(button, Qt::LeftButton);
}
