#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// The result of a tile data lookup.
struct TileDataRecord
{
    qint32 flags = 0;
    qint8 height = 0;     // 0 from the land table
    QString name;         // at most 20 Latin-1 characters
    qint16 landValue = 0; // 0 from the item table
};

// The client's tile data tables, read once at construction.
class TileDataStore
{
public:
    explicit TileDataStore(QString path);
    explicit TileDataStore(QIODevice *device);
    ~TileDataStore();

    TileDataStore(const TileDataStore &) = delete;
    TileDataStore &operator=(const TileDataStore &) = delete;

    // Whether the tile data file was opened.
    bool opened() const;

    TileDataRecord itemRecord(int n) const;
    TileDataRecord landRecord(int n) const;

private:
    void load(QIODevice *device);

    // Only the fields in use, packed, block headers dropped. Item record n at
    // n * 25: i32 flags, i8 height, 20 name bytes. Land record n at n * 26:
    // i32 flags, i16 land value, 20 name bytes. Little-endian.
    QByteArray itemTable;
    QByteArray landTable;
    bool fileOpened = false;
};
