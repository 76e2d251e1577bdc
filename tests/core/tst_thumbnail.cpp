#include "gallery/thumbnail.h"

#include <QTest>

// The picture a file manager shows for a multi: its painted pixels, reduced
// to fit the size asked, never enlarged.
class tst_Thumbnail : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fits_data();
    void fits();
};

namespace {

enum Pattern
{
    Halves,  // the left half red, the right half blue
    Checker, // opaque and transparent pixels in turn
};

// A rendered picture: `painted` pixels in the pattern, inside a transparent
// margin of 40 pixels, as the renderer leaves one.
QImage rendered(QSize painted, Pattern pattern)
{
    QImage image(painted + QSize(80, 80), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (int y = 0; y < painted.height(); ++y) {
        for (int x = 0; x < painted.width(); ++x) {
            const QRgb colour = pattern == Checker
                                    ? ((x + y) % 2 ? qRgba(0, 0, 0, 0) : qRgb(0, 160, 0))
                                : x < painted.width() / 2 ? qRgb(255, 0, 0)
                                                          : qRgb(0, 0, 255);
            image.setPixel(x + 40, y + 40, colour);
        }
    }
    // The corner pixels are painted, so that the picture's bounds are known.
    image.setPixel(40, 40, qRgb(255, 0, 0));
    image.setPixel(40 + painted.width() - 1, 40 + painted.height() - 1, qRgb(0, 0, 255));
    return image;
}

} // namespace

void tst_Thumbnail::fits_data()
{
    QTest::addColumn<QSize>("painted");
    QTest::addColumn<int>("size");
    QTest::addColumn<QSize>("expected");
    QTest::addColumn<int>("pattern");

    QTest::newRow("as large as the size: as it is")
        << QSize(100, 60) << 100 << QSize(100, 60) << int(Halves);
    QTest::newRow("one pixel wider: reduced")
        << QSize(101, 60) << 100 << QSize(100, 59) << int(Halves);
    QTest::newRow("smaller: never enlarged")
        << QSize(30, 20) << 256 << QSize(30, 20) << int(Halves);
    QTest::newRow("a line: a pixel wide at least")
        << QSize(2, 5000) << 100 << QSize(1, 100) << int(Halves);
    QTest::newRow("fine detail, averaged")
        << QSize(200, 200) << 100 << QSize(100, 100) << int(Checker);
}

void tst_Thumbnail::fits()
{
    QFETCH(QSize, painted);
    QFETCH(int, size);
    QFETCH(QSize, expected);
    QFETCH(int, pattern);

    RenderStatus status = RenderStatus::NoReaders;
    const QImage picture = thumbnailPicture(rendered(painted, Pattern(pattern)), size, &status)
                               .convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(status, RenderStatus::Rendered);
    QCOMPARE(picture.size(), expected);

    if (pattern == Checker) {
        // Each pixel merges two painted and two transparent ones: half
        // covered, never all or nothing as a pick of one pixel would be.
        for (int y = 1; y < picture.height() - 1; y += 7) {
            for (int x = 1; x < picture.width() - 1; x += 7) {
                const QRgb pixel = picture.pixel(x, y);
                QVERIFY2(qAlpha(pixel) > 100 && qAlpha(pixel) < 155,
                         qPrintable(
                             QStringLiteral("alpha %1 at %2,%3").arg(qAlpha(pixel)).arg(x).arg(y)));
                QVERIFY(qAbs(qGreen(pixel) - 160) <= 2);
            }
        }
        return;
    }
    // The margin is gone: the corners are the picture's painted corners.
    const QRgb left = picture.pixel(0, expected.height() / 2);
    const QRgb right = picture.pixel(expected.width() - 1, expected.height() / 2);
    QCOMPARE(qAlpha(left), 255);
    QCOMPARE(qAlpha(right), 255);
    if (expected.width() > 1) {
        QVERIFY(qRed(left) > 200 && qBlue(left) < 50);
        QVERIFY(qBlue(right) > 200 && qRed(right) < 50);
    }
}

QTEST_GUILESS_MAIN(tst_Thumbnail)
#include "tst_thumbnail.moc"
