#pragma once

#include <QString>

class QWidget;

// Message boxes of the template editor, captioned with the program's name.
namespace EditorMessages {

void Inform(QWidget* parent, const QString& text);
void Fail(QWidget* parent, const QString& text);
// Yes and No buttons with a question icon; true for Yes.
bool askYesNo(QWidget* parent, const QString& text);

} // namespace EditorMessages
