#include "pngencoder.h"

#include <QImage>

#include <spng.h>

#include <memory>
#include <vector>

namespace {

int filterChoice(PngFilter filter)
{
    switch (filter) {
    case PngFilter::None:
        return SPNG_FILTER_CHOICE_NONE;
    case PngFilter::Sub:
        return SPNG_FILTER_CHOICE_SUB;
    case PngFilter::Up:
        return SPNG_FILTER_CHOICE_UP;
    case PngFilter::Average:
        return SPNG_FILTER_CHOICE_AVG;
    case PngFilter::Paeth:
        return SPNG_FILTER_CHOICE_PAETH;
    case PngFilter::Adaptive:
        break;
    }
    return SPNG_FILTER_CHOICE_ALL;
}

int appendTo(spng_ctx *, void *user, void *data, size_t length)
{
    static_cast<QByteArray *>(user)->append(static_cast<const char *>(data), qsizetype(length));
    return 0;
}

struct ContextFree
{
    void operator()(spng_ctx *context) const { spng_ctx_free(context); }
};

// One row of `image` as PNG samples: RGBA not premultiplied, or RGB. The
// renderer's premultiplied pixels are mostly fully transparent or opaque,
// which need no division.
void storeRow(const QImage &image, int y, bool alpha, uchar *out)
{
    const QRgb *in = reinterpret_cast<const QRgb *>(image.constScanLine(y));
    const bool premultiplied = image.format() == QImage::Format_ARGB32_Premultiplied;
    const int width = image.width();
    for (int x = 0; x < width; ++x) {
        QRgb pixel = in[x];
        if (premultiplied)
            pixel = qUnpremultiply(pixel);
        *out++ = uchar(qRed(pixel));
        *out++ = uchar(qGreen(pixel));
        *out++ = uchar(qBlue(pixel));
        if (alpha)
            *out++ = uchar(qAlpha(pixel));
    }
}

} // namespace

QByteArray encodePng(const QImage &image, QString *error, const PngSettings &settings)
{
    if (image.isNull()) {
        *error = QStringLiteral("no picture to write");
        return {};
    }
    // 32-bit pixels are converted row by row; anything else first as a whole.
    const bool alpha = image.hasAlphaChannel();
    QImage pixels = image;
    if (image.format() != QImage::Format_ARGB32_Premultiplied &&
        image.format() != QImage::Format_ARGB32 && image.format() != QImage::Format_RGB32)
        pixels = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (pixels.isNull()) {
        *error = QStringLiteral("not enough memory to encode the picture");
        return {};
    }
    const size_t rowBytes = size_t(pixels.width()) * (alpha ? 4 : 3);
    std::vector<uchar> row(rowBytes);

    QByteArray png;
    std::unique_ptr<spng_ctx, ContextFree> context(spng_ctx_new(SPNG_CTX_ENCODER));
    spng_ihdr header = {};
    header.width = uint32_t(pixels.width());
    header.height = uint32_t(pixels.height());
    header.bit_depth = 8;
    header.color_type = alpha ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA : SPNG_COLOR_TYPE_TRUECOLOR;
    int status = context ? 0 : SPNG_EMEM;
    const auto step = [&status](int result) {
        if (status == 0)
            status = result;
    };
    if (context) {
        spng_ctx *encoder = context.get();
        step(spng_set_png_stream(encoder, appendTo, &png));
        step(spng_set_ihdr(encoder, &header));
        if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0) {
            spng_phys phys = {uint32_t(image.dotsPerMeterX()), uint32_t(image.dotsPerMeterY()), 1};
            step(spng_set_phys(encoder, &phys));
        }
        step(spng_set_option(encoder, SPNG_IMG_COMPRESSION_LEVEL, settings.level));
        step(spng_set_option(encoder, SPNG_IMG_COMPRESSION_STRATEGY, settings.strategy));
        step(spng_set_option(encoder, SPNG_FILTER_CHOICE, filterChoice(settings.filter)));
        step(spng_encode_image(encoder, nullptr, 0, SPNG_FMT_PNG,
                               SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE));
        for (int y = 0; y < pixels.height() && status == 0; ++y) {
            storeRow(pixels, y, alpha, row.data());
            const int result = spng_encode_row(encoder, row.data(), rowBytes);
            // The last row ends the image.
            step(result == SPNG_EOI && y == pixels.height() - 1 ? 0 : result);
        }
    }
    if (status != 0) {
        *error = QStringLiteral("cannot encode the picture as PNG: %1")
                     .arg(QString::fromUtf8(spng_strerror(status)));
        return {};
    }
    return png;
}
