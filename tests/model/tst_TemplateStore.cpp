#include <QTest>

#include "model/DataFiles.h"
#include "model/LayerFiles.h"
#include "model/OutputSettings.h"
#include "model/TemplateStore.h"
#include "model/WatermarkTemplate.h"
#include "support/FirstStartFiles.h"
#include "support/TempDataFolder.h"

namespace {

QByteArray listOf(const QList<QByteArray>& names)
{
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Templates>\r\n";
    for (const QByteArray& name : names)
        text += "<template>" + name + "</template>\r\n";
    return text + "</Templates>\r\n";
}

QByteArray layersOf(const QList<QByteArray>& names)
{
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Layers>\r\n";
    for (const QByteArray& name : names)
        text += "<layer>" + name + "</layer>\r\n";
    return text + "</Layers>\r\n";
}

QStringList templateNames()
{
    QStringList names;
    if (!loadTemplateNames(names))
        return {QStringLiteral("<list does not load>")};
    return names;
}

} // namespace

class TemplateStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void firstStartWritesTheDefaultFiles()
    {
        TempDataFolder folder;
        QVERIFY(CreateDefaultPreferences());
        QVERIFY(CreateDefaultTemplates());

        // The bytes of each file are compared in the command-line program's test.
        const QString documents = folder.root() + QStringLiteral("/documents/Lumora Plenum");
        QVERIFY(QFileInfo(documents).isDir());
        QCOMPARE(TempDataFolder::read(folder.templateFile(QStringLiteral("Demo 1_Layer 1"))),
                 FirstStartFiles::layer("Lumora Plenum"));

        // A second start changes nothing.
        const auto before = folder.snapshot();
        QVERIFY(!CreateDefaultPreferences());
        QVERIFY(!CreateDefaultTemplates());
        QCOMPARE(folder.snapshot(), before);

        OutputSettings settings;
        QVERIFY(LoadPreferences(settings));
        QCOMPARE(settings, (OutputSettings{0, documents, 1, QStringLiteral("_new"), 0, 100,
                                           OutputSettings::ReplaceExisting}));
        int quickStart = -1;
        QVERIFY(loadOpenQuickStartDlg(quickStart));
        QCOMPARE(quickStart, 0);
    }

    void reportLogIsEmptiedAtEveryStart()
    {
        TempDataFolder folder;
        const QString log = folder.data() + QStringLiteral("/report_me.log");
        QVERIFY(resetReportLog());
        QVERIFY(QFileInfo(log).isFile());
        QVERIFY(folder.write(log, "old report"));
        QVERIFY(resetReportLog());
        QCOMPARE(TempDataFolder::read(log), QByteArray());
        QVERIFY(QFileInfo(log).isFile());
    }

    void existingEmptyTemplatesFolderStaysEmpty()
    {
        TempDataFolder folder;
        QVERIFY(QDir().mkpath(folder.templates()));
        QVERIFY(!CreateDefaultTemplates());
        QVERIFY(QDir(folder.templates()).isEmpty());
        QCOMPARE(templateNames(), QStringList());
    }

    void addTemplate()
    {
        TempDataFolder folder;
        QVERIFY(folder.write(folder.templates() + QStringLiteral("/qthumb.xml"), listOf({"Demo 1"})));
        QVERIFY(AddTemplate(QStringLiteral("Mine")));
        QCOMPARE(templateNames(), (QStringList{QStringLiteral("Demo 1"), QStringLiteral("Mine")}));
        QCOMPARE(TempDataFolder::read(folder.templateFile(QStringLiteral("Mine"))),
                 layersOf({"Mine_Layer 1"}));
        QCOMPARE(TempDataFolder::read(folder.templateFile(QStringLiteral("Mine_Layer 1"))),
                 FirstStartFiles::layer("Lumora For Win"));
    }

    void addTemplateStartsAMissingList()
    {
        TempDataFolder folder;
        QVERIFY(QDir().mkpath(folder.templates()));
        QVERIFY(AddTemplate(QStringLiteral("First")));
        QCOMPARE(TempDataFolder::read(folder.templates() + QStringLiteral("/qthumb.xml")), listOf({"First"}));
    }

    void addTemplateLeavesADamagedListAlone()
    {
        TempDataFolder folder;
        const QString list = folder.templates() + QStringLiteral("/qthumb.xml");
        const QByteArray damaged = "<Templates><template>A</template></Templates><Templates/>";
        QVERIFY(folder.write(list, damaged));
        QVERIFY(!AddTemplate(QStringLiteral("B")));
        QCOMPARE(TempDataFolder::read(list), damaged);
        QVERIFY(!QFileInfo::exists(folder.templateFile(QStringLiteral("B"))));
        QCOMPARE(templateNames(), QStringList{QStringLiteral("<list does not load>")});
    }

    void deleteTemplate()
    {
        TempDataFolder folder;
        QVERIFY(folder.write(folder.templates() + QStringLiteral("/qthumb.xml"), listOf({"A", "B", "A"})));
        QVERIFY(folder.write(folder.templateFile(QStringLiteral("A")),
                             layersOf({"A_Layer 1", "shared", "../outside", "qthumb"})));
        for (const char* layer : {"A_Layer 1", "shared", "kept"})
            QVERIFY(folder.write(folder.templateFile(QString::fromUtf8(layer)), "x"));
        const QString outside = folder.data() + QStringLiteral("/outside.xml");
        QVERIFY(folder.write(outside, "keep"));

        QVERIFY(DeleteTemplate(QStringLiteral("A")));
        // Only the first entry goes.
        QCOMPARE(templateNames(), (QStringList{QStringLiteral("B"), QStringLiteral("A")}));
        QVERIFY(!QFileInfo::exists(folder.templateFile(QStringLiteral("A"))));
        QVERIFY(!QFileInfo::exists(folder.templateFile(QStringLiteral("A_Layer 1"))));
        QVERIFY(!QFileInfo::exists(folder.templateFile(QStringLiteral("shared"))));
        QVERIFY(QFileInfo::exists(folder.templateFile(QStringLiteral("kept"))));
        // Layer names that would leave the templates folder, or hit the list, are skipped.
        QCOMPARE(TempDataFolder::read(outside), QByteArray("keep"));
        QVERIFY(QFileInfo::exists(folder.templates() + QStringLiteral("/qthumb.xml")));
    }

    void deleteTemplateOfUnknownName()
    {
        TempDataFolder folder;
        const QString list = folder.templates() + QStringLiteral("/qthumb.xml");
        QVERIFY(folder.write(list, listOf({"A"})));
        QVERIFY(DeleteTemplate(QStringLiteral("Z")));
        QCOMPARE(TempDataFolder::read(list), listOf({"A"}));
    }

    void renameTemplate()
    {
        TempDataFolder folder;
        QVERIFY(folder.write(folder.templates() + QStringLiteral("/qthumb.xml"), listOf({"X", "A", "A"})));
        QVERIFY(folder.write(folder.templateFile(QStringLiteral("A")), layersOf({"A_Layer 1"})));
        QVERIFY(folder.write(folder.templateFile(QStringLiteral("A_Layer 1")), FirstStartFiles::layer("t")));

        QVERIFY(RenameTemplate(QStringLiteral("A"), QStringLiteral("B")));
        QCOMPARE(templateNames(),
                 (QStringList{QStringLiteral("X"), QStringLiteral("B"), QStringLiteral("A")}));
        QVERIFY(!QFileInfo::exists(folder.templateFile(QStringLiteral("A"))));
        WatermarkTemplate renamed;
        QVERIFY(loadWatermarkTemplate(QStringLiteral("B"), renamed));
        QCOMPARE(renamed.layers, QStringList{QStringLiteral("A_Layer 1")});
        WatermarkConf conf;
        QVERIFY(LoadLayerConf(renamed.layers.constFirst(), conf));
        QCOMPARE(conf.textContent, QStringLiteral("t"));
    }

    void renameOntoAnExistingTemplateIsRefused()
    {
        TempDataFolder folder;
        QVERIFY(folder.write(folder.templates() + QStringLiteral("/qthumb.xml"), listOf({"A", "B"})));
        QVERIFY(folder.write(folder.templateFile(QStringLiteral("A")), layersOf({"A_Layer 1"})));
        QVERIFY(folder.write(folder.templateFile(QStringLiteral("B")), layersOf({"B_Layer 1"})));
        const auto before = folder.snapshot();
        QVERIFY(!RenameTemplate(QStringLiteral("A"), QStringLiteral("B")));
        QCOMPARE(folder.snapshot(), before);
    }

    void invalidNamesTouchNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("dot dot") << "..";
        QTest::newRow("parent") << "../data";
        QTest::newRow("slash") << "a/b";
        QTest::newRow("NUL") << QStringLiteral("A") + QChar(0);
        QTest::newRow("list") << "qthumb";
    }

    void invalidNamesTouchNothing()
    {
        QFETCH(QString, name);
        TempDataFolder folder;
        QVERIFY(folder.write(folder.templates() + QStringLiteral("/qthumb.xml"), listOf({"A"})));
        QVERIFY(folder.write(folder.templateFile(QStringLiteral("A")), layersOf({"A_Layer 1"})));
        QVERIFY(QDir().mkpath(folder.templates() + QStringLiteral("/a")));
        QVERIFY(folder.write(folder.data() + QStringLiteral("/data.xml"), "keep"));
        const auto before = folder.snapshot();
        QVERIFY(!AddTemplate(name));
        QVERIFY(!DeleteTemplate(name));
        QVERIFY(!RenameTemplate(QStringLiteral("A"), name));
        QVERIFY(!RenameTemplate(name, QStringLiteral("A")));
        QVERIFY(!saveWatermarkTemplate({name, {QStringLiteral("x")}}));
        QCOMPARE(folder.snapshot(), before);
    }

    void setAsideTemplates()
    {
        TempDataFolder folder;
        QVERIFY(!SetAsideTemplates()); // nothing to set aside yet
        QVERIFY(folder.write(folder.templates() + QStringLiteral("/qthumb.xml"), listOf({"A"})));
        QVERIFY(folder.write(folder.data() + QStringLiteral("/templates damaged/old/old.xml"), "old"));
        QVERIFY(folder.write(folder.data() + QStringLiteral("/preference.xml"), "prefs"));

        QVERIFY(SetAsideTemplates());
        QVERIFY(!QFileInfo::exists(folder.templates()));
        QCOMPARE(TempDataFolder::read(folder.data() + QStringLiteral("/templates damaged/qthumb.xml")),
                 listOf({"A"}));
        QVERIFY(!QFileInfo::exists(folder.data() + QStringLiteral("/templates damaged/old")));
        QCOMPARE(TempDataFolder::read(folder.data() + QStringLiteral("/preference.xml")),
                 QByteArray("prefs"));

        // The next start rebuilds the demonstration template.
        QVERIFY(CreateDefaultTemplates());
        QCOMPARE(templateNames(), QStringList{QStringLiteral("Demo 1")});
    }
};

QTEST_GUILESS_MAIN(TemplateStoreTest)
#include "tst_TemplateStore.moc"
