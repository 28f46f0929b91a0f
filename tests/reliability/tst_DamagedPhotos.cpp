// Damaged photos through lumora-batch: a photo whose data ends before its last row is never
// stamped (no picture half grey): it gets a failure line with the reason, nothing is written
// and the exit status is 1, in a batch run and in the output preview alike. A photo that lacks
// only its end marker still has every row and is stamped exactly as the whole file.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <png.h>

#include "BatchFixture.h"
#include "HostileBytes.h"
#include "support/ChildProcess.h"
#include "support/TestPictures.h"

namespace {

const QString kEndsEarly = QStringLiteral("the photo is damaged: its data ends early");

// The offset of the n-th start-of-scan marker (from 1), -1 when there is none.
qsizetype scanOffset(const QByteArray& jpeg, int n)
{
    qsizetype at = -1;
    for (int i = 0; i < n; ++i) {
        at = jpeg.indexOf("\xFF\xDA", at + 1);
        if (at < 0)
            return -1;
    }
    return at;
}

} // namespace

class DamagedPhotosTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cutPhotosFail_data();
    void cutPhotosFail();
    void photosMissingOnlyTheirEndAreStamped_data();
    void photosMissingOnlyTheirEndAreStamped();

private:
    QString write(const QString& name, const QByteArray& data) const;
    QString outputOf(const QString& photo) const
    {
        return m_out + QLatin1Char('/') + QFileInfo(photo).completeBaseName() + QStringLiteral("_new.jpg");
    }

    QTemporaryDir m_root;
    QString m_photos;
    QString m_out;
    BatchFixture m_fixture;
};

QString DamagedPhotosTest::write(const QString& name, const QByteArray& data) const
{
    const QString path = m_photos + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size())
        return QString();
    return path;
}

void DamagedPhotosTest::initTestCase()
{
    QVERIFY(m_root.isValid());
    m_photos = m_root.filePath(QStringLiteral("photos"));
    m_out = m_root.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(m_photos));
    QVERIFY2(m_fixture.prepare(m_root.path(), m_out, 0), qPrintable(m_fixture.error()));
}

void DamagedPhotosTest::cutPhotosFail_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("preview");  // --preview instead of a batch run
    QTest::addColumn<bool>("lossless"); // --lossless

    const QImage picture = TestPictures::detailed(400, 300);
    const QByteArray jpeg = TestPictures::jpeg(picture);
    for (const int quarter : {1, 2, 3})
        QTest::addRow("jpeg at %d/4", quarter) << QStringLiteral("jpeg%1.jpg").arg(quarter)
                                               << jpeg.left(jpeg.size() * quarter / 4) << false << false;
    QTest::newRow("jpeg at 1/2, output preview")
        << "preview.jpg" << jpeg.left(jpeg.size() / 2) << true << false;
    const QByteArray restart = TestPictures::jpeg(picture, TestPictures::Kind::Restart);
    QTest::newRow("jpeg with restart markers at 1/2")
        << "restart.jpg" << restart.left(restart.size() / 2) << false << false;
    const QByteArray progressive = TestPictures::jpeg(picture, TestPictures::Kind::Progressive);
    QVERIFY(scanOffset(progressive, 3) > 0);
    QTest::newRow("progressive jpeg between its 2nd and 3rd scan")
        << "progressive.jpg" << progressive.left(scanOffset(progressive, 3)) << false << false;
    // Cut and padded with zeros to the old length: the zeros decode as rows of one flat colour
    // without a word from libjpeg, and what follows the last row is no marker.
    const auto zeroTail = [](const QByteArray& whole) {
        return whole.left(whole.size() / 3) + QByteArray(whole.size() - whole.size() / 3, '\0');
    };
    // A smooth picture with Huffman tables fitted to it (as cameras and most programs write
    // them) takes few bytes a row, and zeros decode as few bits a block: the zeros outlast its
    // rows.
    QImage smooth(1600, 1000, QImage::Format_RGB32);
    {
        QPainter painter(&smooth);
        QLinearGradient gradient(0, 0, 0, smooth.height());
        gradient.setColorAt(0, Qt::blue);
        gradient.setColorAt(1, Qt::yellow);
        painter.fillRect(smooth.rect(), gradient);
    }
    QByteArray large;
    {
        QBuffer buffer(&large);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(95);
        writer.setOptimizedWrite(true);
        QVERIFY(writer.write(smooth));
    }
    QTest::newRow("jpeg, last 2/3 zeros") << "zeros.jpg" << zeroTail(large) << false << false;
    QTest::newRow("jpeg, last 2/3 zeros, lossless")
        << "zeros-lossless.jpg" << zeroTail(large) << false << true;
    QTest::newRow("jpeg, zeros after its last row")
        << "zeros-after.jpg" << QByteArray(jpeg.chopped(2) + QByteArray(4096, '\0')) << false << false;
    const QByteArray png = TestPictures::withQt(picture, "PNG");
    QTest::newRow("png at 1/2") << "half.png" << png.left(png.size() / 2) << false << false;
    TestPictures::PngRecipe interlaced;
    interlaced.width = 400;
    interlaced.height = 300;
    interlaced.interlaced = true;
    const QByteArray adam7 = TestPictures::png(interlaced);
    QTest::newRow("interlaced png at 3/4")
        << "interlaced.png" << adam7.left(adam7.size() * 3 / 4) << false << false;
    const QByteArray strips = HostileBytes::tiffWithDirectoryFirst(picture, false);
    QTest::newRow("tiff strips at 1/2") << "strips.tiff" << strips.left(strips.size() / 2) << false << false;
    const QByteArray tiles = HostileBytes::tiffWithDirectoryFirst(picture, true, 16, true);
    QTest::newRow("tiff tiles at 1/2") << "tiles.tiff" << tiles.left(tiles.size() / 2) << false << false;
    const QByteArray gif = TestPictures::compressedGif(picture);
    QTest::newRow("gif at 1/2") << "half.gif" << gif.left(gif.size() / 2) << false << false;
    const QByteArray bmp = TestPictures::withQt(picture, "BMP");
    QTest::newRow("bmp at 1/2") << "half.bmp" << bmp.left(bmp.size() / 2) << false << false;
}

void DamagedPhotosTest::cutPhotosFail()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    QFETCH(bool, preview);
    QFETCH(bool, lossless);
    const QString photo = write(name, data);
    QVERIFY(!photo.isEmpty());
    const QString target = preview ? m_root.filePath(QStringLiteral("preview.png")) : outputOf(photo);
    QStringList arguments = preview ? QStringList{QStringLiteral("--preview"), photo, target}
                                    : QStringList{QStringLiteral("--jobs"), QStringLiteral("1"), photo};
    if (lossless)
        arguments.prepend(QStringLiteral("--lossless"));
    const ChildProcess::Result run = m_fixture.batch(arguments).run(60);
    const QString context = QStringLiteral("%1; stdout: %2; stderr: %3")
                                .arg(run.describe(), QString::fromUtf8(run.out), QString::fromUtf8(run.err));
    QVERIFY2(run.exitedNormally() && run.exitCode == 1, qPrintable(context));
    QVERIFY2(run.errLines().contains(photo + QStringLiteral(": ") + kEndsEarly), qPrintable(context));
    QVERIFY2(run.outLines().isEmpty(), qPrintable(context));
    QVERIFY2(!QFileInfo::exists(target), qPrintable(target));
}

void DamagedPhotosTest::photosMissingOnlyTheirEndAreStamped_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QByteArray>("whole");
    QTest::addColumn<int>("spare"); // bytes cut off the end: an end marker, nothing of the pixels

    const QImage picture = TestPictures::detailed(400, 300);
    QTest::newRow("jpeg without its end marker") << "jpg" << TestPictures::jpeg(picture) << 2;
    QTest::newRow("progressive jpeg without its end marker")
        << "jpg" << TestPictures::jpeg(picture, TestPictures::Kind::Progressive) << 2;
    QTest::newRow("png without its end chunk") << "png" << TestPictures::withQt(picture, "PNG") << 12;
    QTest::newRow("gif without its trailer") << "gif" << TestPictures::compressedGif(picture) << 1;
}

void DamagedPhotosTest::photosMissingOnlyTheirEndAreStamped()
{
    QFETCH(QString, extension);
    QFETCH(QByteArray, whole);
    QFETCH(int, spare);
    const QString base = QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-');
    const QString complete = write(base + QStringLiteral("-whole.") + extension, whole);
    const QString cut = write(base + QStringLiteral("-cut.") + extension, whole.chopped(spare));
    QVERIFY(!complete.isEmpty() && !cut.isEmpty());
    const ChildProcess::Result run =
        m_fixture.batch({QStringLiteral("--jobs"), QStringLiteral("1"), complete, cut}).run(60);
    QVERIFY2(run.exitedNormally() && run.exitCode == 0,
             qPrintable(run.describe() + QStringLiteral("; stderr: ") + QString::fromUtf8(run.err)));
    QCOMPARE(run.outLines(), QStringList({outputOf(complete), outputOf(cut)}));
    QFile a(outputOf(complete));
    QFile b(outputOf(cut));
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QByteArray stampedWhole = a.readAll();
    QVERIFY(!stampedWhole.isEmpty());
    QVERIFY2(b.readAll() == stampedWhole, "the outputs differ");
}

QTEST_GUILESS_MAIN(DamagedPhotosTest)
#include "tst_DamagedPhotos.moc"
