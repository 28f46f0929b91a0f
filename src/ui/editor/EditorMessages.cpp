#include "ui/editor/EditorMessages.h"

#include <QMessageBox>

namespace EditorMessages {

namespace {

const QString kCaption = QStringLiteral("Lumora Plenum");

} // namespace

void inform(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Information, kCaption, text, QMessageBox::Ok, parent);
    box.exec();
}

void fail(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, kCaption, text, QMessageBox::Ok, parent);
    box.exec();
}

bool askYesNo(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Question, kCaption, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace EditorMessages
