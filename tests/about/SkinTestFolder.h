#pragma once

#include <QAbstractButton>
#include <QPointer>
#include <QTest>

#include "services/skin/SkinResources.h"
#include "support/ModalCatcher.h"
#include "ui/skin/CBaseDlgUI.h"

// Points the skinned windows at the skin folder of the source tree.
inline void useSourceSkin()
{
    SkinResources::setInstancePath(QStringLiteral(LUMORA_SOURCE_DIR));
    SkinResources::SetResourcePath(QStringLiteral(LUMORA_SOURCE_DIR "/skin/en"));
}

// The rows of a test that closes a window with each of its two closing buttons.
inline void addClosingButtonRows()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("ok") << QStringLiteral("ok_btn");
    QTest::newRow("close") << QStringLiteral("close_btn");
}

// What closeWithButton() saw of the window.
struct ClosedWindow
{
    QString objectName; // empty when no window of the type was shown
    int result = -1;
    bool closedByButton = false;
    QPoint offsetFromOwner; // of the window's centre from its owner's
    bool deletedItself = false;
};

// Shows a skinned window modally over `owner` (may be null) and clicks its button `button`.
template <typename Window> ClosedWindow closeWithButton(QWidget* owner, const QString& button)
{
    ClosedWindow closed;
    QPointer<Window> window;
    const ModalOutcome shown =
        runModal([owner] { return CBaseDlgUI::Show<Window>(owner); },
                 [&](QWidget* modal) {
                     window = qobject_cast<Window*>(modal);
                     if (!window)
                         return;
                     closed.objectName = window->objectName();
                     if (owner)
                         closed.offsetFromOwner =
                             window->frameGeometry().center() - owner->frameGeometry().center();
                     if (auto* control = qobject_cast<QAbstractButton*>(window->FindControl(button)))
                         QTest::mouseClick(control, Qt::LeftButton);
                 });
    closed.result = shown.result;
    closed.closedByButton = shown.closedByStep;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    closed.deletedItself = !closed.objectName.isEmpty() && window.isNull();
    return closed;
}
