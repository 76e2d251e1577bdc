#pragma once

#include "cache/componentlist.h"
#include "cache/multientry.h"

#include <QList>
#include <QRect>
#include <QString>

#include <memory>
#include <vector>

class QFile;
class QIODevice;

// What a load saw besides the entries, for reports.
struct CacheScan
{
    qsizetype lines = 0;
    qsizetype componentLines = 0;
    qsizetype skippedLines = 0;
    QList<qsizetype> firstSkipped;   // line numbers (from 1) of the first few
    qsizetype countsPastEnd = 0;     // headers whose count ran past the data
    qsizetype withoutComponents = 0; // entries with no component line
};

// The multis of the client's multi cache text file, held as the file's own
// text: an entry's component lines become ComponentSpec texts only when the
// entry is walked.
//
// The text is read as lines of TAB-separated fields (cache/cachetext.h). A
// line with exactly 6 TABs is a header whose field 2 is the count E of the
// component lines that follow it, taken without any test of their form; all
// other lines are skipped. A count past the end of the data takes only the
// lines that exist. Bounds are the smallest and largest X (field 2) and Y
// (field 3) of an entry's lines, CacheBoundsStart and its negation when it
// has none.
class MultiCache
{
public:
    MultiCache();

    // Reads the named file (a regular file only, closed again afterwards);
    // false, with errorString() saying why, when it cannot be read. A file
    // larger than JudgedBytes is judged by its start before it is read whole:
    // one without a header line there (all zero bytes, say) is not a cache
    // file. Throws std::bad_alloc when memory cannot hold it, the file closed
    // and named.
    bool load(QFile &file);
    bool load(const QString &path);
    // Reads a device from its current position to its end.
    void read(QIODevice *device);
    // Reads the text's bytes: UTF-8, or the encoding a byte order mark names.
    void read(const QByteArray &bytes);
    // The same, as if UTF-8 bytes came `step` at a time, as a file's do while
    // it is read and already scanned: the entries are the same.
    void read(const QByteArray &bytes, qsizetype step);

    QString errorString() const { return error; }
    // A cache file has header lines every few hundred bytes; a megabyte
    // without one is something else.
    static constexpr qint64 JudgedBytes = 1 << 20;
    const CacheScan &scan() const { return counts; }

    qsizetype size() const { return qsizetype(records.size()); }
    bool isEmpty() const { return records.empty(); }

    // Entry n, named entryName(n).
    MultiEntry entry(qsizetype n) const;
    ComponentList components(qsizetype n) const;
    // Every entry, in order.
    QList<MultiEntry> entries() const;
    qsizetype componentCount(qsizetype n) const { return records[size_t(n)].count; }
    QRect bounds(qsizetype n) const;

    // The name a loaded entry has in the list: "Entry " and n.
    static QString entryName(qsizetype n);

private:
    // 16 bytes an entry, the bounds 16 more for an entry with components: a
    // file of bare header lines costs twice its own size, not four times.
    struct Record
    {
        qsizetype offset; // of the first component line in the text
        qint32 count;     // component lines taken, at most a header's count
        quint32 box;      // its bounds in `boxes`, for an entry with components
    };
    struct Box
    {
        qint32 x1, y1, x2, y2;
    };

    void startText(ComponentList::Storage::Kind kind);
    // Scans the text from `at` as `arrived(wanted)` says it has come: at least
    // `wanted` characters, or all of them.
    template <typename Char, typename Arrived>
    void scanText(const Char *data, qsizetype at, Arrived &&arrived);

    std::shared_ptr<ComponentList::Storage> text;
    std::vector<Record> records;
    std::vector<Box> boxes;
    CacheScan counts;
    QString error;
};
