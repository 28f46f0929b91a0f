#include "ClippedTexts.h"
#include "support/MainWindowFixture.h"

#include "app/CAboutDlg.h"
#include "app/LanguageChoice.h"
#include "model/DataFiles.h"
#include "services/imaging/text/ApplicationFonts.h"
#include "services/ini/IniFile.h"
#include "services/language/InterfaceLanguage.h"
#include "support/TestFiles.h"
#include "ui/controls/CCoolButtonBar.h"
#include "ui/editor/CAddNewLayerDlg.h"
#include "ui/editor/CAddNewTempDlg.h"
#include "ui/editor/CEditTemplateDlg.h"
#include "ui/preview/COutputPreviewDlg.h"
#include "ui/settings/CImgResizingSettingDlg.h"
#include "ui/settings/CPreferenceDlg.h"
#include "ui/skin/CAboutDlgUI.h"
#include "ui/skin/CQuickStartDlgUI.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTextDocumentFragment>
#include <QXmlStreamReader>

#include <map>
#include <optional>
#include <set>

// The interface in Chinese and in English: the locale (or the stored choice) picks the
// language, every window, menu, message and failure reason then speaks it, Qt's own dialogs
// and buttons included; the translation catalogues cover every text of the sources.
namespace {

const char* const kLocaleVariables[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};

bool hasChinese(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) ||
            (u >= 0xFF00 && u <= 0xFFEF))
            return true;
    }
    return false;
}

// English words in a text of the Chinese interface. Allowed: paths, names (of the program,
// the demonstration template and its layer, sites), formats, "Alpha", and the words that let
// a person who reads no Chinese find the language menu.
bool hasEnglishWords(QString text)
{
    static const QRegularExpression allowed(
        QStringLiteral("\\S*(/"
                       "|@|\\.org)\\S*|\\S+\\.(jpe?g|png|bmp|tiff?|gif|webp|heic)\\b|Lumora|Plenum|Demo|"
                       "Layer|Alpha|JPG|PNG|BMP|TIFF|WEBP|Twitter|Facebook|developers|"
                       "\\(Language\\)|\\(English\\)|"
                       // Paths and photo names are the person's. Text fields ({name}, {exif:Exif.Image.Make})
                       // are written the same in every language, and key names in the shortcuts of tooltips
                       // as the keys are labelled.
                       "\\{[^{}]*\\}|EXIF|XMP|\\bCtrl\\+|\\bDel\\b|\\bEsc\\b"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{3,}"));
    text.remove(allowed);
    return text.contains(word);
}

void addMenuTexts(const QMenu* menu, QStringList& texts)
{
    texts << menu->title();
    for (const QAction* action : menu->actions()) {
        texts << action->text() << action->toolTip();
        if (action->menu())
            addMenuTexts(action->menu(), texts);
    }
}

// Every text a person can see in the window, shown or shown later (hidden controls, tooltips,
// menus, list items), each with the class of the widget that holds it.
QList<QPair<QString, QString>> windowTexts(QWidget* window)
{
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    QList<QPair<QString, QString>> found;
    for (QWidget* w : widgets) {
        QStringList texts{w->toolTip()};
        if (w->isWindow())
            texts << w->windowTitle();
        if (auto* label = qobject_cast<QLabel*>(w))
            texts << QTextDocumentFragment::fromHtml(label->text()).toPlainText();
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            texts << button->text();
        if (auto* box = qobject_cast<QGroupBox*>(w))
            texts << box->title();
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            texts << edit->placeholderText();
        if (auto* combo = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        if (auto* tabs = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i) << tabs->tabToolTip(i);
        if (auto* menu = qobject_cast<QMenu*>(w))
            addMenuTexts(menu, texts);
        if (auto* label = qobject_cast<SkinLabel*>(w))
            texts << label->getText();
        if (auto* naming = qobject_cast<NamingDialogBase*>(w))
            texts << naming->prompt();
        if (auto* bar = qobject_cast<CCoolButtonBar*>(w))
            for (int x = 0; x < bar->width(); x += 4)
                texts << bar->tooltipAt(QPoint(x, bar->height() / 2));
        for (const QString& text : texts)
            if (!text.trimmed().isEmpty())
                found.append({QString::fromLatin1(w->metaObject()->className()), text});
    }
    return found;
}

void saveScreenshot(QWidget* window, const QString& name)
{
    const QString folder = QStringLiteral(LUMORA_BUILD_DIR "/screenshots/languages");
    QDir().mkpath(folder);
    QVERIFY(window->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
}

// One of the program's windows, shown and laid out.
template <typename W> void Show(W& window)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
}

// Opens a window of type W over `owner` (a skin window is made first) and hands it to
// `record` with the screenshot's and the window's name.
template <typename W, typename Record>
void recordWindow(QWidget* owner, const Record& record, const QString& shot, const QString& name)
{
    W window(owner);
    if constexpr (requires { window.Create(); })
        QVERIFY(window.Create());
    record(window, shot, name);
}

struct TsMessage
{
    bool finished = false;
    QStringList forms;
};

// context + '\x1f' + source -> translation of a Qt Linguist file.
std::map<QString, TsMessage> readCatalogue(const QString& path)
{
    std::map<QString, TsMessage> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return messages;
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    TsMessage message;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            if (xml.isEndElement() && xml.name() == QLatin1String("message"))
                messages[context + QChar(0x1f) + source] = message;
            continue;
        }
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            source.clear();
            message = TsMessage();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value(QLatin1String("type")).toString();
            message.finished = type.isEmpty();
            const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            message.forms = {text};
        } else if (xml.name() == QLatin1String("numerusform")) {
            message.forms.append(xml.readElementText());
        }
    }
    return messages;
}

// The place markers of a text: %1 ... %99 and %n, sorted.
QStringList markers(const QString& text)
{
    static const QRegularExpression marker(QStringLiteral("%(\\d+|n)"));
    QStringList found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found << it.next().captured(0);
    found.sort();
    found.removeDuplicates();
    return found;
}

} // namespace

class LanguagesTest : public QObject
{
    Q_OBJECT

    std::map<QByteArray, std::optional<QByteArray>> m_savedEnvironment;

    void setLocale(const QMap<QByteArray, QByteArray>& values)
    {
        for (const char* variable : kLocaleVariables) {
            if (values.contains(variable))
                qputenv(variable, values.value(variable));
            else
                qunsetenv(variable);
        }
    }

    static QMap<QByteArray, QByteArray> localeVariables(const QString& assignments)
    {
        // "LANG=en_US.UTF-8 LANGUAGE=fr:en"
        QMap<QByteArray, QByteArray> values;
        for (const QString& part : assignments.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const qsizetype eq = part.indexOf(QLatin1Char('='));
            values.insert(part.left(eq).toLatin1(), part.mid(eq + 1).toLatin1());
        }
        return values;
    }

private slots:
    // The program's fonts, as at its start (Tahoma-compatible faces for the windows that ask
    // for Tahoma): the texts are measured as a person sees them.
    void initTestCase() { registerApplicationFonts(); }

    void init()
    {
        for (const char* variable : kLocaleVariables)
            m_savedEnvironment[variable] = qEnvironmentVariableIsSet(variable)
                                               ? std::optional<QByteArray>(qgetenv(variable))
                                               : std::nullopt;
    }

    void cleanup()
    {
        for (const auto& [variable, value] : m_savedEnvironment) {
            if (value)
                qputenv(variable.constData(), *value);
            else
                qunsetenv(variable.constData());
        }
        InterfaceLanguage::uninstall();
    }

    // The stored choice wins; without one the first locale variable set decides, in
    // gettext's order.
    void choiceAndLocalePickTheLanguage_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("stored"); // the config.ini value, "-" for none
        QTest::addColumn<bool>("english");

        QTest::newRow("LANG English") << QStringLiteral("LANG=en_US.UTF-8") << QStringLiteral("-") << true;
        QTest::newRow("LANG Chinese") << QStringLiteral("LANG=zh_CN.UTF-8") << QStringLiteral("-") << false;
        QTest::newRow("LANG C") << QStringLiteral("LANG=C.UTF-8") << QStringLiteral("-") << false;
        QTest::newRow("LANG POSIX") << QStringLiteral("LANG=POSIX") << QStringLiteral("-") << false;
        QTest::newRow("LANG German") << QStringLiteral("LANG=de_DE.UTF-8") << QStringLiteral("-") << false;
        QTest::newRow("LANG bare en") << QStringLiteral("LANG=en") << QStringLiteral("-") << true;
        QTest::newRow("nothing set") << QStringLiteral("") << QStringLiteral("-") << false;
        QTest::newRow("LC_MESSAGES before LANG")
            << QStringLiteral("LC_MESSAGES=en_GB.UTF-8 LANG=zh_CN.UTF-8") << QStringLiteral("-") << true;
        QTest::newRow("LC_ALL before LC_MESSAGES")
            << QStringLiteral("LC_ALL=zh_CN.UTF-8 LC_MESSAGES=en_GB.UTF-8 LANG=en_US.UTF-8")
            << QStringLiteral("-") << false;
        QTest::newRow("LANGUAGE before LC_ALL")
            << QStringLiteral("LANGUAGE=en_US LC_ALL=zh_CN.UTF-8") << QStringLiteral("-") << true;
        QTest::newRow("empty LANGUAGE is unset")
            << QStringLiteral("LANGUAGE= LANG=en_US.UTF-8") << QStringLiteral("-") << true;
        QTest::newRow("LANGUAGE list, first known wins")
            << QStringLiteral("LANGUAGE=fr:en_GB:zh_CN LANG=zh_CN.UTF-8") << QStringLiteral("-") << true;
        QTest::newRow("LANGUAGE list, Chinese first")
            << QStringLiteral("LANGUAGE=zh_TW:en LANG=en_US.UTF-8") << QStringLiteral("-") << false;
        QTest::newRow("modifier") << QStringLiteral("LANG=en_US@euro") << QStringLiteral("-") << true;
        QTest::newRow("stored English beats Chinese locale")
            << QStringLiteral("LANG=zh_CN.UTF-8") << QStringLiteral("en") << true;
        QTest::newRow("stored Chinese beats English locale")
            << QStringLiteral("LANG=en_US.UTF-8") << QStringLiteral("zh_CN") << false;
        QTest::newRow("stored system follows locale")
            << QStringLiteral("LANG=en_US.UTF-8") << QStringLiteral("system") << true;
        QTest::newRow("unknown stored value follows locale")
            << QStringLiteral("LANG=en_US.UTF-8") << QStringLiteral("klingon") << true;
    }

    void choiceAndLocalePickTheLanguage()
    {
        QFETCH(QString, locale);
        QFETCH(QString, stored);
        QFETCH(bool, english);
        MainWindowFixture f;
        setLocale(localeVariables(locale));
        if (stored != QLatin1String("-"))
            QVERIFY(IniFile::writeString(configIniPath(), profileSectionName(), QStringLiteral("language"),
                                         stored));
        QCOMPARE(LanguageChoice::resolvedLanguage(),
                 english ? InterfaceLanguage::English : InterfaceLanguage::Chinese);
        QCOMPARE(LanguageChoice::apply(), english ? InterfaceLanguage::English : InterfaceLanguage::Chinese);
        QCOMPARE(QCoreApplication::translate("maindlg_root", "添加照片"),
                 english ? QStringLiteral("Add Photos") : QStringLiteral("添加照片"));
    }

    // Every window, menu and message of the program in one language, with Qt's dialogs and
    // buttons and the engine's failure reasons in the same language; screenshots of the main
    // window, the editor and the settings windows in build/screenshots/languages/.
    void windowsSpeakTheLocalesLanguage_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("english");
        QTest::newRow("en_US") << "LANG=en_US.UTF-8" << true;
        QTest::newRow("zh_CN") << "LANG=zh_CN.UTF-8" << false;
        QTest::newRow("C") << "LANG=C.UTF-8" << false;
    }

    void windowsSpeakTheLocalesLanguage()
    {
        QFETCH(QString, locale);
        QFETCH(bool, english);
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        MainWindowFixture f;
        setLocale(localeVariables(locale));
        QCOMPARE(LanguageChoice::apply(), english ? InterfaceLanguage::English : InterfaceLanguage::Chinese);

        QList<QPair<QString, QString>> texts; // (window, text)
        QStringList clipped;
        const auto collect = [&](QWidget* window, const QString& name) {
            for (const auto& [holder, text] : windowTexts(window))
                texts.append({name + QLatin1Char('/') + holder, text});
            for (const QString& cut : clippedTexts(window))
                clipped << name + QStringLiteral(": ") + cut;
        };
        // Shows a window, saves its screenshot as "<tag>_<shot>" and gathers its texts.
        const auto record = [&](QWidget& window, const QString& shot, const QString& name) {
            Show(window);
            saveScreenshot(&window, tag + QLatin1Char('_') + shot);
            collect(&window, name);
        };

        // The main window with a photo that stamps and one that cannot be read, after a run.
        CLumoraDlg* main = f.open();
        main->resize(803, 580);
        const QString good = f.makePhoto(QStringLiteral("good.png"));
        const QString empty = f.photoFolder + QStringLiteral("/empty.jpg");
        QVERIFY(QFile(empty).open(QIODevice::WriteOnly));
        f.addPhotos({good, empty});
        f.button("process_toolbar_btn")->click();
        QVERIFY(main->waitForBatchRun(20000));
        QCoreApplication::processEvents();
        saveScreenshot(main, tag + QStringLiteral("_main_window"));
        main->helpMenu()->popup(main->mapToGlobal(QPoint(600, 40)));
        QVERIFY(QTest::qWaitForWindowExposed(main->helpMenu()));
        saveScreenshot(main->helpMenu(), tag + QStringLiteral("_help_menu"));
        main->helpMenu()->hide();
        collect(main, QStringLiteral("main window"));

        // The failed row's tooltip and the end message give the reason in the language.
        QCOMPARE(f.ui()->fileModel()->rowCount(), 2);
        const QString rowTip = f.ui()->fileFailureReason(1);
        QCOMPARE(rowTip, english ? QStringLiteral("the file is empty") : QStringLiteral("文件是空的"));
        QCOMPARE(f.messages.size(), 1);
        QVERIFY2(f.messages[0].contains(empty + QStringLiteral(": ") + rowTip), qPrintable(f.messages[0]));

        // Message boxes and naming prompts the main window opens.
        f.typedNames = {QString()};
        main->newTemplate();
        QCOMPARE(f.messages.size(), 2);
        for (const QString& message : f.messages)
            texts.append({QStringLiteral("message box"), message});
        for (const QString& caption : f.captions)
            texts.append({QStringLiteral("naming prompt"), caption});

        {
            CEditTemplateDlg editor(main->currentSettings(), main);
            record(editor, QStringLiteral("editor_text"), QStringLiteral("editor"));
            editor.tabControl()->setCurrentIndex(1);
            QCoreApplication::processEvents();
            saveScreenshot(&editor, tag + QStringLiteral("_editor_picture"));
            collect(&editor, QStringLiteral("editor picture page"));
        }
        recordWindow<CPreferenceDlg>(main, record, QStringLiteral("preferences"),
                                     QStringLiteral("preferences"));
        recordWindow<CImgResizingSettingDlg>(main, record, QStringLiteral("resizing"),
                                             QStringLiteral("resizing"));
        {
            // The photo that cannot be read: the preview says why, in the language.
            COutputPreviewDlg preview(
                {[empty]() { return empty; }, []() { return QString(); }, []() { return QString(); }},
                main->currentSettings(), main);
            Show(preview);
            QTRY_VERIFY(!preview.isRendering());
            QCOMPARE(preview.picture().error, rowTip);
            saveScreenshot(&preview, tag + QStringLiteral("_output_preview"));
            collect(&preview, QStringLiteral("output preview"));
        }
        recordWindow<CAboutDlg>(main, record, QStringLiteral("about"), QStringLiteral("about"));
        recordWindow<CAboutDlgUI>(main, record, QStringLiteral("about_skin"), QStringLiteral("skin about"));
        recordWindow<CQuickStartDlgUI>(main, record, QStringLiteral("quick_start"),
                                       QStringLiteral("quick start"));
        {
            QString name;
            CAddNewTempDlg naming(main->tr("添加新模板"), name, main);
            record(naming, QStringLiteral("naming"), QStringLiteral("template naming"));
            CAddNewLayerDlg layerNaming(QString(), {}, main);
            collect(&layerNaming, QStringLiteral("layer naming"));
        }

        // Qt's standard buttons and dialogs.
        QMessageBox box(QMessageBox::Question, QStringLiteral("Lumora Plenum"), QStringLiteral("?"),
                        QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Ok)->text(),
                 english ? QStringLiteral("OK") : QStringLiteral("确定"));
        QCOMPARE(box.button(QMessageBox::Cancel)->text(),
                 english ? QStringLiteral("Cancel") : QStringLiteral("取消"));
        record(box, QStringLiteral("message_box"), QStringLiteral("message box buttons"));
        QFileDialog files(main);
        files.setOption(QFileDialog::DontUseNativeDialog);
        QColorDialog colours;
        colours.setOption(QColorDialog::DontUseNativeDialog);
        QFontDialog fonts;
        fonts.setOption(QFontDialog::DontUseNativeDialog);
        QInputDialog input;
        for (QDialog* dialog : std::initializer_list<QDialog*>{&files, &colours, &fonts, &input}) {
            Show(*dialog);
            saveScreenshot(dialog,
                           tag + QLatin1Char('_') + QString::fromLatin1(dialog->metaObject()->className()));
            QStringList words;
            for (const auto& [holder, text] : windowTexts(dialog))
                if (holder.startsWith(QLatin1String("QLabel")) ||
                    holder.startsWith(QLatin1String("QPushButton")) || holder == QLatin1String("QCheckBox"))
                    words << text;
            const QString name = QString::fromLatin1(dialog->metaObject()->className());
            QVERIFY2(!words.isEmpty(), qPrintable(name));
            for (const QString& word : words) {
                if (english)
                    QVERIFY2(!hasChinese(word), qPrintable(name + QStringLiteral(": ") + word));
                else if (!word.contains(QRegularExpression(QStringLiteral("^[\\d\\s&:]*$"))))
                    QVERIFY2(hasChinese(word), qPrintable(name + QStringLiteral(": ") + word));
            }
        }

        // Nothing of the other language, and no text cut off.
        QStringList wrong;
        for (const auto& [where, text] : texts) {
            if (english ? hasChinese(text) : hasEnglishWords(text))
                wrong << where + QStringLiteral(": ") + text;
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));

        // The texts are those of the language, not merely free of the other one.
        QStringList all;
        for (const auto& entry : texts)
            all << entry.second;
        const QStringList expected =
            english
                ? QStringList{QStringLiteral("Add Photos"),
                              QStringLiteral("Edit Watermark Template"),
                              QStringLiteral("Output folder"),
                              QStringLiteral("Resize the photos"),
                              QStringLiteral("Language"),
                              QStringLiteral("Please enter a valid template name.")}
                : QStringList{QStringLiteral("添加照片"),        QStringLiteral("编辑水印模板"),
                              QStringLiteral("输出文件夹"),      QStringLiteral("调整图片的大小"),
                              QStringLiteral("语言 (Language)"), QStringLiteral("请输入有效的模板名称。")};
        for (const QString& text : expected)
            QVERIFY2(all.contains(text), qPrintable(text));
    }

    // The help menu's language entry keeps the choice in config.ini (which a first start
    // writes without it) and says that it applies at the next start.
    void languageMenuKeepsTheChoice()
    {
        MainWindowFixture f;
        setLocale(localeVariables(QStringLiteral("LANG=zh_CN.UTF-8")));
        LanguageChoice::apply();
        CLumoraDlg* main = f.open();
        main->close();
        const QByteArray firstStart = readFile(configIniPath());
        QVERIFY(!firstStart.isEmpty());
        QVERIFY2(!firstStart.contains("language"), firstStart.constData());
        f.window.reset();

        main = f.open();
        QMenu* languages = nullptr;
        for (QAction* action : main->helpMenu()->actions())
            if (action->menu())
                languages = action->menu();
        QVERIFY(languages);
        QCOMPARE(languages->title(), QStringLiteral("语言 (Language)"));
        const QList<QAction*> items = languages->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[2]->isChecked(), true); // nothing stored: the system's

        items[1]->trigger(); // English
        QCOMPARE(IniFile::readString(configIniPath(), profileSectionName(), QStringLiteral("language")),
                 QStringLiteral("en"));
        QCOMPARE(f.messages, QStringList{QStringLiteral("界面语言将在下次启动 Lumora Plenum 时更改。")});
        QCOMPARE(LanguageChoice::resolvedLanguage(), InterfaceLanguage::English);
        // The rest of the file is as it was.
        QByteArray withChoice = readFile(configIniPath());
        QVERIFY(withChoice.contains(firstStart.trimmed()));

        items[0]->trigger(); // Chinese, the language already shown: nothing to restart for
        QCOMPARE(IniFile::readString(configIniPath(), profileSectionName(), QStringLiteral("language")),
                 QStringLiteral("zh_CN"));
        QCOMPARE(f.messages.size(), 1);

        items[2]->trigger(); // the system's: Chinese here
        QCOMPARE(IniFile::readString(configIniPath(), profileSectionName(), QStringLiteral("language")),
                 QStringLiteral("system"));
        f.window.reset();

        // The next start ticks what is stored.
        QVERIFY(LanguageChoice::store(InterfaceLanguage::ChooseEnglish));
        main = f.open();
        for (QAction* action : main->helpMenu()->actions())
            if (action->menu())
                languages = action->menu();
        QCOMPARE(languages->actions()[1]->isChecked(), true);
    }

    // Every text of the sources and skin layouts has a finished translation that keeps the
    // texts's place markers (%1, %n): lupdate collects them as the update script does.
    void cataloguesCoverEveryText()
    {
        QTemporaryDir work;
        QStringList arguments{QStringLiteral("-silent"), QStringLiteral("-locations"),
                              QStringLiteral("none"),    QStringLiteral("-extensions"),
                              QStringLiteral("cpp,h"),   QStringLiteral(LUMORA_SOURCE_DIR "/src")};
        const QDir skin(QStringLiteral(LUMORA_SOURCE_DIR "/skin/en"));
        for (const QString& layout : skin.entryList({QStringLiteral("*.xml")})) {
            const QString copy = work.filePath(QFileInfo(layout).completeBaseName() + QStringLiteral(".ui"));
            QVERIFY(QFile::copy(skin.filePath(layout), copy));
            arguments << copy;
        }
        const QString everything = work.filePath(QStringLiteral("all.ts"));
        arguments << QStringLiteral("-ts") << everything;
        QProcess lupdate;
        lupdate.start(QStringLiteral(LUMORA_LUPDATE), arguments);
        QVERIFY(lupdate.waitForFinished(120000));
        QCOMPARE(lupdate.exitCode(), 0);

        const std::map<QString, TsMessage> sources = readCatalogue(everything);
        const std::map<QString, TsMessage> english =
            readCatalogue(QStringLiteral(LUMORA_SOURCE_DIR "/translations/lumora_en.ts"));
        const std::map<QString, TsMessage> chinese =
            readCatalogue(QStringLiteral(LUMORA_SOURCE_DIR "/translations/lumora_zh_CN.ts"));
        QVERIFY(sources.size() > 250);
        static const QRegularExpression ascii(QStringLiteral("^[\\x{0}-\\x{7f}]*$"));
        QStringList problems;
        for (const auto& [key, unused] : sources) {
            const QString source = key.section(QChar(0x1f), 1);
            const bool writtenInEnglish = ascii.match(source).hasMatch();
            const auto& catalogue = writtenInEnglish ? chinese : english;
            const auto found = catalogue.find(key);
            const QString where = key.section(QChar(0x1f), 0, 0) + QStringLiteral(": ") + source;
            if (found == catalogue.end() || !found->second.finished) {
                problems << QStringLiteral("not translated: ") + where;
                continue;
            }
            for (const QString& form : found->second.forms) {
                if (form.isEmpty() || markers(form) != markers(source) ||
                    hasChinese(form) != writtenInEnglish)
                    problems << QStringLiteral("translation \"%1\" of ").arg(form) + where;
            }
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(LanguagesTest)
#include "tst_Languages.moc"
