#include "artdatareader.h"

#include <QIODevice>

#include <algorithm>

namespace {

// Reads outside the entry come in chunks of this size, so a run list read in
// sequence costs one device read per chunk.
constexpr qint64 RoamingChunk = 16 * 1024;

} // namespace

ArtDataReader::ArtDataReader(QIODevice *device)
    : device(device), end(device && device->isReadable() ? device->size() : 0)
{}

void ArtDataReader::loadEntry(qint64 offset, qint64 size)
{
    fill(entry, offset, size);
}

void ArtDataReader::releaseEntry()
{
    entry = Window();
}

QByteArray ArtDataReader::read(qint64 offset, qint64 size)
{
    Window window;
    fill(window, offset, size);
    return window.bytes;
}

quint16 ArtDataReader::wordElsewhere(qint64 offset)
{
    if (offset < 0 || offset + 2 > end)
        return 0;
    qint64 at = offset - roaming.start;
    if (at < 0 || at + 2 > roaming.bytes.size()) {
        fill(roaming, offset, RoamingChunk);
        at = 0;
        if (roaming.bytes.size() < 2)
            return 0;
    }
    return qFromLittleEndian<quint16>(roaming.bytes.constData() + at);
}

void ArtDataReader::fill(Window &window, qint64 offset, qint64 size)
{
    window.start = offset;
    if (offset >= end && device && device->isReadable())
        end = device->size(); // the file may have grown since
    size = std::min(size, end - offset);
    if (offset < 0 || size <= 0 || !device || !device->seek(offset)) {
        window.bytes.clear();
        return;
    }
    window.bytes.resize(size);
    const qint64 got = std::max<qint64>(device->read(window.bytes.data(), size), 0);
    window.bytes.resize(got);
    if (got < size)
        end = offset + got; // the device ended early (truncated meanwhile)
}
