#pragma once

#include <QByteArray>
#include <QImage>

class ArtDataReader;

// Limits on the size an art entry's header may claim. Item art is a few
// hundred pixels a side; anything past these is a damaged entry and has no
// art. At the limit a decoded bitmap takes 2 MiB and its image 4 MiB.
inline constexpr int MaxArtSide = 2048;
inline constexpr qint64 MaxArtPixels = 1024 * 1024;

// Whether a header of width x height is within the limits (0 sides are).
bool artSizeAccepted(int width, int height);

// Most 16-bit words of run data (pairs count two, colours one) that decoding
// a width x height entry reads. Well-formed art needs at most 3 per pixel and
// 2 per row; the rest of a damaged entry is left unread.
qint64 artRunBudget(int width, int height);

// Decodes the entry whose header is at `lookup` into a decoded bitmap: u16
// width, u16 height, then width x height u16 pixels in row-major order, 0 for
// transparent and the file colour with bit 15 set for a painted pixel.
// The size must be accepted by artSizeAccepted.
//
// Entry body from T = lookup + 8: `height` i16 row offsets; row y's runs start
// at T + 2 * (height + offset). A run is i16 x skip, i16 count, then count
// colours; a pair whose skip + count is 0 ends the row. A run placed past the
// row's end goes on in the next row.
QByteArray decodeArtEntry(ArtDataReader &reader, qint64 lookup, int width, int height);

// Whether decoding the art entry `entry` (its bytes from its header on, as
// far as the entry window holds them) reads nothing but those bytes, so that
// the same bytes anywhere in any art data file decode to the same bitmap.
// Walks the rows and runs as decodeArtEntry does, without storing a pixel.
bool artEntryReadsOnlyItself(const QByteArray &entry);

// ARGB32 of a bitmap pixel: opaque when bit 15 is set, each 5-bit channel
// times 8 (so full intensity is 0xF8). Transparent 0 gives 0x00000000.
inline QRgb artArgb(quint16 pixel)
{
    const quint32 alpha = quint32(pixel >> 15) * 0xFF000000u;
    return alpha | (quint32(pixel & 0x7C00) << 9) | (quint32(pixel & 0x03E0) << 6) |
           (quint32(pixel & 0x001F) << 3);
}

// The bitmap as a Format_ARGB32 image; null when either side is 0.
QImage artImage(const QByteArray &bitmap);
