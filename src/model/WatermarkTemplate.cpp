#include "model/WatermarkTemplate.h"

#include "model/DataFiles.h"
#include "xml/XmlDocument.h"

bool LoadWatermarkTemplate(const QString& name, WatermarkTemplate& into)
{
    const QString path = TemplateFilePath(name);
    if (path.isEmpty())
        return false;
    XmlDocument doc;
    if (!doc.LoadFile(path) || !doc.FindElement(QStringLiteral("Layers")) || !doc.EnterElement())
        return false;
    WatermarkTemplate tmpl;
    tmpl.name = name;
    while (doc.FindElement(QStringLiteral("layer")))
        tmpl.layers.append(doc.GetElementData());
    into = tmpl;
    return true;
}

bool SaveWatermarkTemplate(const WatermarkTemplate& tmpl)
{
    const QString path = TemplateFilePath(tmpl.name);
    if (path.isEmpty())
        return false;
    XmlDocument doc;
    StartNewXmlDocument(doc);
    doc.AddElement(QStringLiteral("Layers"), QString());
    doc.EnterElement();
    for (const QString& layer : tmpl.layers)
        doc.AddElement(QStringLiteral("layer"), layer);
    doc.LeaveElement();
    return doc.SaveFile(path);
}
