#include <QSet>
#include <QTest>

#include <cmath>
#include <thread>
#include <vector>

#include "services/sample/SamplePicture.h"

class SamplePictureTest : public QObject
{
    Q_OBJECT

private slots:
    void hasTheDesignCanvasSize()
    {
        const QImage picture = samplePicture();
        QCOMPARE(picture.size(), QSize(677, 625));
        QCOMPARE(picture.format(), QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < picture.height(); y += 13)
            for (int x = 0; x < picture.width(); x += 13)
                QCOMPARE(qAlpha(picture.pixel(x, y)), 255);
    }

    // A real-looking picture: many colours, a wide range of brightness, bright sky above
    // and darker ground below, and fine grain (neighbouring pixels differ). The picture is
    // saved for a person to judge as well.
    void looksLikeAPhoto()
    {
        const QImage picture = samplePicture();
        QSet<QRgb> colours;
        double sum = 0, squares = 0;
        double top = 0, bottom = 0;
        int grainy = 0;
        const int count = picture.width() * picture.height();
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb p = picture.pixel(x, y);
                colours.insert(p & 0xFFFFFF);
                const int luma = qGray(p);
                sum += luma;
                squares += double(luma) * luma;
                (y < picture.height() / 3 ? top : bottom) += luma;
                if (x > 0 && qGray(picture.pixel(x - 1, y)) != luma)
                    ++grainy;
            }
        }
        const double mean = sum / count;
        const double deviation = std::sqrt(squares / count - mean * mean);
        QVERIFY2(colours.size() > 20000, qPrintable(QString::number(colours.size())));
        QVERIFY2(deviation > 25, qPrintable(QString::number(deviation)));
        QVERIFY(top / (count / 3.0) > bottom / (count * 2 / 3.0));
        QVERIFY(grainy > count / 2);
        QVERIFY(picture.save(QStringLiteral(LUMORA_BUILD_DIR "/screenshots/sample_picture.png")));
    }

    void sharedAndDetached()
    {
        QImage first = samplePicture();
        first.fill(Qt::black);
        QVERIFY(samplePicture() != first);

        std::vector<QImage> copies(4);
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i)
            threads.emplace_back([&copies, i] { copies[size_t(i)] = samplePicture(); });
        for (std::thread& thread : threads)
            thread.join();
        for (const QImage& copy : copies)
            QCOMPARE(copy, samplePicture());
    }
};

QTEST_GUILESS_MAIN(SamplePictureTest)
#include "tst_SamplePicture.moc"
