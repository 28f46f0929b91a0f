#pragma once

#include <QString>

class QWidget;

// Message boxes of the template editor, captioned with the program's name.
namespace EditorMessages {

void inform(QWidget* parent, const QString& text);
void fail(QWidget* parent, const QString& text);
// Yes and No buttons with a question icon; true for Yes.
bool askYesNo(QWidget* parent, const QString& text);

} // namespace EditorMessages
