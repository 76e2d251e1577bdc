#pragma once

#include <QByteArray>
#include <QString>

class QImage;

// How PNG pictures are compressed: a zlib level and strategy and the row
// filter. The defaults are what korvane-cli writes: on its pictures (pixel
// art of few colours, mostly transparent margin) several times faster than
// Qt's own writer and smaller (korvane-bench gallery compares the settings).
enum class PngFilter
{
    None,
    Sub,
    Up,
    Average,
    Paeth,
    Adaptive, // the best of all five, row by row
};

struct PngSettings
{
    int level = 3;    // zlib 0 to 9
    int strategy = 0; // zlib: 0 default, 1 filtered, 2 Huffman only, 3 run-length
    PngFilter filter = PngFilter::Up;
    // A picture of at most 256 colours (pixel art mostly is) as a palette
    // and a byte a pixel, unfiltered: a quarter of the bytes to compress.
    bool palette = true;
};

// The PNG file of `image`, 8 bits a channel, RGBA (RGB when the image has no
// alpha channel) and not premultiplied, or indexed with those colours, with the image's resolution:
// what any PNG reader decodes to exactly the image's pixels. Empty, with
// `*error` set, when the image is null or the encoder fails.
QByteArray encodePng(const QImage &image, QString *error, const PngSettings &settings = {});
