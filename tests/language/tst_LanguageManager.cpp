#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>

#include "services/language/BuiltinPictureIds.h"
#include "services/language/CLanguageManager.h"

// The language file lives beside the running executable, so each case writes (or removes)
// "Lang/lang_en.ini" in the test program's own folder.
class LanguageManagerTest : public QObject
{
    Q_OBJECT

private:
    QString langDir() const { return CLanguageManager::GetProgramFolder() + QStringLiteral("/Lang"); }

    void writeLanguageFile(const QByteArray& content)
    {
        QDir().mkpath(langDir());
        QFile f(CLanguageManager::GetLanguageFilePath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

private slots:
    void cleanup() { QDir(langDir()).removeRecursively(); }

    void pathIsBesideTheExecutable()
    {
        QCOMPARE(CLanguageManager::GetLanguageCode(), QStringLiteral("en"));
        QCOMPARE(CLanguageManager::GetLanguageFilePath(),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/Lang/lang_en.ini"));
    }

    void withoutLanguageFileBuiltinsAreUsed()
    {
        QVERIFY(!QFile::exists(CLanguageManager::GetLanguageFilePath()));
        QCOMPARE(CLanguageManager::LoadLanguageString(109), QStringLiteral("单击此处操作层"));
        QCOMPARE(CLanguageManager::LoadLanguageString(118), QStringLiteral("中心"));
        QImage picture;
        CLanguageManager::LoadLanguageBitmap(picture, BuiltinPictureIds::LayerButtonNormal);
        QCOMPARE(picture.size(), QSize(32, 24));
        QCOMPARE(picture, CLanguageManager::builtinBitmap(BuiltinPictureIds::LayerButtonNormal));
        CLanguageManager::LoadLanguageBitmap(picture, BuiltinPictureIds::PreviousPhotoButton);
        QCOMPARE(picture.size(), QSize(237, 19));
    }

    void strings_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("expected");

        QTest::newRow("replacement") << QByteArray("[STRING]\n109=Click here\n") << 109 << "Click here";
        QTest::newRow("line feed escape")
            << QByteArray("[STRING]\n109=first\\nsecond\n") << 109 << "first\nsecond";
        QTest::newRow("tab escape") << QByteArray("[STRING]\r\n109=a\\tb\r\n") << 109 << "a\tb";
        QTest::newRow("case of section and key")
            << QByteArray("[string]\n109 = spaced \n") << 109 << "spaced";
        QTest::newRow("enclosing quotes")
            << QByteArray("[STRING]\n109=\" kept blanks \"\n") << 109 << " kept blanks ";
        QTest::newRow("empty value falls back") << QByteArray("[STRING]\n109=\n") << 109 << "单击此处操作层";
        QTest::newRow("other section only") << QByteArray("[BITMAP]\n109=x.png\n") << 109 << "单击此处操作层";
        QTest::newRow("key of other section ignored")
            << QByteArray("[OTHER]\n118=wrong\n[STRING]\n117=left\n") << 118 << "中心";
        QTest::newRow("utf-8 mark") << QByteArray("\xEF\xBB\xBF[STRING]\n109=中文提示\n") << 109
                                    << "中文提示";
        QTest::newRow("unknown id") << QByteArray("[STRING]\n1=x\n") << 999 << "";
    }

    void strings()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, id);
        QFETCH(QString, expected);
        writeLanguageFile(file);
        QCOMPARE(CLanguageManager::LoadLanguageString(id), expected);
    }

    void longValueIsCut()
    {
        writeLanguageFile("[STRING]\n109=" + QByteArray(12000, 'x') + "\n");
        QCOMPARE(CLanguageManager::LoadLanguageString(109).size(), CLanguageManager::kMaxValueLength);
    }

    void bitmaps_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("fromFile");

        QTest::newRow("picture file") << QByteArray("[BITMAP]\n152=Lang/red.png\n") << true;
        QTest::newRow("missing picture file") << QByteArray("[BITMAP]\n152=Lang/none.png\n") << false;
        QTest::newRow("not a picture") << QByteArray("[BITMAP]\n152=Lang/lang_en.ini\n") << false;
        QTest::newRow("no key") << QByteArray("[BITMAP]\n153=Lang/red.png\n") << false;
    }

    void bitmaps()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, fromFile);
        writeLanguageFile(file);
        QImage red(5, 7, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(langDir() + QStringLiteral("/red.png")));

        QImage picture(3, 3, QImage::Format_RGB32); // replaced whatever it held
        CLanguageManager::LoadLanguageBitmap(picture, BuiltinPictureIds::LayerButtonNormal);
        if (fromFile) {
            QCOMPARE(picture.size(), QSize(5, 7));
            QCOMPARE(picture.pixelColor(2, 2), QColor(Qt::red));
        } else {
            QCOMPARE(picture, CLanguageManager::builtinBitmap(BuiltinPictureIds::LayerButtonNormal));
        }
    }

    void unknownPictureIsNull()
    {
        QImage picture(3, 3, QImage::Format_RGB32);
        CLanguageManager::LoadLanguageBitmap(picture, 4711);
        QVERIFY(picture.isNull());
    }
};

QTEST_GUILESS_MAIN(LanguageManagerTest)
#include "tst_LanguageManager.moc"
