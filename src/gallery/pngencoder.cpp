#include "pngencoder.h"

#include <QImage>

#include <spng.h>

#include <algorithm>
#include <array>
#include <cstring>
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

// One row of `image` (ARGB32 or RGB32) as PNG samples: RGBA, or RGB.
void storeRow(const QImage &image, int y, bool alpha, uchar *out)
{
    const QRgb *in = reinterpret_cast<const QRgb *>(image.constScanLine(y));
    const int width = image.width();
    for (int x = 0; x < width; ++x) {
        const QRgb pixel = in[x];
        *out++ = uchar(qRed(pixel));
        *out++ = uchar(qGreen(pixel));
        *out++ = uchar(qBlue(pixel));
        if (alpha)
            *out++ = uchar(qAlpha(pixel));
    }
}

// The pixels of `image` (ARGB32 or RGB32) as indices into a palette of their
// colours, when there are at most 256; false otherwise.
class PaletteImage
{
public:
    bool index(const QImage &image);

    spng_plte plte = {};
    spng_trns trns = {};
    std::vector<uchar> indices; // a row after another
};

bool PaletteImage::index(const QImage &image)
{
    // Open addressing on the 32-bit pixels.
    constexpr int Slots = 1024;
    std::array<QRgb, Slots> keys;
    std::array<short, Slots> places;
    places.fill(-1);
    const QRgb opaque = image.hasAlphaChannel() ? 0 : 0xff000000u;
    const int width = image.width();
    indices.resize(size_t(width) * size_t(image.height()));
    uchar *out = indices.data();
    int count = 0;
    QRgb last = 0;
    uchar lastIndex = 0;
    bool haveLast = false;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *in = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = in[x] | opaque;
            if (haveLast && pixel == last) {
                *out++ = lastIndex;
                continue;
            }
            unsigned slot = (pixel * 2654435761u) >> 22;
            while (places[slot] >= 0 && keys[slot] != pixel)
                slot = (slot + 1) % Slots;
            if (places[slot] < 0) {
                if (count == 256)
                    return false;
                keys[slot] = pixel;
                places[slot] = short(count);
                plte.entries[count] = {uint8_t(qRed(pixel)), uint8_t(qGreen(pixel)),
                                       uint8_t(qBlue(pixel)), 0};
                trns.type3_alpha[count] = uint8_t(qAlpha(pixel));
                ++count;
            }
            last = pixel;
            lastIndex = uchar(places[slot]);
            haveLast = true;
            *out++ = lastIndex;
        }
    }
    plte.n_entries = uint32_t(count);
    trns.n_type3_entries = uint32_t(count);
    return true;
}

// `image` in `format`, converted by Qt (whose rounding of unpremultiplied
// colours Qt's own writer had) a band of rows at a time: a larger image Qt
// converts on its global thread pool and waits for, forever when no thread
// of it can be started (an address-space limit).
QImage convertedInBands(const QImage &image, QImage::Format format)
{
    QImage out(image.size(), format);
    if (out.isNull())
        return out;
    const int width = image.width();
    const int band = std::max(1, 65535 / std::max(1, width));
    for (int y = 0; y < image.height(); y += band) {
        const int rows = std::min(band, image.height() - y);
        const QImage part(image.constScanLine(y), width, rows, image.bytesPerLine(),
                          image.format());
        const QImage converted = part.convertToFormat(format);
        if (converted.isNull())
            return QImage();
        for (int row = 0; row < rows; ++row)
            memcpy(out.scanLine(y + row), converted.constScanLine(row), size_t(width) * 4);
    }
    return out;
}

} // namespace

QByteArray encodePng(const QImage &image, QString *error, const PngSettings &settings)
{
    if (image.isNull()) {
        *error = QStringLiteral("no picture to write");
        return {};
    }
    // Unpremultiplied by Qt's own conversion, whose rounding Qt's writer used.
    const bool alpha = image.hasAlphaChannel();
    QImage pixels = image;
    if (image.format() != QImage::Format_ARGB32 && image.format() != QImage::Format_RGB32)
        pixels = convertedInBands(image, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (pixels.isNull()) {
        *error = QStringLiteral("not enough memory to encode the picture");
        return {};
    }
    PaletteImage palette;
    const bool indexed = settings.palette && palette.index(pixels);
    const size_t rowBytes = size_t(pixels.width()) * (indexed ? 1 : alpha ? 4 : 3);
    std::vector<uchar> row(indexed ? 0 : rowBytes);

    QByteArray png;
    std::unique_ptr<spng_ctx, ContextFree> context(spng_ctx_new(SPNG_CTX_ENCODER));
    spng_ihdr header = {};
    header.width = uint32_t(pixels.width());
    header.height = uint32_t(pixels.height());
    header.bit_depth = 8;
    header.color_type = indexed ? SPNG_COLOR_TYPE_INDEXED
                        : alpha ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA
                                : SPNG_COLOR_TYPE_TRUECOLOR;
    int status = context ? 0 : SPNG_EMEM;
    const auto step = [&status](int result) {
        if (status == 0)
            status = result;
    };
    if (context) {
        spng_ctx *encoder = context.get();
        step(spng_set_png_stream(encoder, appendTo, &png));
        step(spng_set_ihdr(encoder, &header));
        if (indexed) {
            step(spng_set_plte(encoder, &palette.plte));
            if (alpha)
                step(spng_set_trns(encoder, &palette.trns));
        }
        if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0) {
            spng_phys phys = {uint32_t(image.dotsPerMeterX()), uint32_t(image.dotsPerMeterY()), 1};
            step(spng_set_phys(encoder, &phys));
        }
        step(spng_set_option(encoder, SPNG_IMG_COMPRESSION_LEVEL, settings.level));
        step(spng_set_option(encoder, SPNG_IMG_COMPRESSION_STRATEGY, settings.strategy));
        // Differences of palette indices mean nothing: their rows go as they are.
        step(spng_set_option(encoder, SPNG_FILTER_CHOICE,
                             indexed ? SPNG_FILTER_CHOICE_NONE : filterChoice(settings.filter)));
        step(spng_encode_image(encoder, nullptr, 0, SPNG_FMT_PNG,
                               SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE));
        for (int y = 0; y < pixels.height() && status == 0; ++y) {
            uchar *samples = indexed ? palette.indices.data() + size_t(y) * rowBytes : row.data();
            if (!indexed)
                storeRow(pixels, y, alpha, samples);
            const int result = spng_encode_row(encoder, samples, rowBytes);
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
