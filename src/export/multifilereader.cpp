#include "multifilereader.h"

#include "cache/multifilerecord.h"
#include "core/regularfile.h"
#include "preview/multirenderer.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>

namespace {

constexpr qint64 Lead = MultiFileRecord::LeadSize;
constexpr qint64 Record = MultiFileRecord::Size;
// Records a summary reads at a time.
constexpr qint64 PieceRecords = 1 << 16;

static_assert(MaxMultiFileComponents == MaxRenderComponents);

// The running bounds of the records read so far.
struct Bounds
{
    int x1 = CacheBoundsStart, y1 = CacheBoundsStart;
    int x2 = -CacheBoundsStart, y2 = -CacheBoundsStart;

    void add(const uchar *records, qint64 count)
    {
        for (qint64 k = 0; k < count; ++k) {
            const MultiFileRecord record = MultiFileRecord::read(records + Record * k);
            x1 = std::min<int>(x1, record.x);
            y1 = std::min<int>(y1, record.y);
            x2 = std::max<int>(x2, record.x);
            y2 = std::max<int>(y2, record.y);
        }
    }
    QRect rect() const { return QRect(QPoint(x1, y1), QPoint(x2, y2)); }
};

// Opens the file and checks its size and lead; its count of records, or -1
// with `error` set.
qint64 openMultiFile(QFile &file, QString *error)
{
    if (!openRegularFile(file, error))
        return -1;
    const qint64 size = file.size();
    if (size < Lead || (size - Lead) % Record != 0) {
        *error = QStringLiteral("%1 bytes is not a .mlt file's size (4 + 12 x n bytes)").arg(size);
        return -1;
    }
    uchar lead[Lead];
    if (file.read(reinterpret_cast<char *>(lead), Lead) != Lead) {
        *error = file.errorString();
        return -1;
    }
    if (qFromLittleEndian<qint32>(lead) != 0) {
        *error = QStringLiteral("its first 4 bytes are not 0, as a .mlt file's are");
        return -1;
    }
    return (size - Lead) / Record;
}

// Why `count` records could not be read whole.
QString shortRead(const QFile &file)
{
    return file.error() != QFileDevice::NoError ? file.errorString()
                                                : QStringLiteral("the file changed while read");
}

} // namespace

bool readMultiFile(const QString &path, const QString &name, MultiEntry *entry, QString *error)
{
    QFile file(path);
    const qint64 count = openMultiFile(file, error);
    if (count < 0)
        return false;
    if (count > MaxMultiFileComponents) {
        *error = QStringLiteral("its %1 components are more than the %2 a rendering takes")
                     .arg(count)
                     .arg(MaxMultiFileComponents);
        return false;
    }
    // The lead is kept with the records: the entry's components start at it.
    QByteArray bytes = QByteArray(Lead, '\0') + readUpTo(file, count * Record);
    if (bytes.size() != Lead + count * Record) {
        *error = shortRead(file);
        return false;
    }
    Bounds bounds;
    bounds.add(reinterpret_cast<const uchar *>(bytes.constData()) + Lead, count);
    auto records = std::make_shared<ComponentList::Storage>();
    records->kind = ComponentList::Storage::MultiFileRecords;
    records->bytes = std::move(bytes);
    *entry = {name, bounds.rect(), ComponentList(std::move(records), Lead, count)};
    return true;
}

bool summarizeMultiFile(const QString &path, MultiFileSummary *summary, QString *error)
{
    QFile file(path);
    const qint64 count = openMultiFile(file, error);
    if (count < 0)
        return false;
    Bounds bounds;
    QByteArray piece(PieceRecords * Record, Qt::Uninitialized);
    for (qint64 done = 0; done < count;) {
        const qint64 wanted = std::min(PieceRecords, count - done) * Record;
        qint64 got = 0;
        while (got < wanted) {
            const qint64 n = file.read(piece.data() + got, wanted - got);
            if (n <= 0) {
                *error = shortRead(file);
                return false;
            }
            got += n;
        }
        bounds.add(reinterpret_cast<const uchar *>(piece.constData()), wanted / Record);
        done += wanted / Record;
    }
    *summary = {count, bounds.rect()};
    return true;
}
