#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

// Asks for a template name (new or renamed template) with a given caption, and refuses
// names that cannot become a template: empty, containing "/", "." or "..", the name of
// another template (ignoring case), or a name whose file or first layer file already exists
// in the templates folder (it would overwrite another template's files). A refused name is
// reported in a message box and asked for again.
class TemplateNamePrompt
{
    Q_DECLARE_TR_FUNCTIONS(TemplateNamePrompt)

public:
    // Reads one typed text; nullopt when the user cancels.
    using TextSource = std::function<std::optional<QString>(QWidget* parent, const QString& caption)>;

    // `existing`: the current template names; `currentName`: the template being renamed
    // (empty for a new one), which the new name may equal apart from letter case.
    static std::optional<QString> ask(QWidget* parent, const QString& caption, const QStringList& existing,
                                      const QString& currentName = QString());

    // Why a name is refused (the message shown), or empty when it is accepted.
    static QString check(const QString& name, const QStringList& existing, const QString& currentName);

    // Replaces the text dialog (tests); an empty source brings the dialog back.
    static void setTextSource(TextSource source);
};
