#include "model/WatermarkTemplate.h"

#include "model/DataFiles.h"
#include "xml/XmlDocument.h"

bool loadWatermarkTemplate(const QString& name, WatermarkTemplate& into)
{
    const QString path = templateFilePath(name);
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

bool saveWatermarkTemplate(const WatermarkTemplate& tmpl)
{
    const QString path = templateFilePath(tmpl.name);
    if (path.isEmpty())
        return false;
    XmlDocument doc;
    startNewXmlDocument(doc);
    doc.AddElement(QStringLiteral("Layers"), QString());
    doc.EnterElement();
    for (const QString& layer : tmpl.layers)
        doc.AddElement(QStringLiteral("layer"), layer);
    doc.LeaveElement();
    return doc.SaveFile(path);
}
