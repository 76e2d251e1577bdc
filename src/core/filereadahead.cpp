#include "filereadahead.h"

#include <QFile>

#include <algorithm>
#include <system_error>

namespace {

// Small enough to start using the file early, large enough for few reads.
constexpr qint64 Chunk = 1 << 20;
// A smaller file is read at once: a thread would cost more than it saves.
constexpr qint64 ReadAheadFrom = 4 * Chunk;

} // namespace

FileReadAhead::FileReadAhead(QFile &file)
    : file(file), bytes(std::max<qint64>(file.size() - file.pos(), 0), Qt::Uninitialized)
{
    if (bytes.size() < ReadAheadFrom) {
        readAll();
        return;
    }
    try {
        reader = std::thread([this] { readAll(); });
    } catch (const std::system_error &) {
        readAll(); // no thread to be had: read it all now
    }
}

FileReadAhead::~FileReadAhead()
{
    if (reader.joinable())
        reader.join();
}

void FileReadAhead::readAll()
{
    char *out = bytes.data();
    qint64 got = 0;
    while (got < bytes.size()) {
        const qint64 n = file.read(out + got, std::min<qint64>(Chunk, bytes.size() - got));
        if (n <= 0)
            break;
        got += n;
        const std::lock_guard<std::mutex> guard(lock);
        arrived = got;
        arrival.notify_one();
    }
    const std::lock_guard<std::mutex> guard(lock);
    arrived = got;
    complete = true;
    arrival.notify_one();
}

FileReadAhead::Arrived FileReadAhead::wait(qsizetype wanted)
{
    std::unique_lock<std::mutex> guard(lock);
    arrival.wait(guard, [&] { return complete || arrived >= wanted; });
    return {arrived, complete};
}

QByteArray FileReadAhead::finish(QString *error)
{
    if (reader.joinable())
        reader.join();
    if (file.error() != QFileDevice::NoError && error)
        *error = file.errorString();
    bytes.truncate(arrived); // a file cut short while read
    return bytes;
}
