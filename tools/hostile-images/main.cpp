// Writes the hostile picture set into a folder (optionally made from pictures of another
// size than 256 x 192), with "manifest.tsv" listing each file, the
// expected outcome (stamp, refuse, either), the upright size of a correct output and what the
// file exercises.
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

#include "HostileImageSet.h"

int main(int argc, char* argv[])
{
    // Pictures are painted off screen: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    QSize size(256, 192);
    if (args.size() == 4 && args.at(2) == QLatin1String("--size")) {
        const QStringList parts = args.at(3).split(QLatin1Char('x'));
        if (parts.size() == 2)
            size = QSize(parts[0].toInt(), parts[1].toInt());
    }
    if ((args.size() != 2 && args.size() != 4) || size.width() < 8 || size.height() < 8 ||
        size.width() > 4096 || size.height() > 4096) {
        QTextStream(stderr) << "usage: lumora-make-hostile-images FOLDER [--size WxH]\n";
        return 2;
    }
    const QString folder = args.at(1);
    const QList<HostileImageSet::Entry> entries = HostileImageSet::write(folder, size);
    QFile manifest(folder + QStringLiteral("/manifest.tsv"));
    if (!manifest.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        QTextStream(stderr) << "cannot write " << manifest.fileName() << '\n';
        return 1;
    }
    QTextStream out(&manifest);
    for (const HostileImageSet::Entry& e : entries) {
        out << e.name << '\t' << HostileImageSet::expectName(e.expect) << '\t' << e.size.width() << 'x'
            << e.size.height() << '\t' << e.what << '\n';
    }
    QTextStream(stdout) << entries.size() << " files in " << folder << '\n';
    return 0;
}
