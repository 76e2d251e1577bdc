#include "cache/multicache.h"
#include "core/configuration.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"
#include "demoencoders.h"
#include "gallery/pngencoder.h"
#include "preview/multirenderer.h"

#include <QBuffer>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(PngSettings)

// The PNG writer on pictures of the demo set: what Qt's reader decodes is
// the picture, pixel for pixel.
class tst_PngEncoder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void decodesToThePicture_data();
    void decodesToThePicture();

private:
    QTemporaryDir work;
    QList<QImage> pictures; // the demo set's renderings that have a picture
};

void tst_PngEncoder::initTestCase()
{
    QString error;
    QVERIFY2(writeDemoSet(work.path(), false, &error), qPrintable(error));
    const Configuration files =
        readConfigurationFile(work.filePath(QLatin1String(DemoConfigName))).values;
    MultiCache cache;
    cache.load(files.cache);
    ArtStore art(files.artidx, files.artmul);
    TileDataStore tiles(files.tiledata);
    for (qsizetype n = 0; n < cache.size(); ++n) {
        RenderStatus status = RenderStatus::NoReaders;
        const QImage image = renderMultiEntry(cache.entry(n), &art, &tiles, &status);
        if (status == RenderStatus::Rendered)
            pictures.append(image);
    }
    QVERIFY(pictures.size() >= 3);
}

void tst_PngEncoder::decodesToThePicture_data()
{
    QTest::addColumn<QString>("background"); // "" for none: the transparent margin
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<PngSettings>("settings");

    const auto arguments = QImage::Format_ARGB32_Premultiplied;
    QTest::newRow("transparent margin, palette") << QString() << arguments << PngSettings{};
    QTest::newRow("transparent margin, RGBA")
        << QString() << arguments << PngSettings{5, 0, PngFilter::Up, false};
    QTest::newRow("opaque everywhere, level 9, every filter")
        << QStringLiteral("white") << arguments << PngSettings{9, 0, PngFilter::Adaptive, false};
    QTest::newRow("opaque everywhere, palette")
        << QStringLiteral("white") << arguments << PngSettings{};
    // More colours than a palette holds: RGBA after all.
    QTest::newRow("more than 256 colours")
        << QStringLiteral("gradient") << arguments << PngSettings{};
    // Premultiplied pixels of partial alpha are where rounding could creep in.
    QTest::newRow("partial alpha, run-length, Paeth")
        << QStringLiteral("#80336699") << arguments << PngSettings{6, 3, PngFilter::Paeth, false};
    QTest::newRow("partial alpha, not premultiplied, Sub")
        << QStringLiteral("#40ff0000") << QImage::Format_ARGB32
        << PngSettings{1, 1, PngFilter::Sub, false};
    // Without alpha: RGB rows, which need packing at odd widths.
    QTest::newRow("no alpha channel, odd width") << QStringLiteral("black") << QImage::Format_RGB888
                                                 << PngSettings{0, 0, PngFilter::None, false};
}

void tst_PngEncoder::decodesToThePicture()
{
    QFETCH(QString, background);
    QFETCH(QImage::Format, format);
    QFETCH(PngSettings, settings);

    for (const QImage &rendered : std::as_const(pictures)) {
        QImage picture = rendered;
        if (!background.isEmpty()) {
            QPainter painter(&picture);
            painter.setCompositionMode(QPainter::CompositionMode_DestinationOver);
            if (background == u"gradient") {
                QLinearGradient gradient(0, 0, picture.width(), picture.height());
                gradient.setColorAt(0, QColor(255, 0, 0, 40));
                gradient.setColorAt(1, QColor(0, 0, 255, 255));
                painter.fillRect(picture.rect(), gradient);
            } else {
                painter.fillRect(picture.rect(), QColor::fromString(background));
            }
        }
        picture = picture.convertToFormat(format);
        if (format == QImage::Format_RGB888 && picture.width() % 2 == 0)
            picture = picture.copy(0, 0, picture.width() - 1, picture.height());

        QString error;
        QByteArray png = encodePng(picture, &error, settings);
        QVERIFY2(!png.isEmpty() && error.isEmpty(), qPrintable(error));
        QBuffer buffer(&png);
        QImageReader reader(&buffer, "png");
        const QImage decoded = reader.read();
        QVERIFY2(!decoded.isNull(), qPrintable(reader.errorString()));
        if (!settings.palette) // a palette of opaque colours reads as an opaque picture
            QCOMPARE(decoded.hasAlphaChannel(), picture.hasAlphaChannel());
        QCOMPARE(decoded.dotsPerMeterX(), picture.dotsPerMeterX());
        const QImage::Format common = QImage::Format_ARGB32;
        QVERIFY(decoded.convertToFormat(common) == picture.convertToFormat(common));
    }
}

QTEST_GUILESS_MAIN(tst_PngEncoder)
#include "tst_pngencoder.moc"
