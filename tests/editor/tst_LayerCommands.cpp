#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTest>

#include "model/WatermarkTemplate.h"
#include "support/EditorTestSupport.h"
#include "support/ModalCatcher.h"
#include "ui/controls/CBmpButton.h"
#include "ui/editor/CAddNewLayerDlg.h"
#include "ui/editor/CAddNewTempDlg.h"
#include "ui/editor/CEditTempImgDlg.h"
#include "ui/editor/CEditTemplateDlg.h"
#include "ui/editor/CTextEditTempDlg.h"
#include "ui/editor/LayerMenu.h"
#include "ui/editor/TemplateLayerList.h"

using namespace EditorTest;

namespace {

const QString kFirst = QStringLiteral("Demo 1_Layer 1");
const QString kTemplate = QStringLiteral("Demo 1");

// Answers the naming dialogs of one command: types the names in turn and presses OK, then
// closes the dialog without a result; message boxes are recorded and answered.
class NamingScript
{
public:
    explicit NamingScript(QStringList names, QMessageBox::StandardButton answer = QMessageBox::Yes)
        : m_names(std::move(names)), catcher([this, answer](QWidget* w) { handle(w, answer); })
    {
    }

    QStringList titles;

private:
    void handle(QWidget* w, QMessageBox::StandardButton answer)
    {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            box->done(answer);
            return;
        }
        auto* dialog = qobject_cast<NamingDialogBase*>(w);
        if (!dialog)
            return;
        titles << dialog->windowTitle();
        if (m_names.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->nameEdit()->clear();
        dialog->nameEdit()->insert(m_names.takeFirst());
        // Pressed after the handler returns: a refusal opens a message box, which the
        // catcher's timer must be free to answer.
        QTimer::singleShot(0, dialog, [dialog] { QTest::mouseClick(dialog->okButton(), Qt::LeftButton); });
    }

    QStringList m_names;

public:
    ModalCatcher catcher;
};

struct Editor
{
    EditorDataFolder data;
    CEditTemplateDlg editor{EditorDataFolder::settings()};
    CTextEditTempDlg* text;
    CEditTempImgDlg* image;

    Editor() : text(editor.textPage()), image(editor.imagePage()) { editor.show(); }

    QComboBox* textList() { return text->findChild<QComboBox*>(QStringLiteral("layer_list")); }
    QComboBox* imageList() { return image->findChild<QComboBox*>(QStringLiteral("layer_list")); }
    QStringList entries(QComboBox* list)
    {
        QStringList names;
        for (int i = 0; i < list->count(); ++i)
            names << list->itemText(i);
        return names;
    }
};

} // namespace

class LayerCommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void refusals_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("messages");

        QTest::newRow("add: file of a template exists")
            << int(LayerMenu::AddLayer) << QStringList{kTemplate}
            << QStringList{QStringLiteral("具有相同名称的文件已经存在，请输入其他名称")};
        QTest::newRow("add: same name in other case")
            << int(LayerMenu::AddLayer) << QStringList{QStringLiteral("DEMO 1_layer 1")}
            << QStringList{QStringLiteral("图层名称存在，请输入一个不同的名称！")};
        QTest::newRow("rename to own name")
            << int(LayerMenu::RenameLayer) << QStringList{kFirst}
            << QStringList{QStringLiteral("图层名称存在，请输入一个不同的名称！")};
        QTest::newRow("delete the only layer")
            << int(LayerMenu::DeleteLayer) << QStringList{}
            << QStringList{
                   QStringLiteral("该层不能被删除，因为它是唯一的层，请修改或添加一个新层后，将其删除。")};
        const QString invalid = QStringLiteral("请输入有效的图层名称。");
        QTest::newRow("add: empty, slash, dot, dot dot")
            << int(LayerMenu::AddLayer)
            << QStringList{QString(), QStringLiteral("../escape"), QStringLiteral("."), QStringLiteral("..")}
            << QStringList{invalid, invalid, invalid, invalid};
        QTest::newRow("rename: slash")
            << int(LayerMenu::RenameLayer) << QStringList{QStringLiteral("a/b")} << QStringList{invalid};
    }

    void refusals()
    {
        QFETCH(int, command);
        QFETCH(QStringList, names);
        QFETCH(QStringList, messages);
        Editor e;
        const QByteArray templateBefore = readFile(templateFilePath(kTemplate));
        const QStringList filesBefore = QDir(getTemplatesFolder()).entryList(QDir::Files, QDir::Name);
        NamingScript script(names);
        e.text->onLayerCommand(command);
        QCOMPARE(script.catcher.texts, messages);
        for (const QString& title : script.catcher.titles)
            QCOMPARE(title, QStringLiteral("Lumora Plenum"));
        QCOMPARE(readFile(templateFilePath(kTemplate)), templateBefore);
        QCOMPARE(QDir(getTemplatesFolder()).entryList(QDir::Files, QDir::Name), filesBefore);
        QCOMPARE(e.entries(e.textList()), QStringList{kFirst});
        QVERIFY(!QFileInfo::exists(QDir(getTemplatesFolder()).filePath(QStringLiteral("../escape.xml"))));
    }

    void newLayerDefaults()
    {
        Editor e;
        ScriptedChooser chooser;
        chooser.font.setFaceName(QStringLiteral("DejaVu Serif"));
        chooser.font.lfWeight = 700;
        QTest::mouseClick(e.text->findChild<QWidget*>(QStringLiteral("font_button")), Qt::LeftButton);
        QCOMPARE(storedConf(kFirst).Font.faceName(), QStringLiteral("DejaVu Serif"));
        auto* fields = e.text->findChild<QCheckBox*>(QStringLiteral("fields_box"));
        fields->click();
        QCOMPARE(storedConf(kFirst).BTextTokens, 1);

        NamingScript script({QStringLiteral("Second")});
        e.text->onLayerCommand(LayerMenu::AddLayer);
        QCOMPARE(script.titles, QStringList{QStringLiteral("添加新图层")});
        QCOMPARE(TemplateLayerList::read(kTemplate), (QStringList{kFirst, QStringLiteral("Second")}));
        QCOMPARE(e.entries(e.textList()), (QStringList{kFirst, QStringLiteral("Second")}));
        QCOMPARE(e.textList()->currentIndex(), 1);
        QCOMPARE(e.imageList()->currentIndex(), 1);

        const WatermarkConf stored = storedConf(QStringLiteral("Second"));
        QCOMPARE(stored.textContent, QStringLiteral("Lumora  - 新建图层"));
        QCOMPARE(stored.Location, 4);
        QCOMPARE(stored.Rotation, 0);
        QCOMPARE(stored.TextColor, 717040u);
        QCOMPARE(stored.BFillText, 1);
        QCOMPARE(stored.FontPointSize, 20);
        QCOMPARE(stored.ImageTransparency, 100);
        QCOMPARE(stored.Font, defaultFontRecord());
        QCOMPARE(e.editor.editConf().Font.faceName(), QStringLiteral("Tahoma"));
        QCOMPARE(e.text->findChild<QLineEdit*>(QStringLiteral("text_edit"))->text(),
                 QStringLiteral("Lumora  - 新建图层"));
        QCOMPARE(e.text->findChild<QLineEdit*>(QStringLiteral("font_edit"))->text(),
                 QStringLiteral("Tahoma"));
        // A new layer's text is drawn as written, whatever the layer before it held.
        QCOMPARE(stored.BTextTokens, 0);
        QVERIFY(!readFile(layerPath(QStringLiteral("Second"))).contains("BTextTokens"));
        QVERIFY(!fields->isChecked());
        // The previous layer kept its own font.
        QCOMPARE(storedConf(kFirst).Font.faceName(), QStringLiteral("DejaVu Serif"));
    }

    void deleteShowsFirstLayer_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::newRow("yes") << QMessageBox::Yes;
        QTest::newRow("no") << QMessageBox::No;
    }

    void deleteShowsFirstLayer()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        Editor e;
        {
            NamingScript script({QStringLiteral("Second"), QStringLiteral("Third")});
            e.text->onLayerCommand(LayerMenu::AddLayer);
            e.text->onLayerCommand(LayerMenu::AddLayer);
        }
        e.text->SelectLayer(1);
        QCOMPARE(e.imageList()->currentIndex(), 1);
        NamingScript script({}, answer);
        e.text->onLayerCommand(LayerMenu::DeleteLayer);
        QCOMPARE(script.catcher.texts, QStringList{QStringLiteral("您确定要删除这一层?")});
        QCOMPARE(script.catcher.icons, QList<QMessageBox::Icon>{QMessageBox::Question});
        if (answer == QMessageBox::No) {
            QCOMPARE(TemplateLayerList::read(kTemplate).size(), 3);
            QVERIFY(QFile::exists(layerPath(QStringLiteral("Second"))));
            return;
        }
        QVERIFY(!QFile::exists(layerPath(QStringLiteral("Second"))));
        const QStringList remaining{kFirst, QStringLiteral("Third")};
        QCOMPARE(TemplateLayerList::read(kTemplate), remaining);
        QCOMPARE(e.entries(e.textList()), remaining);
        QCOMPARE(e.entries(e.imageList()), remaining);
        QCOMPARE(e.textList()->currentIndex(), 0);
        QCOMPARE(e.imageList()->currentIndex(), 0);
        QCOMPARE(e.text->findChild<QLineEdit*>(QStringLiteral("text_edit"))->text(),
                 QStringLiteral("Lumora Plenum"));
    }

    // Every change is a step: undoing them one by one with Ctrl+Z gives back the files of
    // each moment before, byte for byte (a removed layer's file included), and redoing with
    // Ctrl+Shift+Z and Ctrl+Y the files after. A field's typing is one step, ended by Enter.
    void undoAndRedoRestoreTheFilesByteForByte()
    {
        Editor e;
        QVERIFY(QTest::qWaitForWindowActive(&e.editor));
        const QStringList files{templateFilePath(kTemplate), layerPath(kFirst),
                                layerPath(QStringLiteral("Second")), layerPath(QStringLiteral("Renamed"))};
        auto state = [&files] {
            QList<QByteArray> bytes;
            for (const QString& file : files)
                bytes << (QFile::exists(file) ? readFile(file) : QByteArray("(none)"));
            return bytes;
        };
        QList<QList<QByteArray>> states{state()};
        auto* offset = e.text->findChild<SpinEdit*>(QStringLiteral("offset_h"));
        typeInto(offset, QStringLiteral("-25"));
        QTest::keyClick(offset->edit(), Qt::Key_Return);
        states << state();
        QCOMPARE(storedConf(kFirst).OffsetH, -25);
        {
            NamingScript script({QStringLiteral("Second")});
            e.text->onLayerCommand(LayerMenu::AddLayer);
        }
        states << state();
        e.text->findChild<QCheckBox*>(QStringLiteral("shadow_box"))->click();
        states << state();
        {
            NamingScript script({QStringLiteral("Renamed")});
            e.text->onLayerCommand(LayerMenu::RenameLayer);
        }
        states << state();
        {
            NamingScript script({}, QMessageBox::Yes);
            e.text->onLayerCommand(LayerMenu::DeleteLayer);
        }
        states << state();
        auto* text = e.text->findChild<QLineEdit*>(QStringLiteral("text_edit"));
        typeInto(text, QStringLiteral("© Studio"));
        QTest::keyClick(text, Qt::Key_Return);
        states << state();
        for (int i = 1; i < states.size(); ++i)
            QVERIFY2(states[i] != states[i - 1], qPrintable(QString::number(i)));

        // Undo with the focus in the text field: the editor's step, not the field's own undo.
        e.editor.activateWindow();
        text->setFocus();
        QTRY_VERIFY(text->hasFocus());
        for (int i = states.size() - 2; i >= 0; --i) {
            QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
            QVERIFY2(state() == states[i], qPrintable(QStringLiteral("after undo to %1").arg(i)));
        }
        QCOMPARE(e.entries(e.textList()), QStringList{kFirst});
        QCOMPARE(offset->text(), QStringLiteral("0"));
        QCOMPARE(text->text(), QStringLiteral("Lumora Plenum"));
        for (int i = 1; i < states.size(); ++i) {
            QTest::keyClick(text, i % 2 ? Qt::Key_Z : Qt::Key_Y,
                            i % 2 ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
            QVERIFY2(state() == states[i], qPrintable(QStringLiteral("after redo to %1").arg(i)));
        }
        QCOMPARE(text->text(), QStringLiteral("© Studio"));
    }

    void rename()
    {
        Editor e;
        const QByteArray content = readFile(layerPath(kFirst));
        NamingScript script({QStringLiteral("Renamed")});
        e.text->onLayerCommand(LayerMenu::RenameLayer);
        QCOMPARE(script.titles, QStringList{QStringLiteral("重命名图层")});
        QVERIFY(!QFile::exists(layerPath(kFirst)));
        QCOMPARE(readFile(layerPath(QStringLiteral("Renamed"))), content);
        QCOMPARE(TemplateLayerList::read(kTemplate), QStringList{QStringLiteral("Renamed")});
        QCOMPARE(e.entries(e.textList()), QStringList{QStringLiteral("Renamed")});
        QCOMPARE(e.entries(e.imageList()), QStringList{QStringLiteral("Renamed")});
    }

    void renameOntoExistingFileFails()
    {
        Editor e;
        QVERIFY(AddTemplate(QStringLiteral("Other")));
        const QByteArray other = readFile(templateFilePath(QStringLiteral("Other")));
        NamingScript script({QStringLiteral("Other")});
        e.text->onLayerCommand(LayerMenu::RenameLayer);
        QCOMPARE(script.catcher.texts.size(), 1);
        QCOMPARE(script.catcher.icons, QList<QMessageBox::Icon>{QMessageBox::Critical});
        QCOMPARE(readFile(templateFilePath(QStringLiteral("Other"))), other);
        QVERIFY(QFile::exists(layerPath(kFirst)));
        QCOMPARE(TemplateLayerList::read(kTemplate), QStringList{kFirst});
    }

    void layerButtonOpensMenuOnBothPages_data()
    {
        QTest::addColumn<int>("page");
        QTest::newRow("text page") << 0;
        QTest::newRow("picture page") << 1;
    }

    void layerButtonOpensMenuOnBothPages()
    {
        QFETCH(int, page);
        Editor e;
        e.editor.tabControl()->setCurrentIndex(page);
        QWidget* host = page == 0 ? static_cast<QWidget*>(e.text) : e.image;
        QWidget* button = host->findChild<QWidget*>(QStringLiteral("layer_button"));
        QCOMPARE(button->size(), QSize(32, 24));
        QStringList menuEntries;
        QPoint menuPos;
        int step = 0;
        ModalCatcher catcher([&](QWidget* w) {
            if (auto* menu = qobject_cast<QMenu*>(w)) {
                for (QAction* a : menu->actions())
                    menuEntries << (a->isSeparator() ? QStringLiteral("-") : a->text());
                menuPos = menu->pos();
                QAction* remove = menu->actions().last();
                QTimer::singleShot(0, menu, [menu, remove] {
                    menu->setActiveAction(remove);
                    QTest::keyClick(menu, Qt::Key_Return);
                });
            } else if (auto* box = qobject_cast<QMessageBox*>(w)) {
                ++step;
                box->done(QMessageBox::Ok);
            }
        });
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(10, 10));
        QTRY_COMPARE(step, 1);
        QCOMPARE(menuPos, button->mapToGlobal(QPoint(0, button->height())));
        QCOMPARE(menuEntries, (QStringList{QStringLiteral("添加新图层"), QStringLiteral("-"),
                                           QStringLiteral("重命名该图层"), QStringLiteral("-"),
                                           QStringLiteral("删除该图层")}));
        // The delete command reached the text page, which refused to delete the only layer.
        QCOMPARE(catcher.texts.first(),
                 QStringLiteral("该层不能被删除，因为它是唯一的层，请修改或添加一个新层后，将其删除。"));
    }

    void selectingOnPicturePageLoadsLayer()
    {
        Editor e;
        {
            NamingScript script({QStringLiteral("Second")});
            e.text->onLayerCommand(LayerMenu::AddLayer);
        }
        chooseEntry(e.imageList(), 0);
        QCOMPARE(e.textList()->currentIndex(), 0);
        QCOMPARE(e.editor.editConf().textContent, QStringLiteral("Lumora Plenum"));
        QCOMPARE(e.text->findChild<QLineEdit*>(QStringLiteral("text_edit"))->text(),
                 QStringLiteral("Lumora Plenum"));
    }

    void templateNamingDialog_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("name") << "My template" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("slash") << "a/b" << false;
    }

    void templateNamingDialog()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        QString pending = QStringLiteral("old");
        CAddNewTempDlg dialog(QStringLiteral("添加新模板"), pending);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("添加新模板"));
        dialog.show();
        ModalCatcher catcher;
        dialog.nameEdit()->insert(typed);
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(pending, typed);
        QCOMPARE(dialog.result(), accepted ? int(QDialog::Accepted) : 0);
        QCOMPARE(catcher.texts,
                 accepted ? QStringList() : QStringList{QStringLiteral("请输入有效的模板名称。")});
        if (!accepted)
            QCOMPARE(catcher.icons.first(), QMessageBox::Warning);
    }

    void namingDialogLook()
    {
        QStringList existing{QStringLiteral("Layer")};
        CAddNewLayerDlg dialog(QStringLiteral("添加新图层"), existing);
        dialog.show();
        QCOMPARE(dialog.okButton()->text(), QStringLiteral("确定"));
        QCOMPARE(dialog.okButton()->size(), QSize(64, 20));
        QCOMPARE(dialog.okButton()->font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(dialog.okButton()->font().pixelSize(), 16);
        const QImage shot = dialog.grab().toImage();
        shot.save(QStringLiteral(LUMORA_BUILD_DIR "/screenshots/editor_naming_dialog.png"));
        QCOMPARE(shot.pixelColor(3, 3), QColor(75, 75, 75));
        int white = 0;
        for (int x = 16; x < 200; ++x)
            for (int y = 10; y < 34; ++y)
                white += shot.pixelColor(x, y).lightness() > 200 ? 1 : 0;
        QVERIFY(white > 20); // the prompt is drawn in white (anti-aliased)
        // Leading and trailing blanks are part of the name.
        dialog.nameEdit()->insert(QStringLiteral(" Layer "));
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.name(), QStringLiteral(" Layer "));
    }

    // The template's files vanish while the editor is open and a text is typed: Esc asks
    // whether to write the change as a new copy of the template (Yes) or drop it (No). With
    // no change since the files vanished, nothing is asked.
    void vanishedFilesOfferACopyAtClose_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("copy");
        QTest::newRow("copy written") << "Studio 2026" << int(QMessageBox::Yes) << "Demo 1 (2)";
        QTest::newRow("discarded") << "Studio 2026" << int(QMessageBox::No) << "";
        QTest::newRow("no change, no question") << "" << int(QMessageBox::Yes) << "";
    }

    void vanishedFilesOfferACopyAtClose()
    {
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(QString, copy);
        Editor e;
        QVERIFY(QFile::remove(layerPath(kFirst)));
        QVERIFY(QFile::remove(templateFilePath(kTemplate)));
        if (!typed.isEmpty())
            typeInto(e.text->findChild<QLineEdit*>(QStringLiteral("text_edit")), typed);
        NamingScript script({}, QMessageBox::StandardButton(answer));
        QTest::keyClick(&e.editor, Qt::Key_Escape);
        QTRY_VERIFY(!e.editor.isVisible());
        QCOMPARE(e.editor.savedCopy(), copy);
        QStringList names;
        QVERIFY(loadTemplateNames(names));
        if (typed.isEmpty()) {
            QVERIFY(script.catcher.texts.isEmpty());
            QCOMPARE(names, QStringList{kTemplate});
            return;
        }
        QVERIFY(!script.catcher.texts.isEmpty());
        QVERIFY2(script.catcher.texts[0].contains(kTemplate), qPrintable(script.catcher.texts[0]));
        // The vanished files are not written back under their old names.
        QVERIFY(!QFile::exists(layerPath(kFirst)));
        if (copy.isEmpty()) {
            QCOMPARE(names, QStringList{kTemplate});
            return;
        }
        QCOMPARE(names, (QStringList{kTemplate, copy}));
        WatermarkTemplate written;
        QVERIFY(loadWatermarkTemplate(copy, written));
        QCOMPARE(written.layers, QStringList{copy + QStringLiteral("_Layer 1")});
        QCOMPARE(storedConf(written.layers[0]).textContent, typed);
    }

    void escapeClosesWithoutResult()
    {
        QString pending;
        CAddNewTempDlg dialog(QStringLiteral("重命名模板"), pending);
        dialog.show();
        dialog.nameEdit()->insert(QStringLiteral("abc"));
        QTest::keyClick(dialog.nameEdit(), Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(pending.isEmpty());
    }
};

QTEST_MAIN(LayerCommandsTest)
#include "tst_LayerCommands.moc"
