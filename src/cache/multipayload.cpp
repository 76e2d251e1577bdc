#include "multipayload.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>

void writeMultiEntry(QDataStream &out, const MultiEntry &entry)
{
    out << entry.text << entry.bounds << qint32(entry.components.size());
    for (const ComponentSpec &spec : entry.components)
        out << spec.text();
}

QByteArray encodeMultiPayload(const QList<MultiEntry> &entries)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    for (const MultiEntry &entry : entries)
        writeMultiEntry(out, entry);
    return bytes;
}

MultiPayloadReader::MultiPayloadReader(const QByteArray &payload) : data(payload) {}

bool MultiPayloadReader::atEnd() const
{
    return failed || position >= data.size();
}

bool MultiPayloadReader::readInt(qint32 *value)
{
    if (failed || data.size() - position < 4)
        return !(failed = true);
    *value = qFromLittleEndian<qint32>(data.constData() + position);
    position += 4;
    return true;
}

bool MultiPayloadReader::readString(QString *text)
{
    const qsizetype start = position;
    if (!skipString())
        return false;
    const quint32 bytes = qFromLittleEndian<quint32>(data.constData() + start);
    if (bytes == 0xFFFFFFFFu) { // a null string
        *text = QString();
        return true;
    }
    text->resize(qsizetype(bytes / 2));
    qFromLittleEndian<char16_t>(data.constData() + start + 4, bytes / 2, text->data());
    return true;
}

bool MultiPayloadReader::skipString()
{
    qint32 length = 0;
    if (!readInt(&length))
        return false;
    const quint32 bytes = quint32(length);
    if (bytes == 0xFFFFFFFFu) // a null string
        return true;
    // UTF-16 code units only, and no more than the data holds.
    if ((bytes & 1) != 0 || bytes > quint64(data.size() - position))
        return !(failed = true);
    position += bytes;
    return true;
}

bool MultiPayloadReader::readEntry(MultiEntry &entry)
{
    entry = MultiEntry();
    qint32 x1 = 0, y1 = 0, x2 = 0, y2 = 0, count = 0;
    if (!readString(&entry.text) || !readInt(&x1) || !readInt(&y1) || !readInt(&x2) ||
        !readInt(&y2))
        return false;
    entry.bounds = QRect(QPoint(x1, y1), QPoint(x2, y2));
    if (!readInt(&count))
        return false;

    // The strings stay in the payload, decoded when the entry is walked; here
    // they are only counted, as far as the data holds them.
    const qsizetype first = position;
    qsizetype present = 0;
    bool whole = true;
    for (qint32 i = 0; i < count && whole; ++i) {
        whole = skipString();
        present += whole;
    }
    if (!storage) {
        auto strings = std::make_shared<ComponentList::Storage>();
        strings->kind = ComponentList::Storage::PayloadStrings;
        strings->bytes = data;
        storage = std::move(strings);
    }
    entry.components = ComponentList(storage, first, present);
    return whole;
}

QList<MultiEntry> decodeMultiPayload(const QByteArray &payload, bool *whole, QString *cut)
{
    QList<MultiEntry> entries;
    MultiPayloadReader reader(payload);
    MultiEntry entry;
    bool complete = true;
    while (complete && !reader.atEnd()) {
        complete = reader.readEntry(entry);
        if (complete)
            entries.append(entry);
        else if (cut)
            *cut = entry.text;
    }
    if (whole)
        *whole = complete;
    return entries;
}
