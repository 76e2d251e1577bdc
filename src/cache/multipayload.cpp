#include "multipayload.h"

#include <QBuffer>
#include <QDataStream>

#include <algorithm>

void writeMultiEntry(QDataStream &out, const QString &text, const QRect &bounds,
                     const QStringList &components)
{
    out << text << bounds << qint32(components.size());
    for (const QString &component : components)
        out << component;
}

QByteArray encodeMultiPayload(const QList<MultiEntry> &entries)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    for (const MultiEntry &entry : entries)
        writeMultiEntry(out, entry.text, entry.bounds, entry.components);
    return bytes;
}

MultiPayloadReader::MultiPayloadReader(const QByteArray &payload)
    : data(payload), stream(new QDataStream(data))
{
    stream->setByteOrder(QDataStream::LittleEndian);
}

MultiPayloadReader::~MultiPayloadReader()
{
    delete stream;
}

bool MultiPayloadReader::atEnd() const
{
    return stream->status() != QDataStream::Ok || stream->atEnd();
}

bool MultiPayloadReader::readEntry(MultiEntry &entry)
{
    entry = MultiEntry();
    qint32 count = 0;
    *stream >> entry.text >> entry.bounds >> count;
    if (stream->status() != QDataStream::Ok)
        return false;

    // Every string takes at least its 4-byte length, which bounds what a
    // lying count can make us reserve.
    const qint64 left = stream->device()->bytesAvailable();
    entry.components.reserve(int(std::min<qint64>(std::max(count, 0), left / 4)));
    for (qint32 i = 0; i < count; ++i) {
        QString component;
        *stream >> component;
        if (stream->status() != QDataStream::Ok)
            return false;
        entry.components.append(component);
    }
    return true;
}
