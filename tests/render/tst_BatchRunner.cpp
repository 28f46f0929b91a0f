#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <stdexcept>

#include "render/BatchRunner.h"

// The batch driver on its own, with renders that answer from the photo's name: the answers
// come in the order the photos were taken whatever order the renders finish in, a stop lets
// the photos under way finish, and a render that throws becomes that photo's failure.
class BatchRunnerTest : public QObject
{
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<int>("threads");
        QTest::addColumn<QStringList>("photos");
        QTest::addColumn<bool>("tagged");
        // The stop test says stop once this many photos were reported (-1: never).
        QTest::addColumn<int>("stopAfter");
        // One line per answer, in order: name, place in the list, planned output, result.
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("stopped");

        const QStringList four{"a.jpg", "b.jpg", "c.jpg", "d.jpg"};
        const QStringList inOrder{"a.jpg 1 a_new.jpg ok", "b.jpg 2 b_new.jpg ok", "c.jpg 3 c_new.jpg ok",
                                  "d.jpg 4 d_new.jpg ok"};
        QTest::newRow("one thread") << 1 << four << true << -1 << inOrder << false;
        QTest::newRow("three threads, answered in list order") << 3 << four << true << -1 << inOrder << false;
        QTest::newRow("untagged photos are numbered as taken")
            << 3 << four << false << -1 << inOrder << false;
        QTest::newRow("stop after two, one thread") << 1 << four << true << 2 << inOrder.mid(0, 2) << true;
        // Three are under way before the first answer; one more is taken before the second.
        QTest::newRow("stop after two, three threads: the photos under way finish")
            << 3 << four << true << 2 << inOrder << true;
        QTest::newRow("stop before the first") << 2 << four << true << 0 << QStringList() << true;
        QTest::newRow("exceptions become failure lines")
            << 2 << QStringList{"a.jpg", "throw-std.jpg", "throw-other.jpg", "d.jpg"} << true << -1
            << QStringList{"a.jpg 1 a_new.jpg ok",
                           "throw-std.jpg 2 throw-std_new.jpg internal error: disk on fire",
                           "throw-other.jpg 3 throw-other_new.jpg internal error", "d.jpg 4 d_new.jpg ok"}
            << false;
        // b.png's output is a.png's: the plan refuses it without a render.
        QTest::newRow("a refused photo is answered in its place without a render")
            << 3 << QStringList{"a.png", "b.jpg", "a.gif", "c.jpg"} << true << -1
            << QStringList{"a.png 1 a_new.jpg ok", "b.jpg 2 b_new.jpg ok", "a.gif 3 a_new.jpg not rendered",
                           "c.jpg 4 c_new.jpg ok"}
            << false;
    }

    void answers()
    {
        QFETCH(int, threads);
        QFETCH(QStringList, photos);
        QFETCH(bool, tagged);
        QFETCH(int, stopAfter);
        QFETCH(QStringList, expected);
        QFETCH(bool, stopped);

        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QStringList paths;
        for (const QString& name : photos)
            paths << folder.filePath(name);
        OutputSettings output;
        output.OutputFileNameOpts = OutputSettings::AddSuffix;
        output.OutputFileNameSuffix = QStringLiteral("_new");

        QMutex lock;
        QHash<QString, BatchRunner::Task> rendered;
        BatchRunner runner(output, paths, [&](const BatchRunner::Task& task) {
            const QString name = QFileInfo(task.photo.path).fileName();
            {
                QMutexLocker locked(&lock);
                rendered.insert(task.photo.path, task);
            }
            QThread::msleep((photos.size() - task.number) % 3); // later photos tend to finish first
            if (name == QLatin1String("throw-std.jpg"))
                throw std::runtime_error("disk on fire");
            if (name == QLatin1String("throw-other.jpg"))
                throw 42;
            return ComposeOutcome(Outcome::success(), task.plannedOutput);
        });

        int taken = 0;
        QStringList answers;
        const BatchRunner::Totals totals = runner.run(
            threads,
            [&]() -> std::optional<BatchRunner::Photo> {
                if (taken >= paths.size())
                    return std::nullopt;
                const int index = taken++;
                return BatchRunner::Photo{paths.at(index), tagged ? index : -1};
            },
            [&](const BatchRunner::Photo& photo, const ComposeOutcome& outcome) {
                QMutexLocker locked(&lock);
                const auto task = rendered.constFind(photo.path);
                const QString result = outcome.ok()                  ? QStringLiteral("ok")
                                       : task == rendered.constEnd() ? QStringLiteral("not rendered")
                                                                     : outcome.sentence();
                const QString planned = task == rendered.constEnd()
                                            ? QStringLiteral("a_new.jpg")
                                            : QFileInfo(task->plannedOutput).fileName();
                const int number = task == rendered.constEnd() ? answers.size() + 1 : task->number;
                answers << QStringLiteral("%1 %2 %3 %4")
                               .arg(QFileInfo(photo.path).fileName())
                               .arg(number)
                               .arg(planned, result);
            },
            [&]() { return stopAfter >= 0 && answers.size() >= stopAfter; });

        QCOMPARE(answers, expected);
        QCOMPARE(totals.taken, int(expected.size()));
        QCOMPARE(totals.stopped, stopped);
    }
};

QTEST_GUILESS_MAIN(BatchRunnerTest)
#include "tst_BatchRunner.moc"
