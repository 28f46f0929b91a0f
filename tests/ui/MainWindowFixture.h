#pragma once

#include "app/AppMessageBox.h"
#include "app/CLumoraDlg.h"
#include "app/TemplateNamePrompt.h"
#include "services/folders/Folders.h"
#include "services/skin/SkinAttributes.h"
#include "services/skin/SkinLabel.h"
#include "services/skin/SkinList.h"
#include "services/skin/SkinListContainerElement.h"
#include "services/skin/SkinResources.h"
#include "ui/skin/CMainDlgUI.h"

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
        SetAppDataFolderOverride(dataFolder);
        SetDocumentsFolderOverride(root.path() + "/documents");
        SetPreviewCacheFolderOverride(root.path() + "/cache");
        InitTemplatesFolder();
        SkinResources::SetInstancePath(QStringLiteral(LUMORA_BIN_DIR));
        AppMessageBox::SetHandler(
            [this](QWidget*, const QString& text, QMessageBox::Icon, QMessageBox::StandardButtons) {
                messages.append(text);
                return answers.isEmpty() ? QMessageBox::Yes : answers.takeFirst();
            });
        TemplateNamePrompt::SetTextSource([this](QWidget*, const QString& caption) -> std::optional<QString> {
            captions.append(caption);
            if (typedNames.isEmpty())
                return std::nullopt;
            return typedNames.takeFirst();
        });
    }

    ~MainWindowFixture()
    {
        window.reset();
        AppMessageBox::SetHandler({});
        TemplateNamePrompt::SetTextSource({});
        SetAppDataFolderOverride(QString());
        SetDocumentsFolderOverride(QString());
        SetPreviewCacheFolderOverride(QString());
    }

    CLumoraDlg* Open()
    {
        window = std::make_unique<CLumoraDlg>();
        if (!window->InitDialog())
            qWarning() << window->ErrorString();
        window->Ui()->SetOpenFileChooser([this](QWidget*, const QString&) { return chosenFiles; });
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qWarning() << "main window not exposed";
        return window.get();
    }

    CMainDlgUI* Ui() const { return window->Ui(); }

    QString MakePhoto(const QString& name) const
    {
        const QString path = photoFolder + QLatin1Char('/') + name;
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        image.save(path);
        return path;
    }

    QAbstractButton* Button(const char* name) const
    {
        return qobject_cast<QAbstractButton*>(Ui()->FindControl(QString::fromLatin1(name)));
    }

    // Adds photos through the toolbar's add button.
    void AddPhotos(const QStringList& paths)
    {
        chosenFiles = paths;
        Button("add_toolbar_btn")->click();
    }

    static void ClickRow(SkinList* list, int row)
    {
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    static void DoubleClickRow(SkinList* list, int row)
    {
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }

    // The status picture's file name of a file row ("ready.png", "ok.png", "failed.png").
    QString StatusPicture(int row) const
    {
        SkinListContainerElement* element = Ui()->FileList()->GetItemAt(row);
        auto* status = qobject_cast<SkinLabel*>(FindNamedChild(element, QStringLiteral("file_status_label")));
        return status ? QFileInfo(status->BkImage()).fileName() : QString();
    }

    QString TemplateRowText(int row) const
    {
        SkinListContainerElement* element = Ui()->TemplateList()->GetItemAt(row);
        auto* label = qobject_cast<SkinLabel*>(FindNamedChild(element, QStringLiteral("temp_name_label")));
        return label ? label->GetText() : QString();
    }

    QStringList TemplateRows() const
    {
        QStringList rows;
        for (int i = 0; i < Ui()->TemplateList()->GetCount(); ++i)
            rows.append(TemplateRowText(i));
        return rows;
    }

    QStringList FilePaths() const
    {
        QStringList paths;
        for (const FileListItem& item : Ui()->FileItems())
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
