#include "model/TemplateStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "model/DataFiles.h"
#include "model/LayerFiles.h"
#include "model/WatermarkConf.h"
#include "model/WatermarkTemplate.h"
#include "services/folders/FolderTree.h"
#include "services/folders/Folders.h"
#include "services/language/FailureReason.h"
#include "xml/XmlDocument.h"

namespace {

const QString kListRoot = QStringLiteral("Templates");
const QString kListEntry = QStringLiteral("template");

// Loads the list and enters its root. False when the file does not load or has no root.
bool openList(XmlDocument& list)
{
    return list.LoadFile(templateListPath()) && list.FindElement(kListRoot) && list.EnterElement();
}

// Makes the first entry equal to `name` the current element.
bool findEntry(XmlDocument& list, const QString& name)
{
    while (list.FindElement(kListEntry)) {
        if (list.GetElementData() == name)
            return true;
    }
    return false;
}

// Appends `name` to the list; a missing list is started anew, a list that exists but does not
// load is left alone (false).
bool appendToList(const QString& name);

// `base`, or "<base> (n)" with the lowest n from 2 (from 1, the base itself, when not
// `numberFirst`) whose name is usable, not in `taken` and has no file. Empty when none is.
QString freeName(const QString& base, const QStringList& taken, bool numberFirst = true);

// Writes a new template with one layer and that layer's file, with the defaults of a new
// template and the default font record.
bool writeNewTemplate(const QString& name, const QString& text)
{
    const QString layer = name + QStringLiteral("_Layer 1");
    const bool templateWritten = saveWatermarkTemplate({name, {layer}});
    WatermarkConf conf;
    resetToNewTemplateDefaults(conf, text);
    const bool layerWritten = SaveLayerConf(layer, conf, defaultFontRecord());
    return templateWritten && layerWritten;
}

} // namespace

bool loadTemplateNames(QStringList& names)
{
    names.clear();
    if (!QFileInfo::exists(templateListPath()))
        return true;
    XmlDocument list;
    if (!openList(list))
        return false;
    while (list.FindElement(kListEntry))
        names.append(list.GetElementData());
    return true;
}

QString describeUnreadableTemplateList()
{
    QStringList names;
    if (loadTemplateNames(names))
        return QString();
    return describeUnreadableDataFile(FailureReason::tr("template list"), templateListPath(), kListRoot);
}

QStringList templatesInFolder()
{
    QStringList names;
    const QDir folder(getTemplatesFolder());
    const QFileInfoList files =
        folder.entryInfoList({QStringLiteral("*.xml")}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo& file : files) {
        const QString name = file.completeBaseName();
        if (file.fileName() != name + QStringLiteral(".xml") || !isValidTemplateName(name))
            continue;
        WatermarkTemplate tmpl;
        if (loadWatermarkTemplate(name, tmpl))
            names.append(name);
    }
    return names;
}

bool rebuildTemplateList(const QStringList& names)
{
    const QString path = templateListPath();
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        const QString kept = path + QStringLiteral(".damaged");
        QFile::remove(kept);
        if (!QFile::copy(path, kept))
            return false;
    }
    XmlDocument list;
    startNewXmlDocument(list);
    list.AddElement(kListRoot, QString());
    list.EnterElement();
    for (const QString& name : names)
        list.AddElement(kListEntry, name);
    list.LeaveElement();
    return list.SaveFile(path);
}

bool CreateDefaultTemplates()
{
    const QString folder = getTemplatesFolder();
    if (QFileInfo::exists(folder))
        return false;
    CreateFolderPath(folder);

    XmlDocument list;
    startNewXmlDocument(list);
    list.AddElement(kListRoot, QString());
    list.EnterElement();
    list.AddElement(kListEntry, QStringLiteral("Demo 1"));
    list.LeaveElement();
    const bool listWritten = list.SaveFile(templateListPath());

    return writeNewTemplate(QStringLiteral("Demo 1"), QStringLiteral("Lumora Plenum")) && listWritten;
}

bool AddTemplate(const QString& name)
{
    // The first layer's name is made from the template's: both must be usable before the
    // list is changed, or the list would name a template whose files cannot be written.
    if (!isValidTemplateName(name) || !isValidTemplateName(name + QStringLiteral("_Layer 1")))
        return false;
    if (!appendToList(name))
        return false;
    return writeNewTemplate(name, QStringLiteral("Lumora For Win"));
}

QString addTemplateCopy(const QString& original, const QList<QPair<QString, WatermarkConf>>& layers)
{
    QStringList listed;
    if (!loadTemplateNames(listed) || layers.isEmpty())
        return QString();
    QStringList taken = listed;
    const QString copy = freeName(original, taken);
    if (copy.isEmpty())
        return QString();
    taken.append(copy);
    WatermarkTemplate tmpl{copy, {}};
    bool written = true;
    for (const auto& [layer, conf] : layers) {
        const QString prefix = original + QLatin1Char('_');
        const QString rest = layer.startsWith(prefix) ? layer.mid(prefix.size()) : layer;
        QString name = freeName(copy + QLatin1Char('_') + rest, taken, false);
        if (name.isEmpty())
            name = freeName(copy + QStringLiteral("_Layer %1").arg(tmpl.layers.size() + 1), taken, false);
        if (name.isEmpty())
            return QString();
        taken.append(name);
        tmpl.layers.append(name);
        written = SaveLayerConf(name, conf, conf.Font) && written;
    }
    written = saveWatermarkTemplate(tmpl) && written;
    return written && appendToList(copy) ? copy : QString();
}

namespace {

bool appendToList(const QString& name)
{
    XmlDocument list;
    if (QFileInfo::exists(templateListPath())) {
        // A damaged list is kept as it is rather than replaced by a list of one.
        if (!openList(list))
            return false;
    } else {
        startNewXmlDocument(list);
        list.AddElement(kListRoot, QString());
        list.EnterElement();
    }
    // At the end of the list: no current element at this level yet.
    list.AddElement(kListEntry, name);
    list.LeaveElement();
    return list.SaveFile(templateListPath());
}

QString freeName(const QString& base, const QStringList& taken, bool numberFirst)
{
    for (int n = numberFirst ? 2 : 1; n < 1000; ++n) {
        const QString name = n == 1 ? base : QStringLiteral("%1 (%2)").arg(base).arg(n);
        const QString path = templateFilePath(name);
        if (path.isEmpty())
            return QString(); // too long or otherwise unusable: a number does not mend it
        if (!taken.contains(name, Qt::CaseInsensitive) && !QFileInfo::exists(path) &&
            !QFileInfo(path).isSymLink())
            return name;
    }
    return QString();
}

} // namespace

bool DeleteTemplate(const QString& name)
{
    if (!isValidTemplateName(name))
        return false;
    bool listSaved = false;
    XmlDocument list;
    if (openList(list)) {
        if (findEntry(list, name))
            list.RemoveElement();
        list.LeaveElement();
        listSaved = list.SaveFile(templateListPath());
    }

    WatermarkTemplate tmpl;
    if (loadWatermarkTemplate(name, tmpl)) {
        for (const QString& layer : tmpl.layers) {
            const QString layerPath = templateFilePath(layer);
            if (!layerPath.isEmpty())
                QFile::remove(layerPath);
        }
    }
    const QString templatePath = templateFilePath(name);
    QFile::remove(templatePath);
    return listSaved && !QFileInfo(templatePath).isFile();
}

bool RenameTemplate(const QString& oldName, const QString& newName)
{
    if (!isValidTemplateName(oldName) || !isValidTemplateName(newName))
        return false;
    const QString oldPath = templateFilePath(oldName);
    const QString newPath = templateFilePath(newName);
    // Renaming onto an existing template would list the new name twice and strand the old
    // template file, so it is refused before anything changes.
    if (QFileInfo::exists(newPath) || QFileInfo(newPath).isSymLink())
        return false;

    bool listSaved = false;
    XmlDocument list;
    if (openList(list)) {
        if (findEntry(list, oldName))
            list.SetElementData(newName);
        list.LeaveElement();
        listSaved = list.SaveFile(templateListPath());
    }
    const bool renamed = QFile::rename(oldPath, newPath);
    return listSaved && renamed;
}

bool SetAsideTemplates()
{
    const QString data = GetAppDataFolder();
    const QString damaged = joinPath(data, QStringLiteral("templates damaged"));
    DeleteFolderTree(damaged);
    return QDir().rename(joinPath(data, QStringLiteral("templates")), damaged);
}
