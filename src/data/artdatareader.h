#pragma once

#include <QByteArray>
#include <QtEndian>

class QIODevice;

// Reads the art data file by absolute byte offset from memory. The entry
// window holds the entry being decoded, read in one go; the roaming window
// serves reads that fall outside it (row offsets and runs may point anywhere
// in the file), one chunk at a time. A byte before offset 0 or at or past the
// end of the device reads as 0, and so does a word cut by the end.
class ArtDataReader
{
public:
    explicit ArtDataReader(QIODevice *device);

    // Loads [offset, offset + size) into the entry window with one read.
    void loadEntry(qint64 offset, qint64 size);
    // Frees the entry window.
    void releaseEntry();

    // Little-endian 16-bit word at `offset`.
    quint16 word(qint64 offset)
    {
        const qint64 at = offset - entry.start;
        if (at >= 0 && at + 2 <= entry.bytes.size())
            return qFromLittleEndian<quint16>(entry.bytes.constData() + at);
        return wordElsewhere(offset);
    }

    // The `size` bytes at `offset` when the entry window holds them all.
    const uchar *entryBytes(qint64 offset, qint64 size) const
    {
        const qint64 at = offset - entry.start;
        if (at < 0 || at + size > entry.bytes.size())
            return nullptr;
        return reinterpret_cast<const uchar *>(entry.bytes.constData()) + at;
    }

    // Up to `size` bytes at `offset` straight from the device, fewer near its
    // end; no window changes.
    QByteArray read(qint64 offset, qint64 size);

private:
    struct Window
    {
        qint64 start = 0;
        QByteArray bytes;
    };

    quint16 wordElsewhere(qint64 offset);
    void fill(Window &window, qint64 offset, qint64 size);

    QIODevice *device;
    Window entry;
    Window roaming;
    qint64 end; // where the device ended when last seen
};
