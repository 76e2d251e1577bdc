#include "demoencoders.h"

#include <QDataStream>
#include <QIODevice>

#include <limits>

namespace {

constexpr int IndexEntries = 32768;
constexpr int ItemEntriesStart = 16384;
constexpr qint32 NoArt = -1;
constexpr int MaxWord = std::numeric_limits<qint16>::max();

// One run of a row: painted pixels [start, end).
struct Run
{
    int start;
    int end;
};

QList<Run> runsOf(const QImage &art, int y)
{
    QList<Run> runs;
    const auto *line = reinterpret_cast<const QRgb *>(art.constScanLine(y));
    int x = 0;
    while (x < art.width()) {
        while (x < art.width() && qAlpha(line[x]) == 0)
            ++x;
        const int start = x;
        while (x < art.width() && qAlpha(line[x]) != 0)
            ++x;
        if (x > start)
            runs.append({start, x});
    }
    return runs;
}

// Row runs: pairs (x offset from the end of the previous run, pixel count),
// each followed by its colours, ended by (0, 0). Offsets and counts are signed
// 16-bit, so long gaps and runs are split into several pairs.
void writeRow(QDataStream &out, const QImage &art, int y)
{
    const auto *line = reinterpret_cast<const QRgb *>(art.constScanLine(y));
    int x = 0;
    for (const Run &run : runsOf(art, y)) {
        int skip = run.start - x;
        while (skip > MaxWord) {
            out << qint16(MaxWord) << qint16(0);
            skip -= MaxWord;
        }
        x = run.start;
        while (x < run.end) {
            const int count = std::min(run.end - x, MaxWord);
            out << qint16(skip) << qint16(count);
            for (int i = 0; i < count; ++i)
                out << artColour(line[x + i]);
            x += count;
            skip = 0;
        }
    }
    out << qint16(0) << qint16(0);
}

} // namespace

quint16 artColour(QRgb rgb)
{
    return quint16(((qRed(rgb) >> 3) << 10) | ((qGreen(rgb) >> 3) << 5) | (qBlue(rgb) >> 3));
}

QByteArray encodeArtEntry(const QImage &source)
{
    if (source.width() > 0xFFFF || source.height() > 0xFFFF)
        return {};
    const QImage art = source.convertToFormat(QImage::Format_ARGB32);
    const int h = art.height();

    QByteArray runs;
    QDataStream runStream(&runs, QIODevice::WriteOnly);
    runStream.setByteOrder(QDataStream::LittleEndian);
    QList<qint16> rowOffsets;
    rowOffsets.reserve(h);
    for (int y = 0; y < h; ++y) {
        // A row's offset counts 16-bit words from the end of the offset table.
        const qsizetype words = runs.size() / 2;
        if (words > MaxWord)
            return {};
        rowOffsets.append(qint16(words));
        writeRow(runStream, art, y);
    }

    QByteArray entry;
    entry.reserve(8 + 2 * h + runs.size());
    QDataStream out(&entry, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint32(0) << quint16(art.width()) << quint16(h);
    for (qint16 offset : rowOffsets)
        out << offset;
    entry.append(runs);
    return entry;
}

void ArtFileBuilder::add(int graphicId, const QImage &art)
{
    const QByteArray entry = encodeArtEntry(art);
    if (entry.isEmpty())
        setIndexEntry(graphicId, NoArt, NoArt);
    else
        addRaw(graphicId, entry);
}

void ArtFileBuilder::addRaw(int graphicId, const QByteArray &entry)
{
    setIndexEntry(graphicId, qint32(artData.size()), qint32(entry.size()));
    artData.append(entry);
}

void ArtFileBuilder::setIndexEntry(int graphicId, qint32 lookup, qint32 length)
{
    const int number = ItemEntriesStart + graphicId;
    if (number >= 0 && number < IndexEntries)
        entries.insert(number, {lookup, length});
}

QByteArray ArtFileBuilder::index() const
{
    // 32768 entries of i32 lookup, i32 length, u32 extra; entries not set say
    // "no art" (-1) in all three fields.
    QByteArray bytes;
    bytes.reserve(IndexEntries * 12);
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    for (int number = 0; number < IndexEntries; ++number) {
        const auto found = entries.constFind(number);
        if (found == entries.cend())
            out << NoArt << NoArt << NoArt;
        else
            out << found->lookup << found->length << quint32(0);
    }
    return bytes;
}
