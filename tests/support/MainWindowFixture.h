#pragma once

#include "app/AppMessageBox.h"
#include "app/CLumoraDlg.h"
#include "app/TemplateNamePrompt.h"
#include "services/folders/Folders.h"
#include "services/skin/SkinAttributes.h"
#include "services/skin/SkinLabel.h"
#include "services/skin/SkinList.h"
#include "services/skin/SkinListContainerElement.h"
#include "services/skin/SkinListView.h"
#include "services/skin/SkinResources.h"
#include "ui/skin/CMainDlgUI.h"
#include "ui/skin/PhotoInspector.h"
#include "ui/skin/PhotoListModel.h"

#include <QAbstractButton>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

// A main window on fresh data, documents and cache folders, with message boxes answered from
// a queue (Yes by default) and recorded, and the naming prompt fed from a queue.
class MainWindowFixture
{
public:
    MainWindowFixture()
    {
        dataFolder = root.path() + "/data";
        photoFolder = root.path() + "/photos";
        outputFolder = root.path() + "/output";
        QDir().mkpath(photoFolder);
        QDir().mkpath(outputFolder);
        setAppDataFolderOverride(dataFolder);
        setDocumentsFolderOverride(root.path() + "/documents");
        setPreviewCacheFolderOverride(root.path() + "/cache");
        initTemplatesFolder();
        SkinResources::setInstancePath(QStringLiteral(LUMORA_BIN_DIR));
        AppMessageBox::setHandler(
            [this](QWidget*, const QString& text, QMessageBox::Icon, QMessageBox::StandardButtons) {
                messages.append(text);
                return answers.isEmpty() ? QMessageBox::Yes : answers.takeFirst();
            });
        TemplateNamePrompt::setTextSource([this](QWidget*, const QString& caption) -> std::optional<QString> {
            captions.append(caption);
            if (typedNames.isEmpty())
                return std::nullopt;
            return typedNames.takeFirst();
        });
    }

    ~MainWindowFixture()
    {
        window.reset();
        AppMessageBox::setHandler({});
        TemplateNamePrompt::setTextSource({});
        setAppDataFolderOverride(QString());
        setDocumentsFolderOverride(QString());
        setPreviewCacheFolderOverride(QString());
    }

    CLumoraDlg* open()
    {
        window = std::make_unique<CLumoraDlg>();
        if (!window->initDialog())
            qWarning() << window->errorString();
        window->ui()->setOpenFileChooser([this](QWidget*, const QString&) { return chosenFiles; });
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qWarning() << "main window not exposed";
        return window.get();
    }

    CMainDlgUI* ui() const { return window->ui(); }

    QString makePhoto(const QString& name) const
    {
        const QString path = photoFolder + QLatin1Char('/') + name;
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        image.save(path);
        return path;
    }

    QAbstractButton* button(const char* name) const
    {
        return qobject_cast<QAbstractButton*>(ui()->FindControl(QString::fromLatin1(name)));
    }

    // Adds photos through the toolbar's add button; outside a run, waits until they are
    // checked.
    void addPhotos(const QStringList& paths)
    {
        chosenFiles = paths;
        button("add_toolbar_btn")->click();
        waitForChecks();
    }

    bool waitForChecks() const
    {
        if (ui()->isBatchRunning())
            return true;
        return QTest::qWaitFor([this]() { return ui()->inspector()->isIdle(); }, 20000);
    }

    static void clickRow(SkinList* list, int row)
    {
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    static void doubleClickRow(SkinList* list, int row)
    {
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    static void clickRow(SkinListView* list, int row, Qt::KeyboardModifiers modifiers = {})
    {
        list->scrollTo(list->model()->index(row, 0));
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rect.center());
    }

    static void doubleClickRow(SkinListView* list, int row)
    {
        const QRect rect = list->visualRect(list->model()->index(row, 0));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    // The status picture's file name of a file row ("ready.png", "ok.png", "failed.png").
    QString statusPicture(int row) const { return QFileInfo(ui()->fileStatusPicture(row)).fileName(); }

    QString templateRowText(int row) const
    {
        SkinListContainerElement* element = ui()->templateList()->getItemAt(row);
        auto* label = qobject_cast<SkinLabel*>(FindNamedChild(element, QStringLiteral("temp_name_label")));
        return label ? label->getText() : QString();
    }

    QStringList templateRows() const
    {
        QStringList rows;
        for (int i = 0; i < ui()->templateList()->getCount(); ++i)
            rows.append(templateRowText(i));
        return rows;
    }

    QStringList filePaths() const
    {
        QStringList paths;
        for (const FileListItem& item : ui()->fileItems())
            paths.append(item.path);
        return paths;
    }

    QTemporaryDir root;
    QString dataFolder;
    QString photoFolder;
    QString outputFolder;
    QStringList chosenFiles;
    QStringList messages;
    QList<QMessageBox::StandardButton> answers;
    QStringList typedNames;
    QStringList captions;
    std::unique_ptr<CLumoraDlg> window;
};
