#include "multifilereader.h"

#include "cache/multifilerecord.h"
#include "core/regularfile.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>

namespace {

constexpr qint64 Lead = MultiFileRecord::LeadSize;
constexpr qint64 Record = MultiFileRecord::Size;

} // namespace

bool readMultiFile(const QString &path, const QString &name, MultiEntry *entry, QString *error)
{
    QFile file(path);
    if (!openRegularFile(file, error))
        return false;
    const qint64 size = file.size();
    if (size < Lead || (size - Lead) % Record != 0) {
        *error = QStringLiteral("%1 bytes is not a .mlt file's size (4 + 12 x n bytes)").arg(size);
        return false;
    }
    const QByteArray bytes = readUpTo(file, size);
    if (bytes.size() != size) {
        *error = file.error() != QFileDevice::NoError
                     ? file.errorString()
                     : QStringLiteral("the file changed while read");
        return false;
    }
    const uchar *raw = reinterpret_cast<const uchar *>(bytes.constData());
    if (qFromLittleEndian<qint32>(raw) != 0) {
        *error = QStringLiteral("its first 4 bytes are not 0, as a .mlt file's are");
        return false;
    }

    const qsizetype count = (size - Lead) / Record;
    int x1 = CacheBoundsStart, y1 = CacheBoundsStart;
    int x2 = -CacheBoundsStart, y2 = -CacheBoundsStart;
    for (qsizetype k = 0; k < count; ++k) {
        const MultiFileRecord record = MultiFileRecord::read(raw + Lead + Record * k);
        x1 = std::min<int>(x1, record.x);
        y1 = std::min<int>(y1, record.y);
        x2 = std::max<int>(x2, record.x);
        y2 = std::max<int>(y2, record.y);
    }
    auto records = std::make_shared<ComponentList::Storage>();
    records->kind = ComponentList::Storage::MultiFileRecords;
    records->bytes = bytes;
    *entry = {name, QRect(QPoint(x1, y1), QPoint(x2, y2)),
              ComponentList(std::move(records), Lead, count)};
    return true;
}
