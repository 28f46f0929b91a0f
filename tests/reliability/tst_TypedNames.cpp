// Names typed into the naming dialogs: names that would leave the templates folder, that are
// too long for a file name or that hold control characters are refused with the dialog's
// message, and the dialog stays open; the program's own template prompt refuses them too.
#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "app/TemplateNamePrompt.h"
#include "services/folders/Folders.h"
#include "support/ModalCatcher.h"
#include "support/RefusedNames.h"
#include "ui/controls/CBmpButton.h"
#include "ui/editor/CAddNewLayerDlg.h"
#include "ui/editor/CAddNewTempDlg.h"

class TypedNamesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void refused_data();
    void refused();
    void acceptedUnusualNames_data();
    void acceptedUnusualNames();

private:
    // Types the name into the dialog and presses OK; returns the message boxes shown.
    static QStringList typeAndPressOk(NamingDialogBase& dialog, const QString& name, bool& accepted);

    QTemporaryDir m_root;
};

void TypedNamesTest::initTestCase()
{
    QVERIFY(m_root.isValid());
    setAppDataFolderOverride(m_root.filePath(QStringLiteral("data")));
    initTemplatesFolder();
}

QStringList TypedNamesTest::typeAndPressOk(NamingDialogBase& dialog, const QString& name, bool& accepted)
{
    ModalCatcher catcher;
    dialog.show();
    dialog.nameEdit()->setText(name);
    dialog.okButton()->click();
    QTest::qWait(20);
    accepted = dialog.result() == QDialog::Accepted;
    return catcher.texts;
}

void TypedNamesTest::refused_data()
{
    QTest::addColumn<QString>("name");
    addRefusedNameRows();
    QTest::newRow("escape") << QStringLiteral("x\x1b[2J");
    QTest::newRow("bell") << QStringLiteral("x\a");
}

void TypedNamesTest::refused()
{
    QFETCH(QString, name);
    bool accepted = true;
    CAddNewLayerDlg layer(QStringLiteral("添加新图层"), {QStringLiteral("Demo 1_Layer 1")}, nullptr);
    QCOMPARE(typeAndPressOk(layer, name, accepted), QStringList{QStringLiteral("请输入有效的图层名称。")});
    QVERIFY(!accepted);

    QString pending;
    CAddNewTempDlg tmpl(QStringLiteral("添加新模板"), pending, nullptr);
    QCOMPARE(typeAndPressOk(tmpl, name, accepted), QStringList{QStringLiteral("请输入有效的模板名称。")});
    QVERIFY(!accepted);

    QCOMPARE(TemplateNamePrompt::check(name, {QStringLiteral("Demo 1")}, QString()),
             QStringLiteral("请输入有效的模板名称。"));
    QCOMPARE(TemplateNamePrompt::check(name, {QStringLiteral("Demo 1")}, QStringLiteral("Demo 1")),
             QStringLiteral("请输入有效的模板名称。"));
}

void TypedNamesTest::acceptedUnusualNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("blanks and wide characters") << QStringLiteral(" 水印 模板 ");
    QTest::newRow("dots inside") << QStringLiteral("a..b.c");
    QTest::newRow("leading dot") << QStringLiteral(".hidden");
    QTest::newRow("backslash") << QStringLiteral("a\\b");
    QTest::newRow("long but fitting") << QString(200, QLatin1Char('n'));
}

void TypedNamesTest::acceptedUnusualNames()
{
    QFETCH(QString, name);
    bool accepted = false;
    CAddNewLayerDlg layer(QStringLiteral("添加新图层"), {QStringLiteral("Demo 1_Layer 1")}, nullptr);
    QVERIFY(typeAndPressOk(layer, name, accepted).isEmpty());
    QVERIFY(accepted);
    QCOMPARE(TemplateNamePrompt::check(name, {QStringLiteral("Demo 1")}, QString()), QString());
}

QTEST_MAIN(TypedNamesTest)
#include "tst_TypedNames.moc"
