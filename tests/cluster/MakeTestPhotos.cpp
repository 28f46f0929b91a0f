// Paints COUNT photos, each different, into FOLDER as JPEG (photo-001.jpg ...), for the
// multi-host tests: sizes, colours and shapes change with the number, so that two photos
// never stamp to the same output.
//
//   lumora-make-test-photos COUNT FOLDER
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    bool ok = false;
    const int count = arguments.size() == 3 ? arguments.at(1).toInt(&ok) : 0;
    if (!ok || count < 1 || count > 100000) {
        std::fprintf(stderr, "usage: lumora-make-test-photos COUNT FOLDER\n");
        return 2;
    }
    const QDir folder(arguments.at(2));
    if (!QDir().mkpath(folder.path()))
        return 1;
    for (int i = 1; i <= count; ++i) {
        QImage image(QSize(240 + (i * 7) % 80, 160 + (i * 11) % 60), QImage::Format_RGB32);
        image.fill(QColor::fromHsv((i * 37) % 360, 90 + i % 100, 200));
        QPainter painter(&image);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromHsv((i * 97) % 360, 220, 110));
        painter.drawEllipse(QRect(i % 90, i % 50, 60 + i % 70, 40 + i % 50));
        painter.setBrush(QColor::fromHsv((i * 53) % 360, 160, 60));
        painter.drawRect(QRect(image.width() - 50 - i % 40, image.height() - 40, 30 + i % 20, 25));
        painter.end();
        if (!image.save(folder.filePath(QStringLiteral("photo-%1.jpg").arg(i, 3, 10, QLatin1Char('0'))),
                        "JPEG", 90))
            return 1;
    }
    return 0;
}
