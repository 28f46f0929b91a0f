#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringConverter>
#include <QTemporaryDir>
#include <QTest>

#include "services/ini/IniFile.h"
#include "support/TestFiles.h"

namespace {

const QString kSection = QStringLiteral("常规");

void writeAll(const QString& path, const QByteArray& data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

// The text in the encoding, starting with its byte-order mark.
QByteArray withMark(const QString& text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}

} // namespace

class IniFileTest : public QObject
{
    Q_OBJECT

private slots:
    void profileInt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << "800" << 800;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("letters") << "abc" << 0;
        QTest::newRow("leading digits") << "12px" << 12;
        QTest::newRow("blanks") << "  42" << 42;
        QTest::newRow("negative") << "-7" << -7;
        QTest::newRow("plus") << "+7" << 7;
        QTest::newRow("no hex") << "0x10" << 0;
        QTest::newRow("wraps past 32 bits") << "4294967297" << 1;
        QTest::newRow("wraps to negative") << "2147483648" << int(-2147483647 - 1);
    }

    void profileInt()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(IniFile::parseProfileInt(text), expected);
    }

    void missingFileOrKeyGivesDefault()
    {
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("none.ini"));
        QCOMPARE(IniFile::readInt(path, kSection, QStringLiteral("ScaleType"), 1), 1);
        QCOMPARE(IniFile::readString(path, kSection, QStringLiteral("x"), QStringLiteral("d")),
                 QStringLiteral("d"));
        QVERIFY(!QFile::exists(path));

        writeAll(path, "[other]\r\nScaleType=3\r\n[常规]\r\nTargetWidth=\r\n");
        QCOMPARE(IniFile::readInt(path, kSection, QStringLiteral("ScaleType"), 1), 1);
        // Present but empty: the integer rule gives 0, not the default.
        QCOMPARE(IniFile::readInt(path, kSection, QStringLiteral("TargetWidth"), 800), 0);
    }

    void sectionNameSurvivesWriteAndRead()
    {
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("resizing_config.ini"));
        QVERIFY(IniFile::writeInt(path, kSection, QStringLiteral("ScaleType"), 1));
        QVERIFY(IniFile::writeString(path, kSection, QStringLiteral("TargetWidth"), QStringLiteral("800")));
        QVERIFY(IniFile::writeString(path, kSection, QStringLiteral("TargetHeight"), QString()));
        QCOMPARE(readFile(path), QByteArray("[常规]\r\nScaleType=1\r\nTargetWidth=800\r\nTargetHeight=\r\n"));
        QCOMPARE(IniFile::readInt(path, kSection, QStringLiteral("TargetWidth"), 0), 800);
        QCOMPARE(IniFile::readInt(path, kSection, QStringLiteral("TargetHeight"), 600), 0);
        QVERIFY(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden).size() == 1);
    }

    void writeKeepsOtherLines()
    {
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("config.ini"));
        writeAll(path, "; comment\n[常规]\ntemplate=4\nother = kept \n\n[Second]\ntemplate=9\n");
        QVERIFY(IniFile::writeInt(path, kSection, QStringLiteral("template"), 2));
        QVERIFY(IniFile::writeString(path, kSection, QStringLiteral("added"), QStringLiteral("v")));
        QVERIFY(IniFile::writeString(path, QStringLiteral("Third"), QStringLiteral("k"),
                                     QStringLiteral("常规 value")));
        QCOMPARE(readFile(path),
                 QByteArray("; comment\r\n[常规]\r\ntemplate=2\r\nother = kept \r\nadded=v\r\n\r\n"
                            "[Second]\r\ntemplate=9\r\n[Third]\r\nk=常规 value\r\n"));
        QCOMPARE(IniFile::readString(path, QStringLiteral("Third"), QStringLiteral("k")),
                 QStringLiteral("常规 value"));
        QCOMPARE(IniFile::readInt(path, QStringLiteral("Second"), QStringLiteral("template"), 0), 9);
    }

    void lookupRules_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("case of names") << QByteArray("[General]\nKey=v\n") << QStringLiteral("GENERAL")
                                       << QStringLiteral("key") << QStringLiteral("v");
        QTest::newRow("blanks") << QByteArray("  [ S ]  \n  k  =  v w  \n") << QStringLiteral("S")
                                << QStringLiteral("k") << QStringLiteral("v w");
        QTest::newRow("quotes") << QByteArray("[S]\nk=\"  q  \"\n") << QStringLiteral("S")
                                << QStringLiteral("k") << QStringLiteral("  q  ");
        QTest::newRow("first key wins") << QByteArray("[S]\nk=1\nk=2\n") << QStringLiteral("S")
                                        << QStringLiteral("k") << QStringLiteral("1");
        QTest::newRow("first section wins")
            << QByteArray("[S]\nk=1\n[S]\nk=2\n[S]\nj=3\n") << QStringLiteral("S") << QStringLiteral("j")
            << QStringLiteral("<default>");
        QTest::newRow("comment") << QByteArray("[S]\n;k=1\n") << QStringLiteral("S") << QStringLiteral("k")
                                 << QStringLiteral("<default>");
        QTest::newRow("key in other section") << QByteArray("[A]\nk=1\n[B]\n") << QStringLiteral("B")
                                              << QStringLiteral("k") << QStringLiteral("<default>");
        QTest::newRow("byte-order mark")
            << QByteArray("\xEF\xBB\xBF[常规]\r\ntemplate=3\r\n") << QStringLiteral("常规")
            << QStringLiteral("template") << QStringLiteral("3");
        QTest::newRow("UTF-16LE with mark")
            << withMark(QStringLiteral("[常规]\r\ntemplate=中文\r\n"), QStringConverter::Utf16LE)
            << QStringLiteral("常规") << QStringLiteral("template") << QStringLiteral("中文");
        QTest::newRow("UTF-16BE with mark")
            << withMark(QStringLiteral("[S]\nk=v\n"), QStringConverter::Utf16BE) << QStringLiteral("S")
            << QStringLiteral("k") << QStringLiteral("v");
        QTest::newRow("UTF-32LE with mark")
            << withMark(QStringLiteral("[S]\nk=v\n"), QStringConverter::Utf32LE) << QStringLiteral("S")
            << QStringLiteral("k") << QStringLiteral("v");
        QTest::newRow("CR only line ends are one line") << QByteArray("[S]\rk=1\r") << QStringLiteral("S")
                                                        << QStringLiteral("k") << QStringLiteral("<default>");
    }

    void lookupRules()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("t.ini"));
        writeAll(path, content);
        QCOMPARE(IniFile::readString(path, section, key, QStringLiteral("<default>")), expected);
    }

    void utf16FileIsSavedAsUtf8KeepingItsText()
    {
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("t.ini"));
        writeAll(path, withMark(QStringLiteral("[A]\r\nname=中文\r\n[常规]\r\ntemplate=3\r\n"),
                                QStringConverter::Utf16LE));
        QVERIFY(IniFile::writeInt(path, kSection, QStringLiteral("template"), 4));
        QCOMPARE(readFile(path), QStringLiteral("[A]\r\nname=中文\r\n[常规]\r\ntemplate=4\r\n").toUtf8());
    }

    void refusesTextsThatWouldNotReadBack_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("line break in value")
            << QStringLiteral("S") << QStringLiteral("k") << QStringLiteral("1\r\n[S]\r\nk=2");
        QTest::newRow("NUL in value")
            << QStringLiteral("S") << QStringLiteral("k") << QStringLiteral("a") + QChar(0);
        QTest::newRow("equals in key") << QStringLiteral("S") << QStringLiteral("a=b") << QStringLiteral("v");
        QTest::newRow("bracket key") << QStringLiteral("S") << QStringLiteral("[k") << QStringLiteral("v");
        QTest::newRow("comment key") << QStringLiteral("S") << QStringLiteral(";k") << QStringLiteral("v");
        QTest::newRow("empty key") << QStringLiteral("S") << QStringLiteral(" ") << QStringLiteral("v");
        QTest::newRow("empty section") << QStringLiteral("") << QStringLiteral("k") << QStringLiteral("v");
        QTest::newRow("line break in section")
            << QStringLiteral("S]\n[T") << QStringLiteral("k") << QStringLiteral("v");
    }

    void refusesTextsThatWouldNotReadBack()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("t.ini"));
        writeAll(path, "[S]\r\nk=1\r\n");
        QVERIFY(!IniFile::writeString(path, section, key, value));
        QCOMPARE(readFile(path), QByteArray("[S]\r\nk=1\r\n"));
    }

    void oversizedFileIsNeitherReadNorReplaced()
    {
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("big.ini"));
        QByteArray content("[S]\nk=5\n");
        content.append(QByteArray(IniFile::kMaxFileSize, ';'));
        writeAll(path, content);
        QCOMPARE(IniFile::readInt(path, QStringLiteral("S"), QStringLiteral("k"), -1), -1);
        const Outcome written = IniFile::writeInt(path, QStringLiteral("S"), QStringLiteral("k"), 6);
        QVERIFY(!written);
        QCOMPARE(written.sentence(),
                 path + QStringLiteral(" is larger than 1048576 bytes; it was left unchanged"));
        QCOMPARE(readFile(path).size(), content.size());
    }

    void unwritableFolderFailsWithoutDamage()
    {
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("missing-folder/t.ini"));
        const Outcome written = IniFile::writeInt(path, QStringLiteral("S"), QStringLiteral("k"), 1);
        QVERIFY(!written);
        // The reason names the file, so the settings windows can say which save failed and why.
        QVERIFY2(written.sentence().contains(QStringLiteral("missing-folder")),
                 qPrintable(written.sentence()));
        QVERIFY(!QFile::exists(path));
    }

    void garbageLoadsInBoundedTime()
    {
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("garbage.ini"));
        QRandomGenerator random(1234);
        const QByteArray alphabet("[]=;\"' \r\n\t\0abc常规\xFF\xFE", 22);
        QElapsedTimer timer;
        timer.start();
        for (int round = 0; round < 200; ++round) {
            QByteArray data(int(random.bounded(4096)), '\0');
            for (char& c : data)
                c = alphabet.at(int(random.bounded(alphabet.size())));
            writeAll(path, data);
            IniFile file(path);
            QVERIFY(file.load());
            file.value(kSection, QStringLiteral("template"));
            file.intValue(QStringLiteral("a"), QStringLiteral("b"), 0);
            // A value written into any garbage reads back as written.
            QVERIFY(file.setValue(kSection, QStringLiteral("template"), 7));
            QVERIFY(file.save());
            QCOMPARE(IniFile::readInt(path, kSection, QStringLiteral("template"), -1), 7);
        }
        QVERIFY(timer.elapsed() < 60000);
    }
};

QTEST_GUILESS_MAIN(IniFileTest)
#include "tst_IniFile.moc"
