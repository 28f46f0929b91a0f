#include "ui/editor/TemplateLayerList.h"

#include "model/DataFiles.h"
#include "xml/XmlDocument.h"

namespace TemplateLayerList {

namespace {

const QString kLayers = QStringLiteral("Layers");
const QString kLayer = QStringLiteral("layer");

// Loads the template file and enters "Layers"; the path is empty for names that are not valid.
bool open(XmlDocument& doc, const QString& path)
{
    return !path.isEmpty() && doc.LoadFile(path) && doc.FindElement(kLayers) && doc.EnterElement();
}

bool findLayer(XmlDocument& doc, const QString& name)
{
    while (doc.FindElement(kLayer)) {
        if (doc.GetElementData().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool save(XmlDocument& doc, const QString& path)
{
    doc.LeaveElement();
    return doc.SaveFile(path);
}

} // namespace

QStringList read(const QString& templateName)
{
    QStringList names;
    XmlDocument doc;
    if (!open(doc, templateFilePath(templateName)))
        return names;
    while (doc.FindElement(kLayer))
        names << doc.GetElementData();
    return names;
}

bool append(const QString& templateName, const QString& layerName)
{
    const QString path = templateFilePath(templateName);
    XmlDocument doc;
    if (!open(doc, path))
        return false;
    // Right after entering there is no current element, so the new one goes to the end.
    return doc.AddElement(kLayer, layerName) && save(doc, path);
}

bool rename(const QString& templateName, const QString& oldName, const QString& newName)
{
    const QString path = templateFilePath(templateName);
    XmlDocument doc;
    if (!open(doc, path))
        return false;
    if (findLayer(doc, oldName))
        doc.SetElementData(newName);
    return save(doc, path);
}

bool remove(const QString& templateName, const QString& name)
{
    const QString path = templateFilePath(templateName);
    XmlDocument doc;
    if (!open(doc, path))
        return false;
    if (findLayer(doc, name))
        doc.RemoveElement();
    return save(doc, path);
}

} // namespace TemplateLayerList
