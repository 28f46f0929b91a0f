#include "model/OutputSettings.h"

#include "services/language/FailureReason.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include "model/DataFiles.h"
#include "services/folders/Folders.h"
#include "xml/XmlDocument.h"

using namespace PreferenceElements;

namespace {

void readInt(XmlDocument& doc, const QString& name, int& value)
{
    if (doc.FindElement(name))
        value = readXmlInt(doc.GetElementData());
}

void readText(XmlDocument& doc, const QString& name, QString& value)
{
    if (doc.FindElement(name))
        value = doc.GetElementData();
}

bool openPreferences(XmlDocument& doc)
{
    return doc.LoadFile(preferencesPath()) && doc.FindElement(kRoot) && doc.EnterElement();
}

} // namespace

bool isUsableOutputSuffix(const QString& suffix)
{
    return !suffix.contains(QLatin1Char('/')) && !hasControlCharacter(suffix);
}

bool hasControlCharacter(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

bool isUsableOutputFolder(const QString& folder)
{
    return QDir::isAbsolutePath(folder) && !folder.contains(QChar(0));
}

bool LoadPreferences(OutputSettings& into)
{
    XmlDocument doc;
    if (!openPreferences(doc))
        return false;
    OutputSettings settings = into;
    readInt(doc, kFolderOpts, settings.OutputFolderOpts);
    readText(doc, kFolderPath, settings.OutputFolderPath);
    readInt(doc, kNameOpts, settings.OutputFileNameOpts);
    readText(doc, kSuffix, settings.OutputFileNameSuffix);
    readInt(doc, kFormat, settings.OutputFormat);
    readInt(doc, kJpegQuality, settings.JpegQuality);
    into = settings;
    return true;
}

QString loadPreferencesForRun(OutputSettings& into)
{
    if (LoadPreferences(into))
        return QString();
    return describeUnreadableDataFile(FailureReason::tr("output settings"), preferencesPath(), kRoot);
}

bool writePreferencesFile(const OutputSettings& settings)
{
    XmlDocument doc;
    startNewXmlDocument(doc);
    doc.AddElement(kRoot, QString());
    doc.EnterElement();
    doc.AddElement(kFolderOpts, settings.OutputFolderOpts);
    doc.AddElement(kFolderPath, settings.OutputFolderPath);
    doc.AddElement(kNameOpts, settings.OutputFileNameOpts);
    doc.AddElement(kSuffix, settings.OutputFileNameSuffix);
    doc.AddElement(kFormat, settings.OutputFormat);
    doc.AddElement(kJpegQuality, settings.JpegQuality);
    doc.AddElement(kOpenQuickStart, 0);
    doc.LeaveElement();
    return doc.SaveFile(preferencesPath());
}

OutputSettings defaultOutputSettings(bool createOutputFolder)
{
    OutputSettings settings;
    settings.OutputFolderOpts = OutputSettings::BesideSource;
    settings.OutputFolderPath = createOutputFolder ? GetDocumentsFolder() : documentsFolderPath();
    settings.OutputFileNameOpts = OutputSettings::AddSuffix;
    settings.OutputFileNameSuffix = QStringLiteral("_new");
    settings.OutputFormat = OutputSettings::Jpeg;
    settings.JpegQuality = 100;
    return settings;
}

bool CreateDefaultPreferences(bool createOutputFolder)
{
    const QString path = preferencesPath();
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return false;
    return writePreferencesFile(defaultOutputSettings(createOutputFolder));
}

bool loadOpenQuickStartDlg(int& value)
{
    XmlDocument doc;
    if (!openPreferences(doc) || !doc.FindElement(kOpenQuickStart))
        return false;
    value = readXmlInt(doc.GetElementData());
    return true;
}
