// Paints the built-in 677 x 625 sample picture and writes it as PNG to the path given.
#include <QImage>
#include <QString>

#include <cstdio>

#include "LandscapePainter.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.png>\n", argv[0]);
        return 2;
    }
    const QImage picture = LandscapePainter(677, 625, 20240611u).paint();
    if (!picture.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
