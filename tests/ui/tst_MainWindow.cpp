#include "support/MainWindowFixture.h"

#include "model/OutputSettings.h"
#include "model/SelectedTemplate.h"
#include "model/TemplateStore.h"
#include "services/messages/WindowMessage.h"
#include "support/TestFiles.h"
#include "ui/controls/CXMenu.h"
#include "ui/skin/MainCommands.h"

#include <QLabel>

class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:

    void firstStartCreatesFilesAndShowsDemo()
    {
        MainWindowFixture f;
        CLumoraDlg* dlg = f.open();
        const QString templates = f.dataFolder + "/templates";
        for (const QString& file : {f.dataFolder + "/preference.xml", templates + "/qthumb.xml",
                                    templates + "/Demo 1.xml", templates + "/Demo 1_Layer 1.xml"})
            QVERIFY2(QFileInfo::exists(file), qPrintable(file));
        QVERIFY(QFileInfo::exists(f.dataFolder + "/report_me.log"));
        QCOMPARE(QFileInfo(f.dataFolder + "/report_me.log").size(), 0);
        QCOMPARE(f.templateRows(), QStringList{"Demo 1"});
        QCOMPARE(f.ui()->templateList()->getCurSel(), 0);
        QCOMPARE(f.ui()->currentTemplateName(), QStringLiteral("Demo 1"));
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Lumora Plenum"));
        QCOMPARE(qobject_cast<QLabel*>(f.ui()->FindControl("program_name_label"))->text(),
                 QStringLiteral("Lumora Plenum"));
        QCOMPARE(dlg->geometry().size(), QSize(803, 580));
        // Nothing to process yet.
        QVERIFY(!f.button("remove_toolbar_btn")->isEnabled());
        QVERIFY(!f.button("process_toolbar_btn")->isEnabled());
        QVERIFY(!f.button("stop_toolbar_btn")->isEnabled());
        QVERIFY(f.button("add_toolbar_btn")->isEnabled());
    }

    void rememberedTemplateIsSelectedAndStoredAtClose()
    {
        MainWindowFixture f;
        f.open();
        QVERIFY(AddTemplate("Studio"));
        QVERIFY(AddTemplate("Night"));
        f.window.reset(); // closing stores the index shown then (0)
        QCOMPARE(loadSelectedTemplateIndex(), 0);
        QVERIFY(storeSelectedTemplateIndex(1));

        CLumoraDlg* dlg = f.open();
        QCOMPARE(f.templateRows(), (QStringList{"Demo 1", "Studio", "Night"}));
        QCOMPARE(f.ui()->templateList()->getCurSel(), 1);
        QCOMPARE(f.ui()->currentTemplateName(), QStringLiteral("Studio"));

        MainWindowFixture::clickRow(f.ui()->templateList(), 2);
        QCOMPARE(f.ui()->currentTemplateName(), QStringLiteral("Night"));
        dlg->close();
        QCOMPARE(loadSelectedTemplateIndex(), 2);
    }

    void outOfRangeTemplateIndexSelectsNothing()
    {
        MainWindowFixture f;
        f.open();
        f.window.reset();
        QVERIFY(storeSelectedTemplateIndex(7));
        f.open();
        QCOMPARE(f.ui()->templateList()->getCurSel(), -1);
        // Asking for the selected index selects the first row.
        QCOMPARE(f.ui()->SelectedTemplateIndex(), 0);
        QCOMPARE(f.ui()->templateList()->getCurSel(), 0);
    }

    void addingTheSamePhotoTwiceListsItOnce()
    {
        MainWindowFixture f;
        f.open();
        const QString a = f.makePhoto("a.jpg");
        const QString b = f.makePhoto("b.png");
        f.addPhotos({a, a});
        f.addPhotos({b, a});
        QCOMPARE(f.filePaths(), (QStringList{a, b}));
        QVERIFY(f.button("process_toolbar_btn")->isEnabled());
        // Ids are never reused and each row's tag holds its item's id.
        const auto& items = f.ui()->fileItems();
        QVERIFY(items[1].id > items[0].id);
        QCOMPARE(f.ui()->fileModel()->index(1).data(PhotoListModel::IdRole).toInt(), items[1].id);
    }

    void removingTheLastPhotoDisablesTheFileButtons()
    {
        MainWindowFixture f;
        f.open();
        f.addPhotos({f.makePhoto("a.jpg"), f.makePhoto("b.jpg")});
        f.button("remove_toolbar_btn")->click(); // nothing selected: nothing removed
        QCOMPARE(f.filePaths().size(), 2);
        MainWindowFixture::clickRow(f.ui()->fileList(), 0);
        f.button("remove_toolbar_btn")->click();
        QCOMPARE(f.filePaths(), QStringList{f.photoFolder + "/b.jpg"});
        QVERIFY(f.button("preview_toolbar_btn")->isEnabled());
        MainWindowFixture::clickRow(f.ui()->fileList(), 0);
        f.button("remove_toolbar_btn")->click();
        QVERIFY(f.filePaths().isEmpty());
        QVERIFY(!f.button("remove_toolbar_btn")->isEnabled());
        QVERIFY(!f.button("preview_toolbar_btn")->isEnabled());
        QVERIFY(!f.button("process_toolbar_btn")->isEnabled());
    }

    void photoSelectionWalk()
    {
        MainWindowFixture f;
        f.open();
        QCOMPARE(f.ui()->CurrentPhotoPath(), QString());
        const QStringList photos{f.makePhoto("1.jpg"), f.makePhoto("2.jpg"), f.makePhoto("3.jpg")};
        f.addPhotos(photos);
        QCOMPARE(f.ui()->SelectPreviousPhoto(), QString()); // nothing before "no selection"
        QCOMPARE(f.ui()->CurrentPhotoPath(), photos[0]);    // selects the first row
        QCOMPARE(f.ui()->SelectNextPhoto(), photos[1]);
        QCOMPARE(f.ui()->SelectNextPhoto(), photos[2]);
        QCOMPARE(f.ui()->SelectNextPhoto(), QString());
        QCOMPARE(f.ui()->selectedFileRow(), 2); // the selection stays on the last row
        QCOMPARE(f.ui()->SelectPreviousPhoto(), photos[1]);
        f.ui()->SelectFileRow(-1);
        QCOMPARE(f.ui()->SelectNextPhoto(), photos[0]);
    }

    void listClicksRemoveThePreviewCache()
    {
        MainWindowFixture f;
        f.open();
        f.addPhotos({f.makePhoto("a.jpg")});
        const QString cache = PreviewCacheFolder();
        QVERIFY(QDir().mkpath(cache + "/sub"));
        MainWindowFixture::clickRow(f.ui()->fileList(), 0);
        QVERIFY(!QFileInfo::exists(cache));
        QVERIFY(QDir().mkpath(cache));
        MainWindowFixture::clickRow(f.ui()->templateList(), 0);
        QVERIFY(!QFileInfo::exists(cache));
    }

    void doubleClicksOpenEditorAndPreview()
    {
        MainWindowFixture f;
        int editor = 0;
        int preview = 0;
        f.open();
        QObject::connect(f.window.get(), &CLumoraDlg::templateEditorRequested, [&]() { ++editor; });
        QObject::connect(f.window.get(), &CLumoraDlg::outputPreviewRequested, [&]() { ++preview; });
        f.addPhotos({f.makePhoto("a.jpg")});
        MainWindowFixture::doubleClickRow(f.ui()->templateList(), 0);
        QCOMPARE(editor, 1);
        QCOMPARE(preview, 0);
        MainWindowFixture::doubleClickRow(f.ui()->fileList(), 0);
        QCOMPARE(preview, 1);
        f.button("preview_toolbar_btn")->click();
        QCOMPARE(preview, 2);
        WindowMessageEvent message(MainUiToolbarMessage, PreviewCode);
        QCoreApplication::sendEvent(f.window.get(), &message);
        QCOMPARE(preview, 3);
    }

    void commandsWithoutTheirWindowDoNothing_data()
    {
        QTest::addColumn<int>("message");
        QTest::addColumn<int>("code");
        QTest::newRow("resizing") << int(MainUiToolbarMessage) << int(ResizingCode);
        QTest::newRow("preferences") << int(MainUiToolbarMessage) << int(PreferenceCode);
        QTest::newRow("quick start") << int(QuickStartMessage) << 0;
        QTest::newRow("update failed") << int(UpdateCheckFailedMessage) << 0;
        QTest::newRow("edit template") << 0 << int(EditTemplateCommand);
        QTest::newRow("about") << 0 << int(AboutCommand);
        QTest::newRow("check updates") << 0 << int(CheckUpdateCommand);
        QTest::newRow("window menu about") << 0 << int(SystemAboutCommand);
    }
    void commandsWithoutTheirWindowDoNothing()
    {
        QFETCH(int, message);
        QFETCH(int, code);
        MainWindowFixture f;
        CLumoraDlg* dlg = f.open();
        if (message == 0)
            dlg->onCommand(code);
        else
            dlg->handleWindowMessage(message, code, 0);
        QVERIFY(f.messages.isEmpty());
        QVERIFY(dlg->isVisible());
    }

    void updateMessages()
    {
        MainWindowFixture f;
        CLumoraDlg* dlg = f.open();
        f.answers = {QMessageBox::No};
        postWindowMessage(dlg, NewVersionMessage, 0x20000);
        postWindowMessage(dlg, LatestVersionMessage, 0x10000);
        QTRY_COMPARE(f.messages.size(), 2);
        QCOMPARE(f.messages[0], QStringLiteral("一个新的 Lumora 版本可以下载，你想现在下载吗?"));
        QCOMPARE(f.messages[1], QStringLiteral("您使用的是最新版本。谢谢。"));
    }

    void quickStartOpensAfterASecond_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("opened");
        QTest::newRow("shown") << 0 << 1;
        QTest::newRow("switched off") << 1 << 0;
    }
    void quickStartOpensAfterASecond()
    {
        QFETCH(int, stored);
        QFETCH(int, opened);
        MainWindowFixture f;
        int count = 0;
        CreateDefaultPreferences();
        if (stored == 1) {
            QFile file(f.dataFolder + "/preference.xml");
            QVERIFY(file.open(QIODevice::ReadOnly));
            QByteArray text = file.readAll();
            file.close();
            text.replace("<OpenQuickStartDlg>0</OpenQuickStartDlg>",
                         "<OpenQuickStartDlg>1</OpenQuickStartDlg>");
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(text);
            file.close();
        }
        f.open();
        QObject::connect(f.window.get(), &CLumoraDlg::quickStartRequested, [&]() { ++count; });
        QCOMPARE(count, 0); // not at once
        QTest::qWait(1500);
        QCOMPARE(count, opened);
    }

    void maximiseAndRestoreSwapButtons()
    {
        MainWindowFixture f;
        CLumoraDlg* dlg = f.open();
        QWidget* maxButton = f.ui()->FindControl("max_btn");
        QWidget* restoreButton = f.ui()->FindControl("restore_btn");
        f.button("max_btn")->click();
        QTRY_VERIFY(dlg->isMaximized());
        QVERIFY(!maxButton->isVisible() && restoreButton->isVisible());
        f.button("restore_btn")->click();
        QTRY_VERIFY(!dlg->isMaximized());
        QVERIFY(maxButton->isVisible() && !restoreButton->isVisible());
    }

    void captionRightClickOffersTheAboutItem()
    {
        MainWindowFixture f;
        int about = 0;
        CLumoraDlg* dlg = f.open();
        QObject::connect(dlg, &CLumoraDlg::systemAboutWindowRequested, [&]() { ++about; });
        QWidget* title = f.ui()->FindControl("program_name_label");
        QContextMenuEvent click(QContextMenuEvent::Mouse, title->rect().center(),
                                title->mapToGlobal(title->rect().center()));
        QCoreApplication::sendEvent(title, &click);
        QTRY_VERIFY(dlg->windowMenu()->isVisible());
        QAction* last = dlg->windowMenu()->actions().last();
        QCOMPARE(last->text(), QStringLiteral("关于 Lumora(&A)..."));
        dlg->windowMenu()->hide();
        last->trigger();
        QCOMPARE(about, 1);
    }

    void templateMenuHasItsCommands()
    {
        MainWindowFixture f;
        CLumoraDlg* dlg = f.open();
        QStringList texts;
        for (QAction* action : dlg->templateMenu()->actions())
            texts.append(action->text());
        QCOMPARE(texts, (QStringList{"编辑所选模板", "重命名所选模板", "", "删除所选模板"}));
        QStringList help;
        for (QAction* action : dlg->helpMenu()->actions())
            if (!action->isSeparator())
                help.append(action->text());
        QCOMPARE(help, (QStringList{"主页", "支持页面", "显示快速入门", "反馈...", "重置默认设置",
                                    "打开设置文件夹", "语言 (Language)", "检查更新...", "启动时检查更新",
                                    "关于...", "关于 Lumora(&A)..."}));
    }

    // ---- Templates ----

    void deleteWithoutSelectionOrAnsweringNoChangesNothing()
    {
        MainWindowFixture f;
        CLumoraDlg* dlg = f.open();
        const QString demo = f.dataFolder + "/templates/Demo 1.xml";
        f.ui()->selectTemplateRow(-1);
        dlg->onCommand(DeleteTemplateCommand);
        QCOMPARE(f.messages, QStringList{"请首先选择一个水印模板删除!"});
        f.ui()->selectTemplateRow(0);
        f.answers = {QMessageBox::No};
        dlg->onCommand(DeleteTemplateCommand);
        QCOMPARE(f.messages.last(), QStringLiteral("您确定要删除这个模板?"));
        QCOMPARE(f.templateRows(), QStringList{"Demo 1"});
        QVERIFY(QFileInfo::exists(demo));

        dlg->onCommand(DeleteTemplateCommand); // Yes
        QVERIFY(f.templateRows().isEmpty());
        QVERIFY(!QFileInfo::exists(demo));
        QVERIFY(!QFileInfo::exists(f.dataFolder + "/templates/Demo 1_Layer 1.xml"));
    }

    void newTemplateIsAddedToListAndFiles()
    {
        MainWindowFixture f;
        CLumoraDlg* dlg = f.open();
        f.typedNames = {"Studio"};
        f.button("add_template_btn")->click();
        QCOMPARE(f.captions, QStringList{"添加新模板"});
        QCOMPARE(f.templateRows(), (QStringList{"Demo 1", "Studio"}));
        QCOMPARE(dlg->enteredName(), QStringLiteral("Studio"));
        QStringList names;
        QVERIFY(loadTemplateNames(names));
        QCOMPARE(names, (QStringList{"Demo 1", "Studio"}));
        QVERIFY(QFileInfo::exists(f.dataFolder + "/templates/Studio_Layer 1.xml"));
    }

    // A template list that cannot be read is named with its reason at start and kept byte for
    // byte; the list is rebuilt from the folder's template files only when the person says yes.
    void damagedTemplateListIsNamedAndRebuiltOnlyOnYes_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("accept");
        const QByteArray cut = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Templates>\r\n<template>De";
        QTest::newRow("cut, declined") << cut << "not well-formed" << false;
        QTest::newRow("cut, rebuilt") << cut << "not well-formed" << true;
        QTest::newRow("empty, declined") << QByteArray() << "it is empty" << false;
        QTest::newRow("empty, rebuilt") << QByteArray() << "it is empty" << true;
    }

    void damagedTemplateListIsNamedAndRebuiltOnlyOnYes()
    {
        QFETCH(QByteArray, list);
        QFETCH(QString, reason);
        QFETCH(bool, accept);
        MainWindowFixture f;
        f.open();
        QVERIFY(AddTemplate("Studio"));
        f.window.reset();
        const QString listPath = f.dataFolder + "/templates/qthumb.xml";
        writeFile(listPath, list);
        f.messages.clear();
        f.answers = {accept ? QMessageBox::Yes : QMessageBox::No};
        f.open();
        QCOMPARE(f.messages.size(), 1);
        QVERIFY2(f.messages[0].contains(QDir::toNativeSeparators(listPath)) && f.messages[0].contains(reason),
                 qPrintable(f.messages[0]));
        if (!accept) {
            QCOMPARE(readFile(listPath), list);
            QVERIFY(f.templateRows().isEmpty());
            // Adding a template names the file that stands in the way and leaves it alone.
            f.typedNames = {"Night"};
            f.button("add_template_btn")->click();
            QVERIFY2(f.messages.last().contains(QDir::toNativeSeparators(listPath)),
                     qPrintable(f.messages.last()));
            QCOMPARE(readFile(listPath), list);
            return;
        }
        QCOMPARE(readFile(listPath + ".damaged"), list);
        // The template files, not the layer files, sorted by name.
        QCOMPARE(f.templateRows(), (QStringList{"Demo 1", "Studio"}));
        QStringList names;
        QVERIFY(loadTemplateNames(names));
        QCOMPARE(names, (QStringList{"Demo 1", "Studio"}));
    }

    void renameUpdatesListAndFiles()
    {
        MainWindowFixture f;
        CLumoraDlg* dlg = f.open();
        f.ui()->selectTemplateRow(0);
        f.typedNames = {"Portraits"};
        dlg->onCommand(RenameTemplateCommand);
        QCOMPARE(f.captions, QStringList{"重命名模板"});
        QCOMPARE(f.templateRows(), QStringList{"Portraits"});
        QCOMPARE(f.ui()->currentTemplateName(), QStringLiteral("Portraits"));
        QStringList names;
        QVERIFY(loadTemplateNames(names));
        QCOMPARE(names, QStringList{"Portraits"});
        QVERIFY(QFileInfo::exists(f.dataFolder + "/templates/Portraits.xml"));
        QVERIFY(!QFileInfo::exists(f.dataFolder + "/templates/Demo 1.xml"));

        f.ui()->selectTemplateRow(-1);
        dlg->onCommand(RenameTemplateCommand);
        QCOMPARE(f.messages, QStringList{"请选择一个模板重命名！"});
    }

    void refusedNamesChangeNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QStringLiteral("") << QStringLiteral("请输入有效的模板名称。");
        QTest::newRow("slash") << QStringLiteral("a/b") << QStringLiteral("请输入有效的模板名称。");
        QTest::newRow("dot") << QStringLiteral(".") << QStringLiteral("请输入有效的模板名称。");
        QTest::newRow("dot dot") << QStringLiteral("..") << QStringLiteral("请输入有效的模板名称。");
        QTest::newRow("existing, other case")
            << QStringLiteral("studio") << QStringLiteral("模板名称已存在，请输入一个不同的名称！");
        QTest::newRow("a layer's file") << QStringLiteral("Demo 1_Layer 1")
                                        << QStringLiteral("具有相同名称的文件已经存在，请输入其他名称");
    }
    void refusedNamesChangeNothing()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        MainWindowFixture f;
        CLumoraDlg* dlg = f.open();
        QVERIFY(AddTemplate("Studio"));
        f.ui()->AddTemplateItem("Studio");
        QStringList before;
        QVERIFY(loadTemplateNames(before));
        const QStringList files = QDir(f.dataFolder + "/templates").entryList(QDir::Files);

        // New template: refused, asked again, then cancelled.
        f.typedNames = {name};
        dlg->onCommand(0); // unknown commands do nothing
        dlg->newTemplate();
        QCOMPARE(f.messages, QStringList{message});
        QCOMPARE(f.captions.size(), 2);
        // Renaming "Demo 1" onto the name: refused before anything changes.
        f.ui()->selectTemplateRow(0);
        f.typedNames = {name};
        dlg->RenameSelectedTemplate();
        QCOMPARE(f.messages.size(), 2);
        QCOMPARE(f.messages.last(), message);

        QStringList after;
        QVERIFY(loadTemplateNames(after));
        QCOMPARE(after, before);
        QCOMPARE(f.templateRows(), before);
        QCOMPARE(QDir(f.dataFolder + "/templates").entryList(QDir::Files), files);
    }

    void newTemplateMayNotOverwriteARenamedTemplatesLayer()
    {
        // After renaming "Demo 1" to "Portraits", its layer file is still "Demo 1_Layer 1";
        // a new template "Demo 1" would write over it.
        MainWindowFixture f;
        CLumoraDlg* dlg = f.open();
        f.ui()->selectTemplateRow(0);
        f.typedNames = {"Portraits"};
        dlg->RenameSelectedTemplate();
        const QString layer = f.dataFolder + "/templates/Demo 1_Layer 1.xml";
        const QByteArray content = [&] {
            QFile file(layer);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        f.typedNames = {"Demo 1"};
        dlg->newTemplate();
        QCOMPARE(f.messages, QStringList{"具有相同名称的文件已经存在，请输入其他名称"});
        QFile file(layer);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
    }

    void resetDefaultSettingsAsksForARestart()
    {
        MainWindowFixture f;
        CLumoraDlg* dlg = f.open();
        dlg->onCommand(ResetDefaultsCommand);
        QCOMPARE(f.messages, QStringList{"请退出该程序，然后再重新启动它。谢谢。"});
        QVERIFY(QFileInfo::exists(f.dataFolder + "/templates damaged/Demo 1.xml"));
        QVERIFY(!QFileInfo::exists(f.dataFolder + "/templates"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"
