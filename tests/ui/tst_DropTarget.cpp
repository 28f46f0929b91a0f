#include "MainWindowFixture.h"

#include "ui/skin/CMyDropTarget.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

// Drops from a file manager onto the main window, delivered as real drag-and-drop events.
class DropTargetTest : public QObject
{
    Q_OBJECT
private:
    static std::unique_ptr<QMimeData> Files(const QStringList& paths)
    {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls.append(QUrl::fromLocalFile(path));
        data->setUrls(urls);
        return data;
    }

    // Enters, moves and drops over the file list; returns whether the window took the drop.
    static bool Drop(CLumoraDlg* window, const QMimeData* data)
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
        CLumoraDlg* window = f.Open();
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
        auto data = Files(paths);
        QVERIFY(Drop(window, data.get()));
        QStringList expected;
        for (const QString& name : listed)
            expected.append(f.photoFolder + QLatin1Char('/') + name);
        QCOMPARE(f.FilePaths(), expected);
        // After any drop the file buttons are enabled, even when every file was skipped.
        QTRY_VERIFY(f.Button("process_toolbar_btn")->isEnabled());
        QVERIFY(f.Button("remove_toolbar_btn")->isEnabled());
        QVERIFY(f.Button("preview_toolbar_btn")->isEnabled());
    }

    void photoChosenBeforeIsNotAddedAgain()
    {
        MainWindowFixture f;
        CLumoraDlg* window = f.Open();
        const QString photo = f.MakePhoto("a.jpg");
        f.AddPhotos({photo});
        auto data = Files({photo});
        QVERIFY(Drop(window, data.get()));
        QCOMPARE(f.FilePaths(), QStringList{photo});
    }

    void privateFormatIsRefused()
    {
        MainWindowFixture f;
        CLumoraDlg* window = f.Open();
        auto data = Files({f.MakePhoto("a.png")});
        data->setData(CMyDropTarget::PrivateFormat(), QByteArray("1"));
        QCOMPARE(window->DropTarget()->OnDragEnter(data.get()), Qt::IgnoreAction);
        QVERIFY(!Drop(window, data.get()));
        QVERIFY(f.FilePaths().isEmpty());
    }

    void dataWithoutFilesIsRefused()
    {
        MainWindowFixture f;
        CLumoraDlg* window = f.Open();
        QMimeData text;
        text.setText(QStringLiteral("a.png"));
        QVERIFY(!Drop(window, &text));
        QVERIFY(!window->DropTarget()->OnDrop(&text));
        QTest::qWait(20);
        QVERIFY(!f.Button("process_toolbar_btn")->isEnabled());
    }
};

QTEST_MAIN(DropTargetTest)
#include "tst_DropTarget.moc"
