#pragma once

// Encoders of the client's file formats, used by the demo data generator and
// as fixtures by the tests, fuzz seeds and benchmark. Every format also has
// tests against hand-written bytes, so an encoder and its reader cannot share
// one mistake.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMap>
#include <QString>

// --- Art -------------------------------------------------------------------

// 15-bit art colour (red bits 10-14, green 5-9, blue 0-4) of an RGB value.
quint16 artColour(QRgb rgb);

// One art data entry: u32 0, u16 width, u16 height, the row offset table and
// the runs of each row. Pixels with alpha 0 are left out of the runs; every
// other pixel is painted with artColour of its colour (black stays 0x0000).
// Empty when the image cannot be coded (a side over 65535, or row data too
// long for the 16-bit row offsets).
QByteArray encodeArtEntry(const QImage &art);

// Builds an art index (32768 entries of 12 bytes) and art data file. Graphics
// not added have lookup -1 (and length -1); entries are appended to the data
// in the order they are added. An image that cannot be coded leaves its
// graphic without art.
class ArtFileBuilder
{
public:
    void add(int graphicId, const QImage &art);
    // An entry given as raw bytes (for damaged or hand-made entries).
    void addRaw(int graphicId, const QByteArray &entry);
    // Sets an index entry as given, whatever it points at.
    void setIndexEntry(int graphicId, qint32 lookup, qint32 length);

    QByteArray index() const;
    QByteArray data() const { return artData; }

private:
    struct IndexEntry
    {
        qint32 lookup;
        qint32 length;
    };
    QMap<int, IndexEntry> entries; // by index entry number (16384 + graphic id)
    QByteArray artData;
};

// --- Tile data ---------------------------------------------------------------

// Builds a complete tile data file (1036288 bytes): land section of 512 blocks
// of a 4-byte header and 32 records of 26 bytes, then the item section at byte
// 428032 of 512 blocks of a header and 32 records of 37 bytes. Block headers
// and the unread item bytes are filled with non-zero junk.
class TileDataBuilder
{
public:
    TileDataBuilder();
    void setItem(int n, qint32 flags, qint8 height, const QByteArray &name);
    void setLand(int n, qint32 flags, qint16 landValue, const QByteArray &name);
    QByteArray bytes() const { return file; }

private:
    QByteArray file;
};

// --- Multi cache text ----------------------------------------------------------

struct DemoComponent
{
    int graphicId;
    int x;
    int y;
    int z;
};

// A header line (exactly 6 TABs, count in field 2) and its component lines
// (graphic id, unused, X, Y, Z, ...), each ending in "\n".
QByteArray encodeCacheEntry(int id, const QList<DemoComponent> &components);

// --- The demo set ----------------------------------------------------------------

// File names of a demo set inside its directory.
inline constexpr char DemoCacheName[] = "multicache.txt";
inline constexpr char DemoArtIndexName[] = "art-index.bin";
inline constexpr char DemoArtDataName[] = "art-data.bin";
inline constexpr char DemoTileDataName[] = "tiledata.bin";
inline constexpr char DemoConfigName[] = "korvane.xml";

// Writes a complete, deterministic demo client data set into dir (created if
// needed), with a korvane.xml naming its files by absolute path. `large` writes
// the stress set (about 8000 entries, 1.2 million cache lines); withOddEntries
// adds entries a sound client file rarely holds (empty, unreadable, stray lines).
bool writeDemoSet(const QString &dir, bool large, QString *error = nullptr,
                  bool withOddEntries = true);
