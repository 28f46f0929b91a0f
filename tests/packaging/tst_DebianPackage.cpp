// The Debian package, built by CPack from this build folder as scripts/package.sh builds it
// from a Release one: its control fields and dependencies, apt's view of it, lintian's
// verdict, and the programs run from the package's files (unpacked with dpkg-deb -x, with
// the libraries and Qt plugins of the system): lumora-batch stamps a photo, the desktop
// program draws its main window on a virtual screen.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "PackagingTools.h"

using namespace packaging;

namespace {

// The environment of a program run from the unpacked package: nothing points into the build.
QProcessEnvironment packageEnvironment(const QString& home)
{
    QProcessEnvironment environment = isolatedEnvironment(home);
    for (const QString& name : {QStringLiteral("LD_LIBRARY_PATH"), QStringLiteral("QT_PLUGIN_PATH"),
                                QStringLiteral("QT_QPA_PLATFORM_PLUGIN_PATH")})
        environment.remove(name);
    return environment;
}

// The package names of a Depends-like field ("a (>= 1), b | c" gives a, b, c).
QSet<QString> packageNames(const QString& field)
{
    QSet<QString> names;
    for (const QString& alternative :
         field.split(QRegularExpression(QStringLiteral("[,|]")), Qt::SkipEmptyParts)) {
        const QString name =
            alternative.trimmed().section(QLatin1Char(' '), 0, 0).section(QLatin1Char(':'), 0, 0);
        if (!name.isEmpty())
            names.insert(name);
    }
    return names;
}

} // namespace

class DebianPackageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void controlFields_data();
    void controlFields();
    void aptCanInstallThePackage();
    void lintianFindsNoError();
    void batchProgramStampsAPhoto();
    void desktopProgramDrawsItsWindow();

private:
    QString field(const QString& name) const;

    QTemporaryDir m_work;
    QString m_deb;
    QString m_root; // the package's files, unpacked
};

void DebianPackageTest::initTestCase()
{
    const QStringList missing = missingTools({QStringLiteral("dpkg-deb"), QStringLiteral("dpkg-shlibdeps")});
    if (!missing.isEmpty())
        QSKIP(qPrintable(
            QStringLiteral("needs %1 (Debian package dpkg-dev)").arg(missing.join(QStringLiteral(", ")))));
    QVERIFY(m_work.isValid());

    const QString output = m_work.filePath(QStringLiteral("package"));
    const ToolResult cpack =
        runTool(QStringLiteral(LUMORA_CPACK_COMMAND),
                {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                 kBuildDir + QStringLiteral("/CPackConfig.cmake"), QStringLiteral("-B"), output},
                600, QProcessEnvironment::systemEnvironment(), m_work.path());
    QVERIFY2(cpack.succeeded(), qPrintable(cpack.outText() + cpack.describe()));
    const QStringList debs = QDir(output).entryList({QStringLiteral("lumora-plenum_*.deb")}, QDir::Files);
    QCOMPARE(debs.size(), 1);
    m_deb = output + QLatin1Char('/') + debs.first();

    m_root = m_work.filePath(QStringLiteral("root"));
    const ToolResult unpack = runTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), m_deb, m_root}, 120);
    QVERIFY2(unpack.succeeded(), qPrintable(unpack.describe()));
}

QString DebianPackageTest::field(const QString& name) const
{
    return runTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), m_deb, name}, 60).outText().trimmed();
}

void DebianPackageTest::controlFields_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");       // the whole value, when not empty
    QTest::addColumn<QStringList>("holding"); // package names the field must list

    const QString architecture =
        runTool(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")}, 60).outText().trimmed();
    QTest::newRow("Package") << QStringLiteral("Package") << QStringLiteral("lumora-plenum") << QStringList();
    QTest::newRow("Version") << QStringLiteral("Version") << kVersion << QStringList();
    QTest::newRow("Architecture") << QStringLiteral("Architecture") << architecture << QStringList();
    QTest::newRow("Section") << QStringLiteral("Section") << QStringLiteral("graphics") << QStringList();
    QTest::newRow("Maintainer") << QStringLiteral("Maintainer")
                                << QStringLiteral("Lumora Plenum developers <dev@lumora-plenum.invalid>")
                                << QStringList();
    // The libraries come from dpkg-shlibdeps; fonts and plugins that no library link shows are
    // named by hand.
    QTest::newRow("Depends") << QStringLiteral("Depends") << QString()
                             << QStringList{QStringLiteral("libc6"),
                                            QStringLiteral("libqt6core6"),
                                            QStringLiteral("libqt6gui6"),
                                            QStringLiteral("libqt6widgets6"),
                                            QStringLiteral("libqt6dbus6"),
                                            QStringLiteral("libjpeg62-turbo"),
                                            QStringLiteral("libtiff6"),
                                            QStringLiteral("libheif1"),
                                            QStringLiteral("libwebp7"),
                                            QStringLiteral("libwebpdemux2"),
                                            QStringLiteral("libwebpmux3"),
                                            QStringLiteral("liblcms2-2"),
                                            QStringLiteral("fonts-wqy-microhei"),
                                            QStringLiteral("qt6-image-formats-plugins"),
                                            QStringLiteral("qt6-translations-l10n")};
    QTest::newRow("Recommends") << QStringLiteral("Recommends") << QString()
                                << QStringList{QStringLiteral("fonts-wine")};
}

void DebianPackageTest::controlFields()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(QStringList, holding);
    const QString got = field(name);
    if (!value.isEmpty())
        QCOMPARE(got, value);
    const QSet<QString> names = packageNames(got);
    for (const QString& package : holding)
        QVERIFY2(names.contains(package),
                 qPrintable(QStringLiteral("%1 does not list %2: %3").arg(name, package, got)));
}

void DebianPackageTest::aptCanInstallThePackage()
{
    // A simulated installation: every dependency must be a package that apt knows (installed
    // or available), in a version that satisfies the field.
    if (findTool(QStringLiteral("apt-get")).isEmpty())
        QSKIP("apt-get is not installed");
    const ToolResult simulation = runTool(QStringLiteral("apt-get"),
                                          {QStringLiteral("install"), QStringLiteral("--simulate"),
                                           QStringLiteral("--no-install-recommends"), m_deb},
                                          300);
    QVERIFY2(simulation.succeeded(), qPrintable(simulation.outText() + simulation.describe()));
    QVERIFY2(simulation.outText().contains(QRegularExpression(QStringLiteral("^Inst lumora-plenum "),
                                                              QRegularExpression::MultilineOption)),
             qPrintable(simulation.outText()));
}

void DebianPackageTest::lintianFindsNoError()
{
    if (findTool(QStringLiteral("lintian")).isEmpty())
        QSKIP("lintian is not installed (Debian package lintian)");
    const ToolResult lintian = runTool(QStringLiteral("lintian"), {m_deb}, 600);
    QVERIFY2(lintian.finished && !lintian.crashed, qPrintable(lintian.describe()));
    // Exit status 1 means lintian itself failed; 2 means it found errors (E:), which the
    // lines below name.
    QVERIFY2(lintian.exitCode != 1, qPrintable(lintian.describe()));
    QStringList errors;
    for (const QString& line : lintian.outLines()) {
        if (line.startsWith(QStringLiteral("E: ")))
            errors.append(line);
    }
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
    QCOMPARE(lintian.exitCode, 0);
}

void DebianPackageTest::batchProgramStampsAPhoto()
{
    const QString program = m_root + QStringLiteral("/usr/bin/lumora-batch");
    const QString home = m_work.filePath(QStringLiteral("batch-home"));
    const QProcessEnvironment environment = packageEnvironment(home);

    const ToolResult version = runTool(program, {QStringLiteral("--version")}, 60, environment);
    QVERIFY2(version.succeeded(), qPrintable(version.describe()));
    QCOMPARE(version.outText().trimmed(), QStringLiteral("lumora-batch ") + kVersion);

    const QString photo = m_work.filePath(QStringLiteral("photos/lakeside-dawn.jpg"));
    QVERIFY(QDir().mkpath(QFileInfo(photo).absolutePath()));
    QVERIFY(QFile::copy(kBuildDir + QStringLiteral("/demo-photos/lakeside-dawn.jpg"), photo));
    const ToolResult stamp =
        runTool(program, {QStringLiteral("--jobs"), QStringLiteral("1"), photo}, 120, environment);
    QVERIFY2(stamp.succeeded(), qPrintable(stamp.describe()));
    QCOMPARE(stamp.outLines().size(), 1);
    const QString written = stamp.outLines().first();
    QVERIFY2(written != photo && QFileInfo(written).isFile(), qPrintable(written));

    // The output is the photo with the demonstration watermark drawn onto it.
    const QImage source(photo);
    const QImage output(written);
    QVERIFY(!source.isNull());
    QVERIFY2(!output.isNull(), qPrintable(written));
    QCOMPARE(output.size(), source.size());
    const QImage a = source.convertToFormat(QImage::Format_RGB32);
    const QImage b = output.convertToFormat(QImage::Format_RGB32);
    qint64 changed = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            if (qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q)) > 96)
                ++changed;
        }
    }
    QVERIFY2(changed > 500, qPrintable(QStringLiteral("only %1 pixels changed: no watermark").arg(changed)));
}

void DebianPackageTest::desktopProgramDrawsItsWindow()
{
    const QStringList missing =
        missingTools({QStringLiteral("xvfb-run"), QStringLiteral("xwininfo"), QStringLiteral("import")});
    if (!missing.isEmpty())
        QSKIP(qPrintable(QStringLiteral("needs %1 (Debian packages xvfb, x11-utils, imagemagick)")
                             .arg(missing.join(QStringLiteral(", ")))));
    const QString out = m_work.filePath(QStringLiteral("desktop"));
    QVERIFY(QDir().mkpath(out));
    QProcessEnvironment environment = packageEnvironment(m_work.filePath(QStringLiteral("desktop-home")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));

    // On the virtual screen: start the program, wait for its window (10 s at most), give it a
    // moment to paint, list the windows and take a picture of the screen, then end it.
    const QString script = QStringLiteral(R"(
        program=$1 out=$2
        "$program" >"$out/program.log" 2>&1 &
        pid=$!
        for i in $(seq 100); do
            kill -0 "$pid" 2>/dev/null || break
            xwininfo -root -tree 2>/dev/null | grep -q '"Lumora Plenum"' && break
            sleep 0.1
        done
        sleep 1.5
        xwininfo -root -tree >"$out/windows.txt" 2>&1
        import -window root "$out/screen.png"
        if kill -0 "$pid" 2>/dev/null; then
            echo running >"$out/state"
            kill "$pid"
        else
            wait "$pid"
            echo "ended with status $?" >"$out/state"
        fi
        wait
    )");
    const ToolResult run =
        runTool(QStringLiteral("xvfb-run"),
                {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1024x768x24"),
                 QStringLiteral("bash"), QStringLiteral("-c"), script, QStringLiteral("bash"),
                 m_root + QStringLiteral("/usr/bin/lumora-plenum"), out},
                120, environment);
    QVERIFY2(run.finished, qPrintable(run.describe()));

    auto text = [&out](const QString& name) {
        QFile file(out + QLatin1Char('/') + name);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    QVERIFY2(text(QStringLiteral("state")).trimmed() == QLatin1String("running"),
             qPrintable(text(QStringLiteral("state")) + text(QStringLiteral("program.log")) + run.errText()));

    // The main window (803 x 580; an error box would be far smaller), where it is on screen.
    static const QRegularExpression window(
        QStringLiteral("\"Lumora Plenum\".*\\s(\\d+)x(\\d+)[+-]\\d+[+-]\\d+\\s+\\+(-?\\d+)\\+(-?\\d+)"));
    QRect area;
    for (const QString& line : text(QStringLiteral("windows.txt")).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = window.match(line);
        if (match.hasMatch() && match.captured(1).toInt() >= 800 && match.captured(2).toInt() >= 500) {
            area = QRect(match.captured(3).toInt(), match.captured(4).toInt(), match.captured(1).toInt(),
                         match.captured(2).toInt());
            break;
        }
    }
    QVERIFY2(area.isValid(),
             qPrintable(QStringLiteral("no main window among: ") + text(QStringLiteral("windows.txt"))));

    // It drew itself: the window's part of the screen holds the skin's pictures and text, not
    // one flat colour.
    const QImage screen(out + QStringLiteral("/screen.png"));
    QVERIFY2(!screen.isNull(), "import took no picture of the screen");
    screen.save(kBuildDir + QStringLiteral("/screenshots/packaging_desktop_from_package.png"));
    const QImage drawn = screen.copy(area.intersected(screen.rect())).convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> colours;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x)
            colours.insert(drawn.pixel(x, y));
    }
    QVERIFY2(colours.size() >= 64,
             qPrintable(QStringLiteral("the window shows %1 colours").arg(colours.size())));
}

QTEST_GUILESS_MAIN(DebianPackageTest)
#include "tst_DebianPackage.moc"
