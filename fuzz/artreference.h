#pragma once

#include <QByteArray>
#include <QRgb>

// The art format's decoding, step by step as the format defines it, over the
// bytes an ArtStore was given: what the store's bitmaps and images must be.
class ArtReference
{
public:
    // `itemIndex`: the index from entry 16384 on; `data`: the art data file.
    ArtReference(const QByteArray &itemIndex, const QByteArray &data);

    enum Kind
    {
        NoArt,   // lookup below 0 or length below 1 (or no index entry)
        Unsure,  // a damaged entry on which a bounded decoder may stop early
        Decoded, // `bitmap` is the exact decoded bitmap
    };
    struct Result
    {
        Kind kind = NoArt;
        QByteArray bitmap;
    };
    Result decode(int graphicId) const;

    // ARGB32 of a bitmap pixel.
    static QRgb argb(quint16 pixel);

private:
    quint16 word(qint64 offset) const;
    qint32 indexField(qint64 offset) const;

    QByteArray itemIndex;
    QByteArray data;
};
