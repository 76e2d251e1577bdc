#include "demoencoders.h"

#include <QtEndian>

namespace {

// Layout: the land section (512 blocks of a 4-byte header and 32 records of
// 26 bytes) from byte 0, the item section (512 blocks of a header and 32
// records of 37 bytes) from byte 428032.
constexpr int Blocks = 512;
constexpr int RecordsPerBlock = 32;
constexpr int Tiles = Blocks * RecordsPerBlock;
constexpr int LandRecord = 26;
constexpr int LandBlock = 4 + RecordsPerBlock * LandRecord;
constexpr int ItemSectionStart = Blocks * LandBlock; // 428032
constexpr int ItemRecord = 37;
constexpr int ItemBlock = 4 + RecordsPerBlock * ItemRecord;
constexpr int FileSize = ItemSectionStart + Blocks * ItemBlock; // 1036288
constexpr int NameBytes = 20;

// Item record: i32 flags, 12 bytes that are not read, i8 height, 20-byte name.
constexpr int ItemUnreadOffset = 4;
constexpr int ItemUnreadBytes = 12;
constexpr int ItemHeightOffset = 16;
constexpr int ItemNameOffset = 17;
// Land record: i32 flags, i16 value, 20-byte name.
constexpr int LandValueOffset = 4;
constexpr int LandNameOffset = 6;

int landOffset(int n)
{
    return (n / RecordsPerBlock) * LandBlock + 4 + (n % RecordsPerBlock) * LandRecord;
}

int itemOffset(int n)
{
    return ItemSectionStart + (n / RecordsPerBlock) * ItemBlock + 4 +
           (n % RecordsPerBlock) * ItemRecord;
}

// Non-zero filler that differs from place to place, so a reader that takes a
// block header or an unread field for a record field gets visibly wrong values.
char junk(int offset)
{
    return char(0x80 | ((offset * 37) & 0x7F));
}

void writeName(char *to, const QByteArray &name)
{
    const QByteArray bytes = name.left(NameBytes);
    std::fill(to, to + NameBytes, '\0');
    std::copy(bytes.cbegin(), bytes.cend(), to);
}

} // namespace

TileDataBuilder::TileDataBuilder() : file(FileSize, '\0')
{
    char *bytes = file.data();
    for (int block = 0; block < Blocks; ++block) {
        const int land = block * LandBlock;
        const int item = ItemSectionStart + block * ItemBlock;
        for (int i = 0; i < 4; ++i) {
            bytes[land + i] = junk(land + i);
            bytes[item + i] = junk(item + i);
        }
    }
    for (int n = 0; n < Tiles; ++n) {
        const int unread = itemOffset(n) + ItemUnreadOffset;
        for (int i = 0; i < ItemUnreadBytes; ++i)
            bytes[unread + i] = junk(unread + i);
    }
}

void TileDataBuilder::setItem(int n, qint32 flags, qint8 height, const QByteArray &name)
{
    if (n < 0 || n >= Tiles)
        return;
    char *record = file.data() + itemOffset(n);
    qToLittleEndian(flags, record);
    record[ItemHeightOffset] = char(height);
    writeName(record + ItemNameOffset, name);
}

void TileDataBuilder::setLand(int n, qint32 flags, qint16 landValue, const QByteArray &name)
{
    if (n < 0 || n >= Tiles)
        return;
    char *record = file.data() + landOffset(n);
    qToLittleEndian(flags, record);
    qToLittleEndian(landValue, record + LandValueOffset);
    writeName(record + LandNameOffset, name);
}
