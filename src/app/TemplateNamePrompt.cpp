#include "app/TemplateNamePrompt.h"

#include "app/AppMessageBox.h"
#include "model/DataFiles.h"

#include <QFileInfo>
#include <QInputDialog>

namespace {
TemplateNamePrompt::TextSource& textSource()
{
    static TemplateNamePrompt::TextSource source;
    return source;
}

std::optional<QString> askText(QWidget* parent, const QString& caption)
{
    if (textSource())
        return textSource()(parent, caption);
    bool ok = false;
    const QString text = QInputDialog::getText(parent, caption, TemplateNamePrompt::tr("输入模板名称:"),
                                               QLineEdit::Normal, QString(), &ok);
    if (!ok)
        return std::nullopt;
    return text;
}
} // namespace

void TemplateNamePrompt::setTextSource(TextSource source)
{
    textSource() = std::move(source);
}

QString TemplateNamePrompt::check(const QString& name, const QStringList& existing,
                                  const QString& currentName)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
        name == QLatin1String("..") || !isValidTemplateName(name))
        return tr("请输入有效的模板名称。");
    // A new template's first layer is named after it: that name must be usable too.
    if (currentName.isEmpty() && !isValidTemplateName(name + QStringLiteral("_Layer 1")))
        return tr("请输入有效的模板名称。");
    // A renamed template may keep its name apart from letter case.
    const bool sameTemplate = !currentName.isEmpty() && name.compare(currentName, Qt::CaseInsensitive) == 0;
    if (!sameTemplate && existing.contains(name, Qt::CaseInsensitive))
        return tr("模板名称已存在，请输入一个不同的名称！");
    // Template and layer files share one folder: never write over another file.
    const QString fileExists = tr("具有相同名称的文件已经存在，请输入其他名称");
    if (name != currentName && QFileInfo::exists(templateFilePath(name)))
        return fileExists;
    if (currentName.isEmpty() && QFileInfo::exists(templateFilePath(name + QStringLiteral("_Layer 1"))))
        return fileExists;
    return QString();
}

std::optional<QString> TemplateNamePrompt::ask(QWidget* parent, const QString& caption,
                                               const QStringList& existing, const QString& currentName)
{
    while (true) {
        const std::optional<QString> text = askText(parent, caption);
        if (!text)
            return std::nullopt;
        const QString refusal = check(*text, existing, currentName);
        if (refusal.isEmpty())
            return text;
        const QMessageBox::Icon icon = text->isEmpty() ? QMessageBox::Warning : QMessageBox::Information;
        AppMessageBox::Show(parent, refusal, icon);
    }
}
