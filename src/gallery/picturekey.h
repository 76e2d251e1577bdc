#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>

#include "preview/componentmarks.h"

class ArtStore;
class PictureStyle;
class TileDataStore;
struct MultiEntry;

// A digest of everything a picture is drawn from, so that two equal keys
// give the same picture: the entry's bounds (they place its centre), each
// component's text (graphic, cell, z, kind), the flags and height of the tile
// data record of its graphic, the decoded art of each graphic, the picture
// style and KeyVersion. Each graphic's art is decoded and hashed once per
// instance; what is kept takes about 100 bytes a graphic.
class PictureKeys
{
public:
    // Raised whenever the drawing or the picture's file changes for the same
    // inputs, so that every key of older pictures differs.
    static constexpr int KeyVersion = 1;

    PictureKeys(ArtStore *art, const TileDataStore *tiles, const PictureStyle &style);

    // 40 hexadecimal digits; the marks drawn over the picture count too (an
    // unmarked picture's key is the one it always had).
    QByteArray key(const MultiEntry &entry, const QList<ComponentMark> &marks = {});

private:
    const QByteArray &graphicDigest(quint16 graphicId, bool item);
    const QByteArray &artDigest(quint16 graphicId);

    ArtStore *art;
    const TileDataStore *tiles;
    QByteArray styleBytes;
    QHash<quint32, QByteArray> graphics; // tile data and art, by graphic and kind
    QHash<quint16, QByteArray> digests;  // art, by graphic
};
