#pragma once

#include "cache/multientry.h"

#include <QByteArray>
#include <QList>

class QDataStream;

// The drag format of cache entries; the only one a drag of entries carries.
inline constexpr char MultiMimeType[] = "zvcache/multi";

// Payload layout, per entry, little-endian, back to back with nothing around:
//   u32 L, L bytes UTF-16LE text      (0xFFFFFFFF: null string)
//   i32 x1, y1, x2, y2                (bounds)
//   i32 C, then C strings coded like the text
// This is QDataStream's coding of QString, QRect and qint32.

// Writes one entry; `out` must be set to little-endian.
void writeMultiEntry(QDataStream &out, const MultiEntry &entry);

// The payload of the given entries, in order.
QByteArray encodeMultiPayload(const QList<MultiEntry> &entries);

// The entries of a payload, in order. An entry cut short by the end of the
// data (or malformed) ends it and is left out; `whole` then says false and
// `cut` holds the text that was read of it.
QList<MultiEntry> decodeMultiPayload(const QByteArray &payload, bool *whole = nullptr,
                                     QString *cut = nullptr);

// Reads a payload entry by entry. A count larger than the data can hold is
// read only to the end of the data: such an entry is reported cut short. The
// entries' component texts stay in the payload's bytes until they are walked.
class MultiPayloadReader
{
public:
    explicit MultiPayloadReader(const QByteArray &payload);

    // True when no byte is left to start another entry.
    bool atEnd() const;

    // Reads the next entry into `entry`. Returns false when the data ended (or
    // was malformed) before the entry was complete; `entry` then holds what
    // was read, and atEnd() is true from then on.
    bool readEntry(MultiEntry &entry);

private:
    bool readInt(qint32 *value);
    bool readString(QString *text);
    bool skipString();

    // Read straight from the bytes, as QDataStream would read them
    // little-endian, but without its per-value device calls.
    QByteArray data;
    qsizetype position = 0;
    bool failed = false; // set by the first read past the end or bad string
    std::shared_ptr<const ComponentList::Storage> storage; // the entries' strings
};
