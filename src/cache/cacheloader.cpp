#include "cacheloader.h"

#include "cache/decimaltext.h"

#include <QIODevice>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace {

constexpr char16_t Tab = u'\t';
// The blocks QTextStream reads: where a block ends inside an invalid byte
// sequence the decoder's output differs, so the lines are the stream's only
// with the stream's blocks.
constexpr qint64 ChunkBytes = 16384;
// A count is trusted this far ahead of the lines that follow it.
constexpr int MaxReserve = 1 << 16;

// The lines of a device as QTextStream::readLine gives them: decoded with the
// encoding a leading byte order mark names (UTF-8 without one), ended by "\n"
// or "\r\n"; a "\r" at the very end of the data ends the last line too.
class LineReader
{
public:
    explicit LineReader(QIODevice *device) : device(device) {}

    // The next line, valid until the next call; false at the end of the data.
    bool next(QStringView *line)
    {
        for (;;) {
            const qsizetype newline = QStringView(text).indexOf(u'\n', scanned);
            if (newline >= 0) {
                *line = lineUpTo(newline, newline);
                at = scanned = newline + 1;
                return true;
            }
            scanned = text.size();
            if (!fill())
                break;
        }
        if (at >= text.size())
            return false;
        const qsizetype end = text.size();
        *line = lineUpTo(text.back() == u'\r' ? end - 1 : end, end);
        at = scanned = end;
        return true;
    }

private:
    QStringView lineUpTo(qsizetype end, qsizetype terminator) const
    {
        if (terminator == end && end > at && text.at(end - 1) == u'\r')
            --end;
        return QStringView(text).sliced(at, end - at);
    }

    // Appends the next chunk of the device, decoded; false at its end.
    bool fill()
    {
        const QByteArray bytes = device->read(ChunkBytes);
        if (bytes.isEmpty())
            return false;
        if (!decoder) {
            const std::optional<QStringConverter::Encoding> encoding =
                QStringConverter::encodingForData(bytes);
            decoder.emplace(encoding.value_or(QStringConverter::Utf8));
        }
        text.remove(0, at);
        scanned -= at;
        at = 0;
        const qsizetype kept = text.size();
        text.resize(kept + decoder->requiredSpace(bytes.size()));
        const QChar *end = decoder->appendToBuffer(text.data() + kept, bytes);
        text.truncate(end - text.constData());
        return true;
    }

    QIODevice *device;
    std::optional<QStringDecoder> decoder; // chosen by the first chunk
    QString text;                          // decoded, from the start of the next line on
    qsizetype at = 0;                      // start of the next line in text
    qsizetype scanned = 0;                 // text before this holds no "\n" after `at`
};

// The first fields of a TAB-separated line, empty fields counting, "" past
// the last; and the line's TAB count.
struct Fields
{
    explicit Fields(QStringView line) : line(line)
    {
        starts.fill(line.size() + 1);
        starts[0] = 0;
        const char16_t *chars = line.utf16();
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (chars[i] == Tab && ++tabs < qsizetype(starts.size()))
                starts[tabs] = i + 1;
        }
    }

    QStringView operator[](int n) const
    {
        if (starts[n] > line.size())
            return {};
        const qsizetype end = std::min(starts[n + 1] - 1, line.size());
        return line.sliced(starts[n], end - starts[n]);
    }

    QStringView line;
    std::array<qsizetype, 6> starts; // fields 0 to 4 are ever read
    qsizetype tabs = 0;
};

QChar *put(QChar *out, QStringView text)
{
    if (!text.isEmpty())
        std::memcpy(static_cast<void *>(out), text.data(), text.size() * sizeof(QChar));
    return out + text.size();
}

QString specOf(const Fields &fields)
{
    static constexpr char16_t Tail[] = u":0:1:1";
    constexpr qsizetype TailSize = std::size(Tail) - 1;
    const QStringView graphic = fields[0], x = fields[2], y = fields[3], z = fields[4];
    QString specText(graphic.size() + x.size() + y.size() + z.size() + 3 + TailSize,
                     Qt::Uninitialized);
    QChar *out = put(specText.data(), graphic);
    *out++ = u':';
    out = put(out, x);
    *out++ = u':';
    out = put(out, y);
    *out++ = u':';
    out = put(out, z);
    put(out, QStringView(Tail, TailSize));
    return specText;
}

} // namespace

QString componentSpec(QStringView line)
{
    return specOf(Fields(line));
}

QList<CacheEntry> loadCacheEntries(QIODevice *device)
{
    QList<CacheEntry> entries;
    LineReader lines(device);
    QStringView line;
    while (lines.next(&line)) {
        const Fields header(line);
        if (header.tabs != 6)
            continue;

        const int count = decimalInt(header[2]);
        int minX = CacheBoundsStart, minY = CacheBoundsStart;
        int maxX = -CacheBoundsStart, maxY = -CacheBoundsStart;
        QStringList components;
        if (count > 0)
            components.reserve(std::min(count, MaxReserve));
        // Only the lines that exist: a count past the end of the file must not
        // add phantom components nor spin on an exhausted stream.
        for (int i = 0; i < count && lines.next(&line); ++i) {
            const Fields fields(line);
            const int x = decimalInt(fields[2]);
            const int y = decimalInt(fields[3]);
            minX = std::min(minX, x);
            minY = std::min(minY, y);
            maxX = std::max(maxX, x);
            maxY = std::max(maxY, y);
            components.append(specOf(fields));
        }
        entries.append({QRect(QPoint(minX, minY), QPoint(maxX, maxY)), std::move(components)});
    }
    return entries;
}
