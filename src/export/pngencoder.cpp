#include "pngencoder.h"

#include <QImage>

#include <spng.h>

#include <memory>

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

} // namespace

QByteArray encodePng(const QImage &image, QString *error, const PngSettings &settings)
{
    if (image.isNull()) {
        *error = QStringLiteral("no picture to write");
        return {};
    }
    // Rows of exactly width x channels bytes: 32-bit rows need no padding,
    // 24-bit ones are packed by copying when they have any.
    const bool alpha = image.hasAlphaChannel();
    QImage pixels = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (pixels.isNull()) {
        *error = QStringLiteral("not enough memory to encode the picture");
        return {};
    }
    const int channels = alpha ? 4 : 3;
    const qsizetype rowBytes = qsizetype(pixels.width()) * channels;
    QByteArray packed;
    const uchar *data = pixels.constBits();
    if (pixels.bytesPerLine() != rowBytes) {
        packed.resize(rowBytes * pixels.height());
        for (int y = 0; y < pixels.height(); ++y)
            memcpy(packed.data() + rowBytes * y, pixels.constScanLine(y), size_t(rowBytes));
        data = reinterpret_cast<const uchar *>(packed.constData());
    }

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
        step(spng_set_png_stream(context.get(), appendTo, &png));
        step(spng_set_ihdr(context.get(), &header));
        if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0) {
            spng_phys phys = {uint32_t(image.dotsPerMeterX()), uint32_t(image.dotsPerMeterY()), 1};
            step(spng_set_phys(context.get(), &phys));
        }
        step(spng_set_option(context.get(), SPNG_IMG_COMPRESSION_LEVEL, settings.level));
        step(spng_set_option(context.get(), SPNG_IMG_COMPRESSION_STRATEGY, settings.strategy));
        step(spng_set_option(context.get(), SPNG_FILTER_CHOICE, filterChoice(settings.filter)));
        step(spng_encode_image(context.get(), data, size_t(rowBytes) * size_t(pixels.height()),
                               SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE));
    }
    if (status != 0) {
        *error = QStringLiteral("cannot encode the picture as PNG: %1")
                     .arg(QString::fromUtf8(spng_strerror(status)));
        return {};
    }
    return png;
}
