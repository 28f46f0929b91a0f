#include "support/MainWindowFixture.h"

#include "app/CLumoraApp.h"
#include "ui/skin/CMyDropTarget.h"

#include <QMimeDatabase>

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

// Drops from a file manager onto the main window, delivered as real drag-and-drop events.
class DropTargetTest : public QObject
{
    Q_OBJECT
private:
    static std::unique_ptr<QMimeData> files(const QStringList& paths)
    {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls.append(QUrl::fromLocalFile(path));
        data->setUrls(urls);
        return data;
    }

    // Enters, moves and drops over the file list; returns whether the window took the drop.
    static bool drop(CLumoraDlg* window, const QMimeData* data)
    {
        const QPoint pos(500, 300);
        QDragEnterEvent enter(pos, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(pos), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &drop);
        return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
    }

private slots:
    void droppedFiles_data()
    {
        QTest::addColumn<QStringList>("dropped"); // names in the photo folder; "dir:" makes a folder
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("png and text") << QStringList{"a.png", "notes.txt"} << QStringList{"a.png"};
        QTest::newRow("same photo twice") << QStringList{"a.png", "a.png"} << QStringList{"a.png"};
        QTest::newRow("upper-case extension") << QStringList{"B.JPEG"} << QStringList{"B.JPEG"};
        QTest::newRow("no extension") << QStringList{"README"} << QStringList{};
        QTest::newRow("phone and web formats")
            << QStringList{"d.heic", "e.HEIF", "f.avif", "g.webp", "h.heics"}
            << QStringList{"d.heic", "e.HEIF", "f.avif", "g.webp"};
        QTest::newRow("folder") << QStringList{"dir:album"} << QStringList{};
        QTest::newRow("folder named like a photo") << QStringList{"dir:album.jpg"} << QStringList{};
        // The extension test is a plain substring test of the filter text.
        QTest::newRow("part of an extension") << QStringList{"c.jp"} << QStringList{"c.jp"};
        QTest::newRow("dot in folder name only") << QStringList{"x.png/inner"} << QStringList{};
    }
    void droppedFiles()
    {
        QFETCH(QStringList, dropped);
        QFETCH(QStringList, listed);
        MainWindowFixture f;
        CLumoraDlg* window = f.open();
        QStringList paths;
        for (QString name : dropped) {
            const bool folder = name.startsWith(QLatin1String("dir:"));
            name = name.mid(folder ? 4 : 0);
            const QString path = f.photoFolder + QLatin1Char('/') + name;
            if (folder) {
                QVERIFY(QDir().mkpath(path));
            } else {
                QVERIFY(QDir().mkpath(QFileInfo(path).path()));
                QFile file(path);
                QVERIFY(file.open(QIODevice::WriteOnly));
            }
            paths.append(path);
        }
        auto data = files(paths);
        QVERIFY(drop(window, data.get()));
        QStringList expected;
        for (const QString& name : listed)
            expected.append(f.photoFolder + QLatin1Char('/') + name);
        QCOMPARE(f.filePaths(), expected);
        // After any drop the file buttons are enabled, even when every file was skipped.
        QTRY_VERIFY(f.button("process_toolbar_btn")->isEnabled());
        QVERIFY(f.button("remove_toolbar_btn")->isEnabled());
        QVERIFY(f.button("preview_toolbar_btn")->isEnabled());
    }

    // Photos named on the command line ("Open with" of a file manager) join the list at start
    // by the drop's rules; options are left out, relative paths and file:// addresses work.
    void photosNamedAtStart_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "@" stands for the photo folder
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("two photos") << QStringList{"@/a.png", "@/b.jpg"} << QStringList{"a.png", "b.jpg"};
        QTest::newRow("file addresses")
            << QStringList{"file://@/a.png", "file://@/c%20d.jpg"} << QStringList{"a.png", "c d.jpg"};
        QTest::newRow("relative to the working folder")
            << QStringList{"a.png", "./b.jpg"} << QStringList{"a.png", "b.jpg"};
        QTest::newRow("drop rules") << QStringList{"@/a.png", "@/notes.txt", "@/a.png", "@/album.jpg"}
                                    << QStringList{"a.png"};
        QTest::newRow("options left out") << QStringList{"-style", "--", "-x.png"} << QStringList{"-x.png"};
    }
    void photosNamedAtStart()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, listed);
        MainWindowFixture f;
        for (const char* name : {"a.png", "b.jpg", "c d.jpg", "notes.txt", "-x.png"})
            f.makePhoto(QString::fromLatin1(name));
        QVERIFY(QDir().mkpath(f.photoFolder + QStringLiteral("/album.jpg")));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(f.photoFolder));
        for (QString& argument : arguments)
            argument.replace(QLatin1Char('@'), f.photoFolder);
        const QStringList photos = CLumoraApp::startPhotos(arguments);
        QDir::setCurrent(before);
        f.open();
        f.window->dropTarget()->addFiles(photos);
        QStringList expected;
        for (const QString& name : listed)
            expected.append(f.photoFolder + QLatin1Char('/') + name);
        QCOMPARE(f.filePaths(), expected);
        QTRY_VERIFY(f.button("process_toolbar_btn")->isEnabled());
    }

    // The desktop entry passes the chosen files (%F) and names the image types the program reads,
    // those of the open dialog's filter, so file managers offer "Open with Lumora Plenum".
    void desktopEntryOpensTheTypesRead()
    {
        QFile file(QStringLiteral(LUMORA_SOURCE_DIR "/packaging/org.lumora_plenum.LumoraPlenum.desktop"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QMap<QString, QString> entry;
        for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
            const qsizetype equals = line.indexOf(QLatin1Char('='));
            if (equals > 0)
                entry.insert(line.left(equals), line.mid(equals + 1));
        }
        QVERIFY(entry.value(QStringLiteral("Exec")).endsWith(QLatin1String(" %F")));
        const QStringList types =
            entry.value(QStringLiteral("MimeType")).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        QMimeDatabase mime;
        const QString filter = CMainDlgUI::openFileFilter().split(QLatin1Char('|')).value(1);
        QStringList wanted;
        for (QString pattern : filter.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString name = QStringLiteral("photo") + pattern.trimmed().mid(1);
            const QMimeType type = mime.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
            QVERIFY2(!type.isDefault(), qPrintable(name));
            QVERIFY2(types.contains(type.name()),
                     qPrintable(type.name() + QStringLiteral(" not in MimeType")));
            wanted << type.name();
        }
        // No type beyond those the program reads (older names of the same type are fine).
        for (const QString& type : types)
            QVERIFY2(wanted.contains(mime.mimeTypeForName(type).name()), qPrintable(type));
    }

    void photoChosenBeforeIsNotAddedAgain()
    {
        MainWindowFixture f;
        CLumoraDlg* window = f.open();
        const QString photo = f.makePhoto("a.jpg");
        f.addPhotos({photo});
        auto data = files({photo});
        QVERIFY(drop(window, data.get()));
        QCOMPARE(f.filePaths(), QStringList{photo});
    }

    void privateFormatIsRefused()
    {
        MainWindowFixture f;
        CLumoraDlg* window = f.open();
        auto data = files({f.makePhoto("a.png")});
        data->setData(CMyDropTarget::privateFormat(), QByteArray("1"));
        QCOMPARE(window->dropTarget()->OnDragEnter(data.get()), Qt::IgnoreAction);
        QVERIFY(!drop(window, data.get()));
        QVERIFY(f.filePaths().isEmpty());
    }

    void dataWithoutFilesIsRefused()
    {
        MainWindowFixture f;
        CLumoraDlg* window = f.open();
        QMimeData text;
        text.setText(QStringLiteral("a.png"));
        QVERIFY(!drop(window, &text));
        QVERIFY(!window->dropTarget()->OnDrop(&text));
        QTest::qWait(20);
        QVERIFY(!f.button("process_toolbar_btn")->isEnabled());
    }
};

QTEST_MAIN(DropTargetTest)
#include "tst_DropTarget.moc"
