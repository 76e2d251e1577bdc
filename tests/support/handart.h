#pragma once

// Art index and data files written byte by byte, so that the art reader's
// tests cannot share a mistake with the demo encoders, and a data device that
// counts what is read from it.

#include "data/artstore.h"

#include <QBuffer>
#include <QList>
#include <QtEndian>

#include <memory>

// Little-endian 16-bit words.
inline QByteArray artWords(const QList<int> &words)
{
    QByteArray bytes(2 * words.size(), '\0');
    for (int i = 0; i < words.size(); ++i)
        qToLittleEndian<quint16>(quint16(words[i]), bytes.data() + 2 * i);
    return bytes;
}

// An art data entry: u32 0, u16 width, u16 height, the row offsets, the runs.
inline QByteArray handArtEntry(int width, int height, const QList<int> &rowOffsets,
                               const QList<int> &runs)
{
    return artWords({0, 0, width, height}) + artWords(rowOffsets) + artWords(runs);
}

struct HandArt
{
    QByteArray index = QByteArray(32768 * 12, '\0');
    QByteArray data;

    void setIndexEntry(int entryNumber, qint32 lookup, qint32 length)
    {
        qToLittleEndian<qint32>(lookup, index.data() + 12 * entryNumber);
        qToLittleEndian<qint32>(length, index.data() + 12 * entryNumber + 4);
    }
    // Appends the entry to the data file and points graphic id g at it.
    void add(int graphicId, const QByteArray &entry)
    {
        setIndexEntry(16384 + graphicId, qint32(data.size()), qint32(entry.size()));
        data += entry;
    }
};

class CountingDevice : public QBuffer
{
public:
    explicit CountingDevice(const QByteArray &bytes)
    {
        setData(bytes);
        open(QIODevice::ReadOnly);
    }
    int reads = 0;
    qint64 bytesRead = 0;
    void resetCounts() { reads = 0, bytesRead = 0; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 got = QBuffer::readData(data, maxSize);
        ++reads;
        bytesRead += qMax<qint64>(got, 0);
        return got;
    }
};

// A store on in-memory copies of `art`; `counter` (when given) receives the
// store's data device.
inline std::unique_ptr<ArtStore> handArtStore(const HandArt &art,
                                              CountingDevice **counter = nullptr)
{
    QBuffer index;
    index.setData(art.index);
    index.open(QIODevice::ReadOnly);
    auto data = std::make_unique<CountingDevice>(art.data);
    if (counter)
        *counter = data.get();
    return std::make_unique<ArtStore>(&index, std::move(data));
}
