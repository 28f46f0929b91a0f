#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include "support/EditorTestSupport.h"
#include "ui/controls/CEditWithButton.h"
#include "ui/editor/CEditTempImgDlg.h"
#include "ui/editor/CEditTemplateDlg.h"
#include "ui/editor/CTextEditTempDlg.h"
#include "ui/editor/DialogChooserService.h"

using namespace EditorTest;

namespace {

const QString kLayer = QStringLiteral("Demo 1_Layer 1");

QString writePicture(const QString& folder, int w, int h)
{
    QImage picture(w, h, QImage::Format_ARGB32);
    picture.fill(QColor(20, 120, 220, 200));
    const QString path = QStringLiteral("%1/picture_%2x%3.png").arg(folder).arg(w).arg(h);
    picture.save(path);
    return path;
}

struct PicturePage
{
    EditorDataFolder data;
    ScriptedChooser chooser;
    CEditTemplateDlg editor{EditorDataFolder::settings()};
    CEditTempImgDlg* page;

    PicturePage() : page(editor.imagePage())
    {
        editor.show();
        editor.tabControl()->setCurrentIndex(1);
    }
    SpinEdit* field(const char* name) { return findControl<SpinEdit>(page, name); }
    void browse(const QString& path)
    {
        chooser.file = path;
        click(findControl<QWidget>(page, "browse_button"));
    }
    void toggleScale()
    {
        auto* box = findControl<QCheckBox>(page, "scale_image");
        click(box, QPoint(6, box->height() / 2));
    }
};

} // namespace

class ImagePageTest : public QObject
{
    Q_OBJECT

private slots:
    void choosingAPictureSetsSizeAndRanges()
    {
        PicturePage p;
        const QString path = writePicture(p.data.path(), 400, 300);
        p.browse(path);
        QCOMPARE(findControl<CEditWithButton>(p.page, "path_edit")->text(), path);
        QCOMPARE(p.field("width")->text(), QStringLiteral("400"));
        QCOMPARE(p.field("height")->text(), QStringLiteral("300"));
        QCOMPARE(p.field("width")->minimum(), 1);
        QCOMPARE(p.field("width")->maximum(), 800);
        QCOMPARE(p.field("height")->minimum(), 1);
        QCOMPARE(p.field("height")->maximum(), 600);
        const WatermarkConf stored = storedConf(kLayer);
        QCOMPARE(stored.ImagePathName, path);
        QCOMPARE(stored.ImageWidth, 400);
        QCOMPARE(stored.ImageHeight, 300);
    }

    void cancelledChooserChangesNothing()
    {
        PicturePage p;
        p.chooser.accept = false;
        const QByteArray before = readFile(layerPath(kLayer));
        click(findControl<QWidget>(p.page, "browse_button"));
        QCOMPARE(readFile(layerPath(kLayer)), before);
    }

    void proportionalHeight_data()
    {
        QTest::addColumn<bool>("scale");
        QTest::addColumn<QString>("typedWidth");
        QTest::addColumn<QString>("typedHeight");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");

        QTest::newRow("auto-scale follows width")
            << true << QStringLiteral("200") << QStringLiteral("") << 200 << 150;
        QTest::newRow("auto-scale truncates")
            << true << QStringLiteral("333") << QStringLiteral("") << 333 << 249;
        QTest::newRow("height never changes width")
            << true << QStringLiteral("") << QStringLiteral("50") << 400 << 50;
        QTest::newRow("without auto-scale independent")
            << false << QStringLiteral("200") << QStringLiteral("") << 200 << 300;
    }

    void proportionalHeight()
    {
        QFETCH(bool, scale);
        QFETCH(QString, typedWidth);
        QFETCH(QString, typedHeight);
        QFETCH(int, width);
        QFETCH(int, height);
        PicturePage p;
        p.browse(writePicture(p.data.path(), 400, 300));
        if (scale)
            p.toggleScale();
        if (!typedWidth.isEmpty())
            typeInto(p.field("width"), typedWidth);
        if (!typedHeight.isEmpty())
            typeInto(p.field("height"), typedHeight);
        QCOMPARE(p.field("width")->text(), QString::number(width));
        QCOMPARE(p.field("height")->text(), QString::number(height));
        const WatermarkConf stored = storedConf(kLayer);
        QCOMPARE(stored.ScaleImgWT, scale ? 1 : 0);
        QCOMPARE(stored.ImageWidth, width);
        QCOMPARE(stored.ImageHeight, height);
    }

    void undecodablePictureHasNoProportion()
    {
        PicturePage p;
        const QString junk = p.data.path() + QStringLiteral("/broken.png");
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a picture");
        f.close();
        p.browse(junk);
        QCOMPARE(p.field("width")->text(), QStringLiteral("0"));
        p.toggleScale();
        typeInto(p.field("height"), QStringLiteral("70"));
        typeInto(p.field("width"), QStringLiteral("200"));
        QCOMPARE(p.field("height")->text(), QStringLiteral("70"));
        QCOMPARE(storedConf(kLayer).ImageWidth, 200);
        QCOMPARE(storedConf(kLayer).ImageHeight, 70);
    }

    void clearButtonEmptiesPathAndSize()
    {
        PicturePage p;
        const QString path = writePicture(p.data.path(), 400, 300);
        p.browse(path);
        auto* field = findControl<CEditWithButton>(p.page, "path_edit");
        click(field, field->buttonRect().center());
        QCOMPARE(field->text(), QString());
        QCOMPARE(p.field("width")->text(), QStringLiteral("0"));
        QCOMPARE(p.field("height")->text(), QStringLiteral("0"));
        WatermarkConf stored = storedConf(kLayer);
        QCOMPARE(stored.ImagePathName, QString());
        QCOMPARE(stored.ImageWidth, 0);
        QCOMPARE(stored.ImageHeight, 0);
        p.browse(path);
        stored = storedConf(kLayer);
        QCOMPARE(stored.ImageWidth, 400);
        QCOMPARE(stored.ImageHeight, 300);
    }

    void placementFields()
    {
        PicturePage p;
        auto* location = findControl<QComboBox>(p.page, "location_list");
        chooseEntry(location, 8);
        typeInto(p.field("offset_h"), QStringLiteral("25"));
        typeInto(p.field("offset_v"), QStringLiteral("35"));
        typeInto(p.field("rotation"), QStringLiteral("360"));
        QCOMPARE(storedConf(kLayer).ImageOffsetV, 35);
        QCOMPARE(storedConf(kLayer).ImageRotation, 360);
        chooseEntry(location, 4);
        QCOMPARE(location->currentText(), QStringLiteral("中心"));
        QCOMPARE(p.field("offset_h")->text(), QStringLiteral("0"));
        const WatermarkConf stored = storedConf(kLayer);
        QCOMPARE(stored.ImageLocation, 4);
        QCOMPARE(stored.ImageOffsetH, 0);
        QCOMPARE(stored.ImageOffsetV, 0);
    }

    void storedZeroSizeTakesPictureSize()
    {
        EditorDataFolder data;
        const QString path = writePicture(data.path(), 64, 48);
        WatermarkConf conf = storedConf(kLayer);
        conf.ImagePathName = path;
        conf.ImageWidth = conf.ImageHeight = 0;
        QVERIFY(StoreEditConf(kLayer, conf));
        CEditTemplateDlg editor(EditorDataFolder::settings());
        QCOMPARE(findControl<SpinEdit>(editor.imagePage(), "width")->text(), QStringLiteral("64"));
        QCOMPARE(storedConf(kLayer).ImageWidth, 64);
        QCOMPARE(storedConf(kLayer).ImageHeight, 48);
    }

    // Enter typed into a number field ends there; Escape on the page closes the editor.
    void enterInAFieldStaysAndEscapeCloses()
    {
        PicturePage p;
        QLineEdit* offset = p.field("offset_h")->edit();
        offset->setFocus();
        QTest::keyClick(offset, Qt::Key_Return);
        QCoreApplication::processEvents();
        QVERIFY(p.editor.isVisible());
        QCOMPARE(p.editor.result(), 0);
        QTest::keyClick(p.page, Qt::Key_Escape);
        QTRY_VERIFY(!p.editor.isVisible());
        QCOMPARE(p.editor.result(), int(QDialog::Rejected));
    }

    void pictureFilterForTheDialog()
    {
        QCOMPARE(DialogChooserService::dialogFilter(CEditTempImgDlg::kPictureFilter),
                 QStringLiteral("所有支持文件 (*.jpg *.jpeg *.png *.bmp *.tif *.tiff *.gif);;"
                                "联合图像专家组 (*.jpg);;Windows 位图 Image (*.bmp);;便携式网络图形 (*.png);;"
                                "Tagged 图像文件模式 (*.tif *.tiff)"));
    }
};

QTEST_MAIN(ImagePageTest)
#include "tst_ImagePage.moc"
