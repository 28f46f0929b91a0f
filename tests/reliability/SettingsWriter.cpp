// A helper for the kill tests: writes the program's settings files over and over, through
// the same engine calls the desktop program uses, until it is killed. Arguments: the data
// folder and the number of rounds. Every value written carries the round's number, so that
// a reader can tell that it holds a whole value of some round.
#include <QGuiApplication>
#include <QTextStream>

#include "model/DataFiles.h"
#include "model/LayerFiles.h"
#include "model/OutputSettings.h"
#include "model/ResizeSettings.h"
#include "model/SelectedTemplate.h"
#include "model/TemplateStore.h"
#include "model/WatermarkConf.h"
#include "services/folders/Folders.h"
#include "xml/XmlDocument.h"

namespace {

// The output settings window's closing step: existing elements changed in place, then saved.
void storePreferences(int round)
{
    XmlDocument doc;
    if (!doc.LoadFile(preferencesPath()) || !doc.FindElement(QStringLiteral("Preferences")))
        return;
    doc.EnterElement();
    if (doc.FindElement(QStringLiteral("OutputFolderPath")))
        doc.SetElementData(QStringLiteral("/output/round %1 ").arg(round) + QString(200, QLatin1Char('x')));
    if (doc.FindElement(QStringLiteral("OutputFileNameSuffix")))
        doc.SetElementData(QStringLiteral("_round%1").arg(round));
    doc.SaveFile(preferencesPath());
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 3)
        return 2;
    setAppDataFolderOverride(args.at(1));
    setDocumentsFolderOverride(args.at(1) + QStringLiteral("/documents"));
    initTemplatesFolder();
    CreateDefaultPreferences();
    CreateDefaultTemplates();
    const int rounds = args.at(2).toInt();
    for (int round = 1; round <= rounds; ++round) {
        storePreferences(round);
        storeSelectedTemplateIndex(round % 7);
        writeResizeSettings(1, QString::number(800 + round), QString::number(600 + round), round % 2);
        WatermarkConf conf;
        LoadEditConf(QStringLiteral("Demo 1_Layer 1"), conf);
        conf.textContent = QStringLiteral("round %1 ").arg(round) + QString(500, QChar(0x6C34));
        StoreEditConf(QStringLiteral("Demo 1_Layer 1"), conf);
        AddTemplate(QStringLiteral("Round %1").arg(round));
        DeleteTemplate(QStringLiteral("Round %1").arg(round - 1));
    }
    QTextStream(stdout) << "done\n";
    return 0;
}
