#include "multifilereader.h"

#include "core/regularfile.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>

namespace {

constexpr qint64 Lead = 4;
constexpr qint64 Record = 12;

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
        const uchar *record = raw + Lead + Record * k;
        const int x = qFromLittleEndian<qint16>(record + 2);
        const int y = qFromLittleEndian<qint16>(record + 4);
        x1 = std::min(x1, x);
        y1 = std::min(y1, y);
        x2 = std::max(x2, x);
        y2 = std::max(y2, y);
    }
    auto records = std::make_shared<ComponentList::Storage>();
    records->kind = ComponentList::Storage::MultiFileRecords;
    records->bytes = bytes;
    *entry = {name, QRect(QPoint(x1, y1), QPoint(x2, y2)),
              ComponentList(std::move(records), Lead, count)};
    return true;
}
