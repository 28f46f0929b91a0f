#include "support/FakeRenderer.h"
#include "support/MainWindowFixture.h"

#include "model/DataFiles.h"
#include "model/OutputSettings.h"
#include "model/SelectedTemplate.h"
#include "model/TemplateStore.h"
#include "services/messages/WindowMessage.h"
#include "ui/skin/MainCommands.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <atomic>
#include <memory>

// Batch runs driven through the main window's toolbar with a renderer that can be held.
class BatchRunTest : public QObject
{
    Q_OBJECT
private:
    struct Run
    {
        MainWindowFixture f;
        FakeRenderer renderer{f.outputFolder};
        QStringList browserPaths;
        int settingsLoads = 0;
        QStringList photos;
        std::shared_ptr<std::atomic<qint64>> clockMs = std::make_shared<std::atomic<qint64>>(0);

        explicit Run(int photoCount, int threads = 1)
        {
            f.open();
            BatchRun::Services services;
            services.threads = threads;
            services.render = [this](const RenderRequest& request) { return renderer.render(request); };
            // The output settings the fake renderer writes by, which the run's output plan
            // applies too.
            OutputSettings settings;
            settings.OutputFolderOpts = OutputSettings::ToOutputFolder;
            settings.OutputFolderPath = f.outputFolder;
            settings.OutputFileNameOpts = OutputSettings::AddSuffix;
            settings.OutputFileNameSuffix = QStringLiteral("_new");
            settings.OutputFormat = OutputSettings::Png;
            services.loadSettings = [this, settings](RenderSettings& run) {
                ++settingsLoads;
                run.output = settings;
                return QString();
            };
            services.showInFileBrowser = [this](const QString& path) { browserPaths.append(path); };
            services.elapsedMs = [clock = clockMs]() { return clock->load(); };
            f.window->setBatchServices(services);
            for (int i = 1; i <= photoCount; ++i)
                photos.append(f.makePhoto(QStringLiteral("photo%1.jpg").arg(i)));
            f.addPhotos(photos);
        }
        QString output(int i) const { return f.outputFolder + QStringLiteral("/photo%1_new.png").arg(i); }
        void start() { f.button("process_toolbar_btn")->click(); }
        bool waitForEnd() { return f.window->waitForBatchRun(20000); }
    };

private slots:
    void threePhotosWithoutStop()
    {
        Run run(3);
        run.renderer.allow(0);
        run.start();
        QTRY_COMPARE(run.renderer.started(), 1);
        // While running: stop usable, remove/preview/process not; add and templates usable.
        QVERIFY(run.f.button("stop_toolbar_btn")->isEnabled());
        QVERIFY(!run.f.button("process_toolbar_btn")->isEnabled());
        QVERIFY(!run.f.button("remove_toolbar_btn")->isEnabled());
        QVERIFY(!run.f.button("preview_toolbar_btn")->isEnabled());
        QVERIFY(run.f.button("add_toolbar_btn")->isEnabled());
        QVERIFY(run.f.ui()->templateList()->isEnabled());
        run.renderer.allowAll();
        QVERIFY(run.waitForEnd());

        QCOMPARE(run.renderer.photos(), run.photos);
        for (int i = 1; i <= 3; ++i) {
            QVERIFY(QFileInfo::exists(run.output(i)));
            QCOMPARE(run.f.statusPicture(i - 1), QStringLiteral("ok.png"));
        }
        QCOMPARE(run.f.ui()->selectedFileRow(), 2);
        QCOMPARE(run.browserPaths, QStringList{run.output(3)});
        QCOMPARE(run.settingsLoads, 1);
        QVERIFY(!run.f.button("stop_toolbar_btn")->isEnabled());
        QVERIFY(run.f.button("process_toolbar_btn")->isEnabled());
        QVERIFY(run.f.button("remove_toolbar_btn")->isEnabled());
        QVERIFY(run.f.button("preview_toolbar_btn")->isEnabled());
        QVERIFY(run.f.messages.isEmpty());

        QDir().mkpath(QStringLiteral(LUMORA_BUILD_DIR "/screenshots"));
        QVERIFY(run.f.window->grab().save(
            QStringLiteral(LUMORA_BUILD_DIR "/screenshots/main_window_after_run.png")));
    }

    void stopWhileTheSecondRenders()
    {
        Run run(3);
        run.renderer.allow(1);
        run.start();
        QTRY_COMPARE(run.renderer.started(), 2);
        run.f.button("stop_toolbar_btn")->click();
        run.renderer.allowAll();
        QVERIFY(run.waitForEnd());
        QCOMPARE(run.renderer.photos(), run.photos.mid(0, 2));
        QVERIFY(QFileInfo::exists(run.output(2)));
        QVERIFY(!QFileInfo::exists(run.output(3)));
        QCOMPARE(run.f.statusPicture(1), QStringLiteral("ok.png"));
        QCOMPARE(run.f.statusPicture(2), QStringLiteral("ready.png"));
        QCOMPARE(run.browserPaths, QStringList{run.output(2)});
        // The request was consumed: the next run goes through.
        run.start();
        QVERIFY(run.waitForEnd());
        QCOMPARE(run.renderer.started(), 5);
    }

    void stopAfterTheLastPhotoEndsTheNextRunAtOnce()
    {
        Run run(1);
        run.f.window->StopBatchRun(); // pending: a run does not clear it when it starts
        run.start();
        QVERIFY(run.waitForEnd());
        QCOMPARE(run.renderer.started(), 0);
        QCOMPARE(run.browserPaths.size(), 1); // the browser still opens
        run.start();
        QVERIFY(run.waitForEnd());
        QCOMPARE(run.renderer.started(), 1);
    }

    void clickDuringRunMovesTheWalk()
    {
        Run run(5);
        run.renderer.allow(2);
        run.start();
        QTRY_COMPARE(run.renderer.started(), 3);
        MainWindowFixture::clickRow(run.f.ui()->fileList(), 0);
        run.renderer.allowAll();
        QVERIFY(run.waitForEnd());
        const QStringList p = run.photos;
        QCOMPARE(run.renderer.photos(), (QStringList{p[0], p[1], p[2], p[1], p[2], p[3], p[4]}));
    }

    void templateIsTakenWhenEachPhotoStarts()
    {
        Run run(3);
        QVERIFY(AddTemplate("Night"));
        run.f.ui()->AddTemplateItem("Night");
        run.f.ui()->selectTemplateRow(0);
        run.renderer.allow(1);
        run.start();
        QTRY_COMPARE(run.renderer.started(), 2);
        MainWindowFixture::clickRow(run.f.ui()->templateList(), 1);
        run.renderer.allowAll();
        QVERIFY(run.waitForEnd());
        QCOMPARE(run.renderer.templates(), (QStringList{"Demo 1", "Demo 1", "Night"}));
    }

    void photosAddedDuringRunAreProcessedAndKeepTheToolbar()
    {
        Run run(1);
        run.renderer.allow(0);
        run.start();
        QTRY_COMPARE(run.renderer.started(), 1);
        const QString late = run.f.makePhoto("late.jpg");
        run.f.addPhotos({late});
        // Adding photos does not offer a second run while this one is under way.
        QVERIFY(!run.f.button("process_toolbar_btn")->isEnabled());
        QVERIFY(!run.f.button("remove_toolbar_btn")->isEnabled());
        run.f.window->StartBatchRun(); // refused while running
        run.renderer.allowAll();
        QVERIFY(run.waitForEnd());
        QCOMPARE(run.renderer.photos(), (QStringList{run.photos[0], late}));
        QVERIFY(run.f.button("process_toolbar_btn")->isEnabled());
    }

    void failedPhotoIsMarkedAndReported()
    {
        Run run(1);
        const QString broken = run.f.makePhoto("broken.jpg");
        const QString good = run.f.makePhoto("good.jpg");
        run.f.addPhotos({broken, good});
        run.start();
        QVERIFY(run.waitForEnd());
        QCOMPARE(run.f.statusPicture(0), QStringLiteral("ok.png"));
        QCOMPARE(run.f.statusPicture(1), QStringLiteral("failed.png"));
        QCOMPARE(run.f.statusPicture(2), QStringLiteral("ok.png"));
        QCOMPARE(run.f.ui()->fileFailureReason(1), QStringLiteral("无法读取照片。"));
        QCOMPARE(run.f.messages.size(), 1);
        QVERIFY(
            run.f.messages[0].startsWith(QStringLiteral("批处理已完成：2 张照片已加上水印，1 张照片失败。")));
        QVERIFY(run.f.messages[0].contains(broken + ": 无法读取照片。"));
    }

    // A run of many photos shows its row changes together, at most once per update interval,
    // yet every row ends marked, the last row selected and scrolled into view, and the hint
    // back as it was.
    void rowUpdatesAreGathered()
    {
        Run run(300, 2);
        run.renderer.allowAll();
        auto* hint = qobject_cast<QLabel*>(run.f.ui()->FindControl(QStringLiteral("file_hint_label")));
        QVERIFY(hint);
        const QString idleHint = hint->text();
        QSignalSpy changes(run.f.ui()->fileModel(), &QAbstractItemModel::dataChanged);
        QElapsedTimer clock;
        clock.start();
        run.start();
        QVERIFY(run.waitForEnd());
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(changes.count() <= elapsed / CMainDlgUI::kUpdateIntervalMs + 3,
                 qPrintable(QStringLiteral("%1 repaints in %2 ms").arg(changes.count()).arg(elapsed)));
        for (int row = 0; row < 300; ++row)
            QCOMPARE(run.f.statusPicture(row), QStringLiteral("ok.png"));
        QCOMPARE(run.f.ui()->selectedFileRow(), 299);
        SkinListView* list = run.f.ui()->fileList();
        QVERIFY(list->viewport()->rect().contains(list->visualRect(list->model()->index(299, 0))));
        QCOMPARE(hint->text(), idleHint);
    }

    // A second run stopped early: the rows it did not reach show the ready picture again,
    // not the marks of the first run, and the end message counts what happened.
    void stoppedRunLeavesNoStaleMarks()
    {
        Run run(3);
        run.renderer.allowAll();
        run.start();
        QVERIFY(run.waitForEnd());
        for (int row = 0; row < 3; ++row)
            QCOMPARE(run.f.statusPicture(row), QStringLiteral("ok.png"));
        QVERIFY(run.f.messages.isEmpty());

        run.renderer.allow(3);
        run.start();
        QTRY_COMPARE(run.renderer.started(), 4);
        for (int row = 1; row < 3; ++row)
            QCOMPARE(run.f.statusPicture(row), QStringLiteral("ready.png"));
        run.f.button("stop_toolbar_btn")->click();
        run.renderer.allowAll();
        QVERIFY(run.waitForEnd());
        QCOMPARE(run.f.statusPicture(0), QStringLiteral("ok.png"));
        QCOMPARE(run.f.statusPicture(1), QStringLiteral("ready.png"));
        QCOMPARE(run.f.statusPicture(2), QStringLiteral("ready.png"));
        QCOMPARE(run.f.messages,
                 QStringList{QStringLiteral(
                     "批处理已停止：1 张照片已加上水印，0 张照片失败，2 张照片因停止而未处理。")});
    }

    // Files that cannot be read, and outputs that would destroy a photo of the list, fail
    // the photo with a reason naming the file; no output is written for it; nothing is
    // reported as done that was not.
    void unreadableFilesAndCollisionsFailThePhoto_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QStringList>("marks");
        QTest::addColumn<QString>("reason");
        QTest::newRow("template file damaged")
            << "template" << QStringList{"failed.png", "failed.png"} << "Demo 1.xml cannot be read";
        QTest::newRow("layer file missing")
            << "layer" << QStringList{"failed.png", "failed.png"} << "Demo 1_Layer 1.xml cannot be read";
        QTest::newRow("layer picture missing")
            << "picture" << QStringList{"failed.png", "failed.png"} << "gone.png cannot be read";
        QTest::newRow("output replaces the other photo")
            << "keep name" << QStringList{"failed.png", "failed.png"} << "another photo of this run";
        QTest::newRow("photos cut off")
            << "cut photos" << QStringList{"failed.png", "failed.png"} << "the photo is damaged";
        QTest::newRow("preference file cut off")
            << "preferences" << QStringList{"ready.png", "ready.png"} << "preference.xml cannot be read";
    }

    void unreadableFilesAndCollisionsFailThePhoto()
    {
        QFETCH(QString, damage);
        QFETCH(QStringList, marks);
        QFETCH(QString, reason);

        MainWindowFixture f;
        f.open(); // first start: default preferences and "Demo 1"
        QStringList shown;
        BatchRun::Services services;
        services.showInFileBrowser = [&shown](const QString& path) { shown.append(path); };
        f.window->setBatchServices(services);
        const QString templates = getTemplatesFolder();
        const QString layerFile = templates + "/Demo 1_Layer 1.xml";
        auto replace = [](const QString& path, const QByteArray& from, const QByteArray& to) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QByteArray bytes = file.readAll();
            file.close();
            QVERIFY(bytes.contains(from));
            bytes.replace(from, to);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(bytes);
        };
        const QString preferences = preferencesPath();
        QFile prefs(preferences);
        QVERIFY(prefs.open(QIODevice::ReadOnly));
        const QByteArray prefBytes = prefs.readAll();
        prefs.close();
        if (damage == "template") {
            QFile file(templates + "/Demo 1.xml");
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("not a template");
        } else if (damage == "layer") {
            QVERIFY(QFile::remove(layerFile));
        } else if (damage == "picture") {
            replace(layerFile, "<ImagePathName/>",
                    ("<ImagePathName>" + f.photoFolder + "/gone.png</ImagePathName>").toUtf8());
        } else if (damage == "keep name") {
            replace(preferences, "<OutputFileNameOpts>1", "<OutputFileNameOpts>0");
        } else if (damage == "preferences") {
            QVERIFY(prefs.open(QIODevice::WriteOnly | QIODevice::Truncate));
            prefs.write(prefBytes.left(200));
            prefs.close();
        }
        QFile kept(preferences);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        const QByteArray preferencesBefore = kept.readAll();
        kept.close();

        QImage photo(64, 48, QImage::Format_RGB32);
        photo.fill(Qt::white);
        const QString png = f.photoFolder + "/x.png";
        const QString jpg = f.photoFolder + "/x.jpg";
        QVERIFY(photo.save(png));
        QVERIFY(photo.save(jpg));
        if (damage == "cut photos") {
            for (const QString& path : {png, jpg}) {
                QFile file(path);
                QVERIFY(file.open(QIODevice::ReadWrite));
                QVERIFY(file.resize(file.size() / 2));
            }
        }
        const QStringList before = QDir(f.photoFolder).entryList(QDir::Files);
        QFile original(jpg);
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray jpgBytes = original.readAll();
        original.close();

        f.addPhotos({png, jpg});
        f.button("process_toolbar_btn")->click();
        QVERIFY(f.window->waitForBatchRun(60000));

        QCOMPARE((QStringList{f.statusPicture(0), f.statusPicture(1)}), marks);
        QCOMPARE(QDir(f.photoFolder).entryList(QDir::Files), before); // no output written
        QVERIFY(original.open(QIODevice::ReadOnly));
        QCOMPARE(original.readAll(), jpgBytes);
        original.close();
        QCOMPARE(f.messages.size(), 1);
        QVERIFY2(f.messages[0].contains(reason), qPrintable(f.messages[0]));
        if (marks[0] == "failed.png") {
            // The row's tooltip gives the path and the reason.
            const QString tip = f.ui()->fileModel()->index(0).data(Qt::ToolTipRole).toString();
            QVERIFY2(tip.startsWith(png + QLatin1Char('\n')) && tip.contains(reason), qPrintable(tip));
            QVERIFY2(f.ui()->fileFailureReason(0).contains(reason), qPrintable(f.ui()->fileFailureReason(0)));
            QVERIFY(
                f.messages[0].startsWith(QStringLiteral("批处理已完成：0 张照片已加上水印，2 张照片失败。")));
        } else {
            // The run did not start; the damaged file stays as it was for the person to see.
            QVERIFY(f.messages[0].startsWith(QStringLiteral("批处理没有开始")));
            QVERIFY(shown.isEmpty());
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), preferencesBefore);
        }
    }

    // Two photos at a time: both are taken before either is done; a stop lets the photos in
    // progress finish and be marked, and takes no other.
    void parallelRunFinishesThePhotosInProgress()
    {
        Run run(4, 2);
        run.renderer.allow(0);
        run.start();
        QTRY_COMPARE(run.renderer.started(), 2);
        QTest::qWait(50);
        QCOMPARE(run.renderer.started(), 2);
        run.f.button("stop_toolbar_btn")->click();
        run.renderer.allowAll();
        QVERIFY(run.waitForEnd());
        // Either worker may take its photo first: the two first photos, in any order.
        QStringList taken = run.renderer.photos();
        taken.sort();
        QCOMPARE(taken, run.photos.mid(0, 2));
        QCOMPARE((QStringList{run.f.statusPicture(0), run.f.statusPicture(1), run.f.statusPicture(2),
                              run.f.statusPicture(3)}),
                 (QStringList{"ok.png", "ok.png", "ready.png", "ready.png"}));
        QCOMPARE(run.f.messages,
                 QStringList{QStringLiteral(
                     "批处理已停止：2 张照片已加上水印，0 张照片失败，2 张照片因停止而未处理。")});
        QCOMPARE(run.browserPaths, QStringList{run.output(2)});

        // Without a stop every row is marked, and the browser shows the last photo of the list.
        run.f.messages.clear();
        run.start();
        QVERIFY(run.waitForEnd());
        QCOMPARE(run.renderer.started(), 6);
        for (int row = 0; row < 4; ++row)
            QCOMPARE(run.f.statusPicture(row), QStringLiteral("ok.png"));
        QCOMPARE(run.browserPaths.last(), run.output(4));
        QVERIFY(run.f.messages.isEmpty());
    }

    // The hint label of the file list counts the photos done during a run, adds the time left
    // once a photo is done (the mean time per photo so far, rounded up to whole seconds), and
    // shows the hint again when the run ends.
    void progressInTheHintLabel_data()
    {
        QTest::addColumn<int>("photos");
        QTest::addColumn<int>("threads");
        QTest::addColumn<qint64>("firstDoneAfterMs");
        // Renders let finish: with two at a time both photos in progress, since either may
        // have been started first.
        QTest::addColumn<int>("finished");
        QTest::addColumn<QString>("afterFirst");
        QTest::newRow("3 photos, 10 s each") << 3 << 1 << qint64(10000) << 1 << "已处理 1/3，剩余约 20 秒";
        QTest::newRow("21 photos, 6.5 s each")
            << 21 << 1 << qint64(6500) << 1 << "已处理 1/21，剩余约 2 分 10 秒";
        QTest::newRow("rounded up") << 2 << 1 << qint64(1) << 1 << "已处理 1/2，剩余约 1 秒";
        QTest::newRow("two at a time") << 5 << 2 << qint64(4000) << 2 << "已处理 2/5，剩余约 6 秒";
    }

    void progressInTheHintLabel()
    {
        QFETCH(int, photos);
        QFETCH(int, threads);
        QFETCH(qint64, firstDoneAfterMs);
        QFETCH(int, finished);
        QFETCH(QString, afterFirst);
        Run run(photos, threads);
        auto* hint = qobject_cast<QLabel*>(run.f.ui()->FindControl(QStringLiteral("file_hint_label")));
        QVERIFY(hint);
        const QString idle = hint->text();
        QVERIFY(!idle.isEmpty());
        run.clockMs->store(5000); // the run measures from its own start
        run.renderer.allow(0);
        run.start();
        QTRY_COMPARE(run.renderer.started(), std::min(photos, threads));
        QTRY_COMPARE(hint->text(), QStringLiteral("已处理 0/%1").arg(photos));
        run.clockMs->store(5000 + firstDoneAfterMs);
        run.renderer.allow(finished);
        QTRY_COMPARE(hint->text(), afterFirst);
        run.renderer.allowAll();
        QVERIFY(run.waitForEnd());
        QCOMPARE(hint->text(), idle);
    }

    void emptyListRestoresToolbar()
    {
        Run run(0);
        QVERIFY(!run.f.button("process_toolbar_btn")->isEnabled());
        run.f.window->handleWindowMessage(MainUiToolbarMessage, StartRunCode, 0);
        QVERIFY(run.waitForEnd());
        QCOMPARE(run.renderer.started(), 0);
        QCOMPARE(run.browserPaths.size(), 1);
        QVERIFY(!run.f.button("stop_toolbar_btn")->isEnabled());
    }

    // The program's own renderer and settings: the default preferences write a JPEG with the
    // suffix "_new" beside the photo. A file already at that name is replaced, left alone or
    // kept beside the new output as config.ini says.
    void realCompositorStampsAPhoto_data()
    {
        QTest::addColumn<int>("stored");     // IfOutputExists in config.ini; -1: none
        QTest::addColumn<bool>("earlier");   // a file holds the output name before the run
        QTest::addColumn<QString>("output"); // the file written; empty: none
        QTest::newRow("no earlier file") << -1 << false << "real_new.jpg";
        QTest::newRow("replace") << -1 << true << "real_new.jpg";
        QTest::newRow("skip") << 1 << true << "";
        QTest::newRow("keep both") << 2 << true << "real_new (2).jpg";
    }

    void realCompositorStampsAPhoto()
    {
        QFETCH(int, stored);
        QFETCH(bool, earlier);
        QFETCH(QString, output);
        MainWindowFixture f;
        f.open();
        if (stored >= 0) {
            QFile config(configIniPath());
            QVERIFY(config.open(QIODevice::WriteOnly | QIODevice::Truncate));
            config.write("[\xe5\xb8\xb8\xe8\xa7\x84]\r\nIfOutputExists=" + QByteArray::number(stored) +
                         "\r\n");
        }
        QStringList shown;
        BatchRun::Services services;
        services.showInFileBrowser = [&shown](const QString& path) { shown.append(path); };
        f.window->setBatchServices(services);
        QImage photo(320, 200, QImage::Format_RGB32);
        photo.fill(QColor(40, 90, 160));
        const QString path = f.photoFolder + "/real.jpg";
        QVERIFY(photo.save(path, "JPEG"));
        const QString plain = f.photoFolder + "/real_new.jpg";
        if (earlier) {
            QFile file(plain);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("earlier");
        }
        f.addPhotos({path});
        f.button("process_toolbar_btn")->click();
        QVERIFY(f.window->waitForBatchRun(60000));
        QCOMPARE(f.statusPicture(0), QStringLiteral("ok.png"));
        QVERIFY(f.messages.isEmpty());
        QFile kept(plain);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll() == "earlier", earlier && output != QLatin1String("real_new.jpg"));
        if (output.isEmpty())
            return;
        QCOMPARE(shown, QStringList{f.photoFolder + QLatin1Char('/') + output});
        const QImage stamped(f.photoFolder + QLatin1Char('/') + output);
        QCOMPARE(stamped.size(), photo.size());
        QVERIFY(stamped != QImage(path)); // the demonstration text was drawn
    }

    void closingDuringRunFinishesTheCurrentPhoto()
    {
        Run run(3);
        run.renderer.allow(1);
        run.start();
        QTRY_COMPARE(run.renderer.started(), 2);
        QTimer::singleShot(200, [&run]() { run.renderer.allowAll(); });
        run.f.window->close();
        QVERIFY(!run.f.window->isBatchRunning());
        QCOMPARE(run.renderer.photos(), run.photos.mid(0, 2));
        QFile second(run.output(2));
        QVERIFY(second.open(QIODevice::ReadOnly));
        QCOMPARE(second.readAll(), QByteArray("stamped;"));
        QVERIFY(!QFileInfo::exists(run.output(3)));
        QVERIFY(run.browserPaths.isEmpty()); // no file browser while the program ends
        QCOMPARE(loadSelectedTemplateIndex(), 0);
    }
};

QTEST_MAIN(BatchRunTest)
#include "tst_BatchRun.moc"
