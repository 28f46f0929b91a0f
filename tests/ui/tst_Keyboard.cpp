#include "support/FakeRenderer.h"
#include "support/MainWindowFixture.h"

#include "app/CAboutDlg.h"
#include "model/OutputSettings.h"
#include "model/TemplateStore.h"
#include "ui/editor/CAddNewTempDlg.h"
#include "ui/editor/CEditTemplateDlg.h"
#include "ui/preview/COutputPreviewDlg.h"
#include "ui/settings/CImgResizingSettingDlg.h"
#include "ui/settings/CPreferenceDlg.h"
#include "ui/skin/CAboutDlgUI.h"
#include "ui/skin/CQuickStartDlgUI.h"

#include <QLineEdit>
#include <functional>

// The keyboard of the desktop program, pressed on the real widgets: the main window's
// shortcuts, and Enter and Escape in every dialog.
class KeyboardTest : public QObject
{
    Q_OBJECT
private:
    struct Window
    {
        MainWindowFixture f;
        FakeRenderer renderer{f.outputFolder};
        QStringList photos;
        int preferenceWindows = 0;

        explicit Window(int photoCount)
        {
            f.open();
            QObject::connect(f.window.get(), &CLumoraDlg::preferencesWindowRequested,
                             [this]() { ++preferenceWindows; });
            f.window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
            BatchRun::Services services;
            services.threads = 1;
            services.render = [this](const RenderRequest& request) { return renderer.render(request); };
            OutputSettings settings;
            settings.OutputFolderOpts = OutputSettings::ToOutputFolder;
            settings.OutputFolderPath = f.outputFolder;
            settings.OutputFormat = OutputSettings::Png;
            services.loadSettings = [settings](RenderSettings& run) {
                run.output = settings;
                return QString();
            };
            services.showInFileBrowser = [](const QString&) {};
            f.window->setBatchServices(services);
            for (int i = 1; i <= photoCount; ++i)
                photos.append(f.makePhoto(QStringLiteral("photo%1.jpg").arg(i)));
            f.addPhotos(photos);
        }
    };

    enum class Expect
    {
        StaysOpen,
        Accepted,
        Rejected
    };

private slots:
    // Each shortcut pressed on the file list, the control that has the focus in normal use.
    void mainWindowShortcuts_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("effect");
        const int none = Qt::NoModifier;
        const int ctrl = Qt::ControlModifier;
        QTest::newRow("Ctrl+O adds photos") << int(Qt::Key_O) << ctrl << "added";
        QTest::newRow("Delete removes the selected photo") << int(Qt::Key_Delete) << none << "removed";
        QTest::newRow("F5 starts the run") << int(Qt::Key_F5) << none << "run";
        QTest::newRow("Ctrl+Return starts the run") << int(Qt::Key_Return) << ctrl << "run";
        QTest::newRow("Ctrl+keypad Enter starts the run")
            << int(Qt::Key_Enter) << int(Qt::ControlModifier | Qt::KeypadModifier) << "run";
        QTest::newRow("Escape stops the run") << int(Qt::Key_Escape) << none << "stopped";
        QTest::newRow("Ctrl+, opens the preferences") << int(Qt::Key_Comma) << ctrl << "preferences";
        QTest::newRow("a plain O does nothing") << int(Qt::Key_O) << none << "nothing";
    }

    void mainWindowShortcuts()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, effect);
        Window w(3);
        SkinListView* list = w.f.ui()->fileList();
        list->setFocus();
        const QString late = w.f.makePhoto(QStringLiteral("late.jpg"));
        w.f.chosenFiles = {late};
        MainWindowFixture::clickRow(list, 1);
        if (effect == "stopped") {
            w.renderer.allow(0);
            w.f.button("process_toolbar_btn")->click();
            QTRY_COMPARE(w.renderer.started(), 1);
        }
        QTest::keyClick(list, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        w.renderer.allowAll();
        QVERIFY(w.f.window->waitForBatchRun(20000));

        const QStringList& p = w.photos;
        QStringList listed = p;
        QStringList rendered;
        if (effect == "added")
            listed.append(late);
        else if (effect == "removed")
            listed.removeAt(1);
        else if (effect == "run")
            rendered = p;
        else if (effect == "stopped")
            rendered = p.mid(0, 1);
        QCOMPARE(w.f.filePaths(), listed);
        QCOMPARE(w.renderer.photos(), rendered);
        QCOMPARE(w.preferenceWindows, effect == "preferences" ? 1 : 0);
    }

    // Each toolbar button with a shortcut names it in its tooltip, after its own text.
    void shortcutsInTooltips_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("keys");
        QTest::newRow("add") << QStringLiteral("add_toolbar_btn") << QStringLiteral("(Ctrl+O)");
        QTest::newRow("remove") << QStringLiteral("remove_toolbar_btn") << QStringLiteral("(Del)");
        QTest::newRow("process") << QStringLiteral("process_toolbar_btn")
                                 << QStringLiteral("(F5, Ctrl+Enter)");
        QTest::newRow("stop") << QStringLiteral("stop_toolbar_btn") << QStringLiteral("(Esc)");
        QTest::newRow("preferences") << QStringLiteral("preference_toolbar_btn")
                                     << QStringLiteral("(Ctrl+,)");
    }

    void shortcutsInTooltips()
    {
        QFETCH(QString, button);
        QFETCH(QString, keys);
        Window w(0);
        const QString tip = w.f.button(button.toLatin1().constData())->toolTip();
        QVERIFY2(tip.endsWith(QLatin1Char(' ') + keys), qPrintable(tip));
        QVERIFY2(tip.size() > keys.size() + 1, qPrintable(tip)); // the button's own text is kept
    }

    // Enter accepts and Escape closes every dialog of the program, pressed on the dialog or on
    // one of its controls; in the template editor Enter typed into a field finishes the field
    // and leaves the window open.
    void enterAndEscapeInDialogs_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("control"); // object name; empty: the dialog itself
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expect");
        const int enter = Qt::Key_Return;
        const int keypadEnter = Qt::Key_Enter;
        const int escape = Qt::Key_Escape;
        const struct
        {
            const char* dialog;
            const char* control;
        } places[] = {
            {"preferences", ""},
            {"preferences", "QLineEdit"},
            {"resizing", ""},
            {"resizing", "QLineEdit"},
            {"about", ""},
            {"about skin", ""},
            {"quick start", ""},
            {"preview", ""},
            {"new template", "QLineEdit"},
            {"editor", "scale_text"},
        };
        for (const auto& place : places) {
            const QString at = QString::fromLatin1(place.dialog) +
                               (*place.control ? QStringLiteral(", in ") + place.control : QString());
            QTest::newRow(qPrintable("Enter: " + at))
                << place.dialog << place.control << enter << int(Expect::Accepted);
            QTest::newRow(qPrintable("Escape: " + at))
                << place.dialog << place.control << escape << int(Expect::Rejected);
        }
        QTest::newRow("keypad Enter: preferences")
            << QStringLiteral("preferences") << QStringLiteral("") << keypadEnter << int(Expect::Accepted);
        QTest::newRow("Escape: editor, in the text")
            << QStringLiteral("editor") << QStringLiteral("text_edit") << escape << int(Expect::Rejected);
        QTest::newRow("Enter: editor, in the text")
            << QStringLiteral("editor") << QStringLiteral("text_edit") << enter << int(Expect::StaysOpen);
        QTest::newRow("keypad Enter: editor, in the text")
            << QStringLiteral("editor") << QStringLiteral("text_edit") << keypadEnter
            << int(Expect::StaysOpen);
    }

    void enterAndEscapeInDialogs()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, control);
        QFETCH(int, key);
        QFETCH(int, expect);
        Window w(1);
        QWidget* parent = w.f.window.get();
        QString pendingName;
        const std::map<QString, std::function<QDialog*()>> makers = {
            {"preferences", [&]() { return new CPreferenceDlg(parent); }},
            {"resizing", [&]() { return new CImgResizingSettingDlg(parent); }},
            {"about", [&]() { return new CAboutDlg(parent); }},
            {"about skin",
             [&]() {
                 auto* d = new CAboutDlgUI(parent);
                 d->Create();
                 return d;
             }},
            {"quick start",
             [&]() {
                 auto* d = new CQuickStartDlgUI(parent);
                 d->Create();
                 return d;
             }},
            {"preview",
             [&]() {
                 CMainDlgUI* ui = w.f.ui();
                 return new COutputPreviewDlg({[ui]() { return ui->CurrentPhotoPath(); },
                                               [ui]() { return ui->SelectNextPhoto(); },
                                               [ui]() { return ui->SelectPreviousPhoto(); }},
                                              w.f.window->currentSettings(), parent);
             }},
            {"new template",
             [&]() { return new CAddNewTempDlg(QStringLiteral("添加新模板"), pendingName, parent); }},
            {"editor", [&]() { return new CEditTemplateDlg(w.f.window->currentSettings(), parent); }},
        };
        std::unique_ptr<QDialog> window(makers.at(dialog)());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QWidget* target = window.get();
        if (control == "QLineEdit")
            target = window->findChild<QLineEdit*>();
        else if (!control.isEmpty())
            target = window->findChild<QWidget*>(control);
        QVERIFY(target);
        if (dialog == "new template")
            QTest::keyClicks(target, QStringLiteral("Night"));
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));
        QCoreApplication::processEvents(); // the dialog closes just after the key
        switch (Expect(expect)) {
        case Expect::StaysOpen:
            QVERIFY(window->isVisible());
            break;
        case Expect::Accepted:
            QVERIFY(!window->isVisible());
            QCOMPARE(window->result(), int(QDialog::Accepted));
            break;
        case Expect::Rejected:
            QVERIFY(!window->isVisible());
            QCOMPARE(window->result(), int(QDialog::Rejected));
            break;
        }
        if (dialog == "new template" && Expect(expect) == Expect::Accepted)
            QCOMPARE(pendingName, QStringLiteral("Night"));
    }
};

QTEST_MAIN(KeyboardTest)
#include "tst_Keyboard.moc"
