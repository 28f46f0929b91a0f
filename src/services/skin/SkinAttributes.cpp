#include "services/skin/SkinAttributes.h"

#include "services/skin/SkinContainer.h"
#include "services/skin/SkinControl.h"

QList<int> parseFourInts(const QString& value)
{
    QList<int> parts;
    for (const QString& part : value.split(QLatin1Char(',')))
        parts.append(part.trimmed().toInt());
    while (parts.size() < 4)
        parts.append(0);
    return parts;
}

QList<QPair<QString, QString>> parseAttributes(const QString& text)
{
    QList<QPair<QString, QString>> pairs;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (true) {
        while (i < n && text.at(i).isSpace())
            ++i;
        if (i >= n)
            break;
        const qsizetype nameStart = i;
        while (i < n && !text.at(i).isSpace() && text.at(i) != QLatin1Char('='))
            ++i;
        const QString name = text.mid(nameStart, i - nameStart);
        while (i < n && text.at(i).isSpace())
            ++i;
        if (name.isEmpty() || i >= n || text.at(i) != QLatin1Char('='))
            break;
        ++i;
        while (i < n && text.at(i).isSpace())
            ++i;
        if (i >= n || text.at(i) != QLatin1Char('"'))
            break;
        const qsizetype valueStart = ++i;
        while (i < n && text.at(i) != QLatin1Char('"'))
            ++i;
        if (i >= n)
            break; // no closing quote
        pairs.append({name, text.mid(valueStart, i - valueStart)});
        ++i;
    }
    return pairs;
}

void ApplyAttributeList(SkinControl* control, const QString& text)
{
    if (!control)
        return;
    for (const auto& [name, value] : parseAttributes(text))
        control->SetAttribute(name, value);
}

QWidget* FindNamedChild(QWidget* control, const QString& name)
{
    if (!control)
        return nullptr;
    const QString className = QString::fromLatin1(control->metaObject()->className());
    const bool isContainer =
        className.indexOf(QLatin1String("Container")) > 0 || className.indexOf(QLatin1String("Layout")) > 0;
    auto* container = qobject_cast<SkinContainer*>(control);
    if (!isContainer || !container)
        return control->objectName() == name ? control : nullptr;
    for (int i = 0; i < container->getCount(); ++i) {
        SkinControl* child = container->getItemAt(i);
        if (!child)
            continue;
        if (child->objectName() == name)
            return child;
        if (QWidget* found = FindNamedChild(child, name))
            return found;
    }
    return nullptr;
}
