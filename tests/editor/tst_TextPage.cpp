#include <QCheckBox>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include "ui/editor/CEditTempImgDlg.h"

#include "support/EditorTestSupport.h"
#include "ui/editor/CEditTemplateDlg.h"
#include "ui/editor/CTextEditTempDlg.h"
#include "ui/editor/ColourSwatch.h"

using namespace EditorTest;

namespace {

const QString kLayer = QStringLiteral("Demo 1_Layer 1");

// Removes elements from a layer file section, keeping everything else.
void removeElements(const QString& layer, const QString& section, const QStringList& names)
{
    XmlDocument doc;
    QVERIFY(doc.LoadFile(layerPath(layer)));
    QVERIFY(doc.FindElement(QStringLiteral("WatermarkConf")) && doc.EnterElement());
    QVERIFY(doc.FindElement(section) && doc.EnterElement());
    for (const QString& name : names) {
        QVERIFY(doc.FindElement(name));
        doc.RemoveElement();
    }
    QVERIFY(doc.SaveFile(layerPath(layer)));
}

void setElement(const QString& layer, const QString& element, const QString& value)
{
    XmlDocument doc;
    QVERIFY(doc.LoadFile(layerPath(layer)));
    QVERIFY(doc.FindElement(QStringLiteral("WatermarkConf")) && doc.EnterElement());
    QVERIFY(doc.FindElement(QStringLiteral("文本")) && doc.EnterElement());
    QVERIFY(doc.FindElement(element));
    doc.SetElementData(value);
    QVERIFY(doc.SaveFile(layerPath(layer)));
}

} // namespace

class TextPageTest : public QObject
{
    Q_OBJECT

private slots:
    // Whole numbers typed key by key: the field shows what was typed (never rewritten per key)
    // and stores it within the field's limits; finishing the edit (Enter, leaving the field,
    // a spin arrow) writes the bound into a field whose value lies outside its limits.
    void typedValues_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("finish"); // "enter", "leave", "up" or "" (still typing)
        QTest::addColumn<QString>("element");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("shown");

        QTest::newRow("shadow offset above range")
            << QStringLiteral("shadow_h") << QStringLiteral("15") << QStringLiteral("enter")
            << QStringLiteral("ShadowH") << 10 << QStringLiteral("10");
        QTest::newRow("shadow offset in range")
            << QStringLiteral("shadow_v") << QStringLiteral("7") << QStringLiteral("enter")
            << QStringLiteral("ShadowV") << 7 << QStringLiteral("7");
        QTest::newRow("blur above range")
            << QStringLiteral("shadow_blur") << QStringLiteral("12") << QStringLiteral("enter")
            << QStringLiteral("ShadowBR") << 10 << QStringLiteral("10");
        QTest::newRow("blur in range, left")
            << QStringLiteral("shadow_blur") << QStringLiteral("10") << QStringLiteral("leave")
            << QStringLiteral("ShadowBR") << 10 << QStringLiteral("10");
        QTest::newRow("shadow alpha above range")
            << QStringLiteral("shadow_alpha") << QStringLiteral("45") << QStringLiteral("enter")
            << QStringLiteral("ShadowAlpha") << 30 << QStringLiteral("30");
        QTest::newRow("shadow alpha 25 typed")
            << QStringLiteral("shadow_alpha") << QStringLiteral("25") << QStringLiteral("")
            << QStringLiteral("ShadowAlpha") << 25 << QStringLiteral("25");
        QTest::newRow("edge alpha 120 typed")
            << QStringLiteral("edge_alpha") << QStringLiteral("120") << QStringLiteral("")
            << QStringLiteral("EdgeAlpha") << 120 << QStringLiteral("120");
        QTest::newRow("edge alpha 120, Enter")
            << QStringLiteral("edge_alpha") << QStringLiteral("120") << QStringLiteral("enter")
            << QStringLiteral("EdgeAlpha") << 120 << QStringLiteral("120");
        QTest::newRow("edge alpha 50 typed")
            << QStringLiteral("edge_alpha") << QStringLiteral("50") << QStringLiteral("")
            << QStringLiteral("EdgeAlpha") << 100 << QStringLiteral("50");
        QTest::newRow("edge alpha 50, Enter")
            << QStringLiteral("edge_alpha") << QStringLiteral("50") << QStringLiteral("enter")
            << QStringLiteral("EdgeAlpha") << 100 << QStringLiteral("100");
        QTest::newRow("edge alpha 9, left")
            << QStringLiteral("edge_alpha") << QStringLiteral("9") << QStringLiteral("leave")
            << QStringLiteral("EdgeAlpha") << 100 << QStringLiteral("100");
        QTest::newRow("edge alpha 50, up arrow")
            << QStringLiteral("edge_alpha") << QStringLiteral("50") << QStringLiteral("up")
            << QStringLiteral("EdgeAlpha") << 100 << QStringLiteral("100");
        QTest::newRow("edge alpha below range")
            << QStringLiteral("edge_alpha") << QStringLiteral("5") << QStringLiteral("enter")
            << QStringLiteral("EdgeAlpha") << 100 << QStringLiteral("100");
        QTest::newRow("edge alpha above range")
            << QStringLiteral("edge_alpha") << QStringLiteral("300") << QStringLiteral("enter")
            << QStringLiteral("EdgeAlpha") << 255 << QStringLiteral("255");
        QTest::newRow("3D offset above range")
            << QStringLiteral("td_offset") << QStringLiteral("99") << QStringLiteral("enter")
            << QStringLiteral("TDTextOffset") << 50 << QStringLiteral("50");
        QTest::newRow("3D offset 35 typed")
            << QStringLiteral("td_offset") << QStringLiteral("35") << QStringLiteral("leave")
            << QStringLiteral("TDTextOffset") << 35 << QStringLiteral("35");
        QTest::newRow("full turn stored as none")
            << QStringLiteral("rotation") << QStringLiteral("360") << QStringLiteral("enter")
            << QStringLiteral("Rotation") << 0 << QStringLiteral("360");
        QTest::newRow("rotation") << QStringLiteral("rotation") << QStringLiteral("45")
                                  << QStringLiteral("leave") << QStringLiteral("Rotation") << 45
                                  << QStringLiteral("45");
        QTest::newRow("offset not clamped")
            << QStringLiteral("offset_h") << QStringLiteral("40000") << QStringLiteral("enter")
            << QStringLiteral("OffsetH") << 40000 << QStringLiteral("40000");
        QTest::newRow("vertical offset 1234")
            << QStringLiteral("offset_v") << QStringLiteral("1234") << QStringLiteral("leave")
            << QStringLiteral("OffsetV") << 1234 << QStringLiteral("1234");
        // A minus sign typed over a value of 0 or more, in every field that holds negatives.
        QTest::newRow("horizontal offset -30")
            << QStringLiteral("offset_h") << QStringLiteral("-30") << QStringLiteral("enter")
            << QStringLiteral("OffsetH") << -30 << QStringLiteral("-30");
        QTest::newRow("vertical offset -7")
            << QStringLiteral("offset_v") << QStringLiteral("-7") << QStringLiteral("leave")
            << QStringLiteral("OffsetV") << -7 << QStringLiteral("-7");
        QTest::newRow("rotation -45")
            << QStringLiteral("rotation") << QStringLiteral("-45") << QStringLiteral("enter")
            << QStringLiteral("Rotation") << -45 << QStringLiteral("-45");
        QTest::newRow("shadow offset -4")
            << QStringLiteral("shadow_h") << QStringLiteral("-4") << QStringLiteral("enter")
            << QStringLiteral("ShadowH") << -4 << QStringLiteral("-4");
        QTest::newRow("shadow offset below range")
            << QStringLiteral("shadow_v") << QStringLiteral("-15") << QStringLiteral("leave")
            << QStringLiteral("ShadowV") << -10 << QStringLiteral("-10");
        QTest::newRow("empty offset is 0")
            << QStringLiteral("offset_v") << QStringLiteral("") << QStringLiteral("enter")
            << QStringLiteral("OffsetV") << 0 << QStringLiteral("");
    }

    void typedValues()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, finish);
        QFETCH(QString, element);
        QFETCH(int, stored);
        QFETCH(QString, shown);
        EditorDataFolder data;
        CEditTemplateDlg editor(EditorDataFolder::settings());
        editor.show();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        auto* edit = findControl<SpinEdit>(editor.textPage(), field.toLatin1().constData());
        typeInto(edit, typed);
        QCOMPARE(edit->text(), typed); // nothing rewritten while typing
        if (finish == QLatin1String("enter")) {
            QTest::keyClick(edit->edit(), Qt::Key_Return);
            QVERIFY(editor.isVisible()); // Enter in a field does not close the editor
        } else if (finish == QLatin1String("leave")) {
            findControl<QLineEdit>(editor.textPage(), "text_edit")->setFocus();
            QTRY_VERIFY(!edit->edit()->hasFocus());
        } else if (finish == QLatin1String("up")) {
            click(edit->upButton());
        }
        QCOMPARE(edit->text(), shown);
        QCOMPARE(storedElement(kLayer, QStringLiteral("文本"), element), QString::number(stored));
    }

    // The opacity slider of each page says its value as a percent, also for a value shown
    // from the file; a click on its track moves the knob there and stores the value.
    void opacitySliderSaysPercentAndJumps_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("element");
        QTest::newRow("text page, 0 to 255") << 0 << "Transparency";
        QTest::newRow("picture page, 0 to 100") << 1 << "ImageTransparency";
    }

    void opacitySliderSaysPercentAndJumps()
    {
        QFETCH(int, page);
        QFETCH(QString, element);
        EditorDataFolder data;
        CEditTemplateDlg editor(EditorDataFolder::settings());
        editor.tabControl()->setCurrentIndex(page);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QWidget* pageWidget = editor.tabControl()->widget(page);
        auto* slider = findControl<QSlider>(pageWidget, "transparency");
        auto* percent = findControl<QLabel>(pageWidget, "transparency_percent");
        QCOMPARE(percent->text(), QStringLiteral("100%")); // the demonstration layer's value
        // A click at three quarters of the track, away from the knob at the right end.
        click(slider, QPoint(slider->width() * 3 / 4, slider->height() / 2));
        const int value = slider->value();
        const int range = slider->maximum() - slider->minimum();
        QVERIFY2(qAbs(value - slider->minimum() - range * 3 / 4) <= range / 20,
                 qPrintable(QString::number(value)));
        QCOMPARE(storedElement(kLayer, page == 0 ? QStringLiteral("文本") : QStringLiteral("图像"), element),
                 QString::number(value));
        QCOMPARE(percent->text(),
                 QStringLiteral("%1%").arg(qRound((value - slider->minimum()) * 100.0 / range)));
        QVERIFY(percent->text() != QStringLiteral("100%"));
    }

    void spinArrowsStayInRange()
    {
        EditorDataFolder data;
        CEditTemplateDlg editor(EditorDataFolder::settings());
        auto* blur = findControl<SpinEdit>(editor.textPage(), "shadow_blur");
        typeInto(blur, QStringLiteral("9"));
        click(blur->upButton());
        click(blur->upButton());
        QCOMPARE(blur->text(), QStringLiteral("10"));
        auto* offset = findControl<SpinEdit>(editor.textPage(), "offset_h");
        typeInto(offset, QStringLiteral("0"));
        click(offset->downButton());
        QCOMPARE(offset->text(), QStringLiteral("-1"));
        QCOMPARE(storedConf(kLayer).OffsetH, -1);
        QCOMPARE(storedConf(kLayer).ShadowBR, 10);
    }

    void locationResetsOffsets()
    {
        EditorDataFolder data;
        CEditTemplateDlg editor(EditorDataFolder::settings());
        editor.show();
        QWidget* page = editor.textPage();
        auto* location = findControl<QComboBox>(page, "location_list");
        chooseEntry(location, 0);
        typeInto(findControl<SpinEdit>(page, "offset_h"), QStringLiteral("30"));
        typeInto(findControl<SpinEdit>(page, "offset_v"), QStringLiteral("40"));
        QCOMPARE(storedConf(kLayer).OffsetV, 40);
        chooseEntry(location, 4);
        QCOMPARE(location->currentText(), QStringLiteral("中心"));
        QCOMPARE(findControl<SpinEdit>(page, "offset_h")->text(), QStringLiteral("0"));
        QCOMPARE(findControl<SpinEdit>(page, "offset_v")->text(), QStringLiteral("0"));
        const WatermarkConf stored = storedConf(kLayer);
        QCOMPARE(stored.Location, 4);
        QCOMPARE(stored.OffsetH, 0);
        QCOMPARE(stored.OffsetV, 0);
    }

    void threeDForcesFill_data()
    {
        QTest::addColumn<bool>("fillBefore");
        QTest::addColumn<bool>("threeDBefore");
        QTest::newRow("fill clear, switching 3D on") << false << false;
        QTest::newRow("fill clear, switching 3D off") << false << true;
        QTest::newRow("fill set") << true << false;
    }

    void threeDForcesFill()
    {
        QFETCH(bool, fillBefore);
        QFETCH(bool, threeDBefore);
        EditorDataFolder data;
        CEditTemplateDlg editor(EditorDataFolder::settings());
        editor.show();
        QWidget* page = editor.textPage();
        auto* fill = findControl<QCheckBox>(page, "fill_box");
        auto* threeD = findControl<QCheckBox>(page, "td_box");
        if (fill->isChecked() != fillBefore)
            click(fill, QPoint(6, fill->height() / 2));
        if (threeD->isChecked() != threeDBefore)
            click(threeD, QPoint(6, threeD->height() / 2));
        QCOMPARE(fill->isChecked(), fillBefore || threeDBefore);
        click(threeD, QPoint(6, threeD->height() / 2));
        QCOMPARE(threeD->isChecked(), !threeDBefore);
        QVERIFY(fill->isChecked());
        QCOMPARE(fill->text(), QStringLiteral("填充文本"));
        const WatermarkConf stored = storedConf(kLayer);
        QCOMPARE(stored.BFillText, 1);
        QCOMPARE(stored.B3DText, threeDBefore ? 0 : 1);
    }

    void choosers_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("accept");
        QTest::newRow("font cancelled") << "font_button" << false;
        QTest::newRow("font chosen") << "font_button" << true;
        QTest::newRow("fill colour cancelled") << "fill_colour" << false;
        QTest::newRow("fill colour chosen") << "fill_colour" << true;
        QTest::newRow("gradient end cancelled") << "gradient_end" << false;
        QTest::newRow("gradient end chosen") << "gradient_end" << true;
    }

    void choosers()
    {
        QFETCH(QString, control);
        QFETCH(bool, accept);
        EditorDataFolder data;
        ScriptedChooser chooser;
        chooser.accept = accept;
        chooser.colour = 0x123456;
        chooser.font.setFaceName(QStringLiteral("DejaVu Sans"));
        chooser.font.lfHeight = -50;
        chooser.font.lfItalic = 1;
        CEditTemplateDlg editor(EditorDataFolder::settings());
        editor.show();
        const QByteArray before = readFile(layerPath(kLayer));
        auto* w = findControl<QWidget>(editor.textPage(), control.toLatin1().constData());
        click(w);
        QCOMPARE(chooser.calls, 1);
        if (!accept) {
            QCOMPARE(readFile(layerPath(kLayer)), before);
            return;
        }
        const WatermarkConf stored = storedConf(kLayer);
        if (control == "font_button") {
            QCOMPARE(stored.Font, chooser.font);
            QCOMPARE(findControl<QLineEdit>(editor.textPage(), "font_edit")->text(),
                     QStringLiteral("DejaVu Sans"));
        } else if (control == "fill_colour") {
            QCOMPARE(stored.TextColor, 0x123456u);
            QCOMPARE(qobject_cast<ColourSwatch*>(w)->colour(), 0x123456u);
        } else {
            QCOMPARE(stored.GradientEndColor, 0x123456u);
        }
    }

    void missingElementsAndPassThrough()
    {
        EditorDataFolder data;
        removeElements(kLayer, QStringLiteral("文本"), {QStringLiteral("ScaleTextWT")});
        removeElements(kLayer, QStringLiteral("图像"), {QStringLiteral("ScaleImgWT")});
        setElement(kLayer, QStringLiteral("ShadowColor"), QStringLiteral("1193046"));
        setElement(kLayer, QStringLiteral("FontPointSize"), QStringLiteral("33"));
        setElement(kLayer, QStringLiteral("ShadowAlpha"), QStringLiteral("90")); // out of range in the file

        CEditTemplateDlg editor(EditorDataFolder::settings());
        editor.show();
        QVERIFY(findControl<QCheckBox>(editor.textPage(), "scale_text")->isChecked());
        QVERIFY(!findControl<QCheckBox>(editor.imagePage(), "scale_image")->isChecked());
        // Showing the layer corrected the stored value and added the missing elements.
        QCOMPARE(findControl<SpinEdit>(editor.textPage(), "shadow_alpha")->text(), QStringLiteral("30"));
        auto* text = findControl<QLineEdit>(editor.textPage(), "text_edit");
        typeInto(text, QStringLiteral("Hello "));
        // Chinese text arrives from the input method as a committed string.
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("水印"));
        QCoreApplication::sendEvent(text, &commit);
        QCOMPARE(storedElement(kLayer, QStringLiteral("文本"), QStringLiteral("ScaleTextWT")),
                 QStringLiteral("1"));
        QCOMPARE(storedElement(kLayer, QStringLiteral("图像"), QStringLiteral("ScaleImgWT")),
                 QStringLiteral("0"));
        QCOMPARE(storedElement(kLayer, QStringLiteral("文本"), QStringLiteral("ShadowColor")),
                 QStringLiteral("1193046"));
        QCOMPARE(storedElement(kLayer, QStringLiteral("文本"), QStringLiteral("FontPointSize")),
                 QStringLiteral("33"));
        QCOMPARE(storedElement(kLayer, QStringLiteral("文本"), QStringLiteral("ShadowAlpha")),
                 QStringLiteral("30"));
        QCOMPARE(storedConf(kLayer).textContent, QStringLiteral("Hello 水印"));
    }

    void listsAndFlags()
    {
        EditorDataFolder data;
        CEditTemplateDlg editor(EditorDataFolder::settings());
        editor.show();
        QWidget* page = editor.textPage();
        chooseEntry(findControl<QComboBox>(page, "line_thickness"), 6);
        chooseEntry(findControl<QComboBox>(page, "td_position"), 1);
        chooseEntry(findControl<QComboBox>(page, "cover_method"), 1);
        auto* cover = findControl<QCheckBox>(page, "cover_box");
        click(cover, QPoint(6, cover->height() / 2));
        auto* slider = findControl<QSlider>(page, "transparency");
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Home);
        QTest::keyClick(slider, Qt::Key_Right);
        const WatermarkConf stored = storedConf(kLayer);
        QCOMPARE(stored.EdgeLineThickness, 7);
        QCOMPARE(stored.TDTextPos, 1);
        QCOMPARE(stored.coverImgMethod, 1);
        QCOMPARE(stored.BCoverImage, 1);
        QCOMPARE(stored.Transparency, 1);
        QCOMPARE(findControl<QComboBox>(page, "cover_method")->itemText(0), QStringLiteral("描边"));
    }

    // The fields switch is stored as BTextTokens (the element only while it is on), and the
    // field menu puts its field in at the text's cursor and turns the switch on.
    void fieldsSwitchAndMenu_data()
    {
        QTest::addColumn<int>("cursor");
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("expected");
        QTest::newRow("name in the middle") << 5 << 0 << "Shot {name}by me";
        QTest::newRow("counter at the end") << 11 << 17 << "Shot by me{counter:1:3}";
        QTest::newRow("camera at the start") << 0 << 7 << "{camera}Shot by me";
    }

    void fieldsSwitchAndMenu()
    {
        QFETCH(int, cursor);
        QFETCH(int, entry);
        QFETCH(QString, expected);
        EditorDataFolder data;
        CEditTemplateDlg editor(EditorDataFolder::settings());
        editor.show();
        QWidget* page = editor.textPage();
        auto* box = findControl<QCheckBox>(page, "fields_box");
        QVERIFY(!box->isChecked());
        const QByteArray before = readFile(layerPath(kLayer));
        click(box, QPoint(6, box->height() / 2));
        QCOMPARE(storedConf(kLayer).BTextTokens, 1);
        QCOMPARE(storedElement(kLayer, QStringLiteral("文本"), QStringLiteral("BTextTokens")),
                 QStringLiteral("1"));
        click(box, QPoint(6, box->height() / 2));
        QCOMPARE(storedConf(kLayer).BTextTokens, 0);
        QCOMPARE(readFile(layerPath(kLayer)), before);

        auto* text = findControl<QLineEdit>(page, "text_edit");
        typeInto(text, QStringLiteral("Shot by me"));
        text->setCursorPosition(cursor);
        auto* button = findControl<QPushButton>(page, "field_button");
        QVERIFY(button->menu());
        QList<QAction*> actions = button->menu()->actions();
        actions.removeIf([](const QAction* action) { return action->isSeparator(); });
        QCOMPARE(actions.size(), 18);
        actions.at(entry)->trigger();
        QVERIFY(box->isChecked());
        const WatermarkConf stored = storedConf(kLayer);
        QCOMPARE(stored.textContent, expected);
        QCOMPARE(stored.BTextTokens, 1);
        QCOMPARE(text->text(), expected);
    }

    // Enter typed into the text ends there; Escape closes the editor.
    void enterInTheTextStaysAndEscapeCloses()
    {
        EditorDataFolder data;
        CEditTemplateDlg editor(EditorDataFolder::settings());
        editor.show();
        auto* text = findControl<QLineEdit>(editor.textPage(), "text_edit");
        text->setFocus();
        QTest::keyClick(text, Qt::Key_Return);
        QTest::keyClick(text, Qt::Key_Enter);
        QCoreApplication::processEvents();
        QVERIFY(editor.isVisible());
        QCOMPARE(editor.result(), 0);
        QTest::keyClick(text, Qt::Key_Escape);
        QTRY_VERIFY(!editor.isVisible());
        QCOMPARE(editor.result(), int(QDialog::Rejected));
    }

    void closingSavesAndRemovesPreviewCache()
    {
        EditorDataFolder data;
        const QString cache = PreviewCacheFolder();
        QVERIFY(QDir().mkpath(cache + QStringLiteral("/-1/x")));
        {
            CEditTemplateDlg editor(EditorDataFolder::settings());
            editor.show();
            editor.editConf().textContent = QStringLiteral("kept on closing");
            editor.reject();
            QVERIFY(!QFileInfo::exists(cache));
        }
        QCOMPARE(storedConf(kLayer).textContent, QStringLiteral("kept on closing"));
    }
};

QTEST_MAIN(TextPageTest)
#include "tst_TextPage.moc"
