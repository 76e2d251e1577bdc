#include "fuzzentries.h"

#include "cache/multipayload.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"
#include "demoencoders.h"
#include "export/multifilewriter.h"
#include "preview/multirenderer.h"
#include "writeguard.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <QtEndian>

#include <memory>

namespace {

// Art of the given size: an opaque diamond on a transparent ground, so that
// drawing order and blending both matter.
QImage demoArt(int width, int height, QRgb colour)
{
    QImage art(width, height, QImage::Format_ARGB32);
    art.fill(Qt::transparent);
    QPainter painter(&art);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgba(colour));
    const QPoint diamond[] = {
        {width / 2, 0}, {width, height / 2}, {width / 2, height}, {0, height / 2}};
    painter.drawPolygon(diamond, 4);
    return art;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The readers the preview draws from, as the window creates them from its
// configuration: graphics 0 to 7 have art and tile data, all others none.
struct DemoReaders
{
    DemoReaders()
    {
        const QSize sizes[] = {{44, 44}, {1, 1},    {22, 60}, {3, 100},
                               {100, 3}, {64, 128}, {44, 88}, {2, 2}};
        ArtFileBuilder art;
        TileDataBuilder tiles;
        for (int id = 0; id < 8; ++id) {
            art.add(id,
                    demoArt(sizes[id].width(), sizes[id].height(), qRgba(40 * id, 200, 90, 255)));
            tiles.setItem(id, id % 2, qint8(id % 3 == 0 ? 0 : id - 4),
                          "demo " + QByteArray::number(id));
            tiles.setLand(id, id, qint16(id * 7), "land " + QByteArray::number(id));
        }
        const QString index = directory.filePath(QLatin1String(DemoArtIndexName));
        const QString data = directory.filePath(QLatin1String(DemoArtDataName));
        const QString tileData = directory.filePath(QLatin1String(DemoTileDataName));
        writeFile(index, art.index());
        writeFile(data, art.data());
        writeFile(tileData, tiles.bytes());
        artStore = std::make_unique<ArtStore>(index, data);
        tileDataStore = std::make_unique<TileDataStore>(tileData);
    }

    QTemporaryDir directory;
    std::unique_ptr<ArtStore> artStore;
    std::unique_ptr<TileDataStore> tileDataStore;
};

DemoReaders &demoReaders()
{
    static DemoReaders readers;
    return readers;
}

// The directory a drop writes into: "dest" in a temporary directory of the
// process, emptied before every run.
QString emptyDestination()
{
    static QTemporaryDir root;
    static const QString destination = QDir(root.path()).canonicalPath() + "/dest";
    QDir(destination).removeRecursively();
    QDir().mkpath(destination);
    return destination;
}

// A ".mlt" file of `count` components: i32 0, then 12-byte records, each
// ending in i32 1.
FuzzFailure checkMultiFile(const QByteArray &bytes, qsizetype count)
{
    if (bytes.size() != 4 + 12 * count)
        return QStringLiteral("%1 bytes for %2 components").arg(bytes.size()).arg(count);
    const uchar *raw = reinterpret_cast<const uchar *>(bytes.constData());
    if (qFromLittleEndian<qint32>(raw) != 0)
        return QStringLiteral("lead value not 0");
    for (qsizetype k = 0; k < count; ++k) {
        if (qFromLittleEndian<qint32>(raw + 4 + 12 * k + 8) != 1)
            return QStringLiteral("record %1 does not end in 1").arg(k);
    }
    return {};
}

} // namespace

FuzzFailure fuzzPayloadExport(const QByteArray &input)
{
    const QString destination = emptyDestination();
    MultiFileReport report;
    bool ok = false;
    QStringList refused;
    {
        const WriteGuard guard(QFile::encodeName(destination));
        ok = writeMultiFiles(input, destination, &report);
        refused = guard.refused();
    }
    if (!refused.isEmpty())
        return QStringLiteral("changed outside the directory: ") +
               refused.join(QLatin1String(", "));
    if (ok != report.failures.isEmpty())
        return QStringLiteral("success %1 with %2 failures").arg(ok).arg(report.failures.size());
    if (report.written != report.files.size())
        return QStringLiteral("%1 written, %2 files").arg(report.written).arg(report.files.size());

    // The component count each file must hold: that of the last entry of its
    // name (a later entry replaces an earlier one).
    QHash<QByteArray, qsizetype> expected;
    MultiPayloadReader reader(input);
    qsizetype entries = 0;
    while (!reader.atEnd()) {
        MultiEntry entry;
        const bool whole = reader.readEntry(entry);
        ++entries;
        if (whole)
            expected.insert(QFile::encodeName(destination + u'/' + entry.text + ".mlt"),
                            entry.components.size());
    }
    // A full disk or read-only file system ends the payload early.
    if (report.stopped.isEmpty() && report.written + report.failures.size() != entries)
        return QStringLiteral("%1 written and %2 failed of %3 entries")
            .arg(report.written)
            .arg(report.failures.size())
            .arg(entries);

    QSet<QByteArray> reported;
    for (const QString &file : std::as_const(report.files))
        reported.insert(QFile::encodeName(file));
    const QStringList present =
        QDir(destination)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    if (present.size() != reported.size())
        return QStringLiteral("%1 files present, %2 reported: %3")
            .arg(present.size())
            .arg(reported.size())
            .arg(present.join(QLatin1String(", ")));
    for (const QString &name : present) {
        // Not QDir::filePath: a name starting with ':' would count as absolute.
        const QString path = destination + u'/' + name;
        const QByteArray encoded = QFile::encodeName(path);
        if (!reported.contains(encoded) || !expected.contains(encoded))
            return QStringLiteral("unexpected file \"%1\"").arg(name);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("written file \"%1\" unreadable").arg(name);
        if (FuzzFailure failure = checkMultiFile(file.readAll(), expected.value(encoded));
            !failure.isEmpty())
            return QStringLiteral("\"%1\": %2").arg(name, failure);
    }
    return {};
}

FuzzFailure fuzzPayloadPreview(const QByteArray &input)
{
    DemoReaders &readers = demoReaders();
    RenderStatus status = RenderStatus::Rendered;
    const QImage image =
        renderMultiPayload(input, readers.artStore.get(), readers.tileDataStore.get(), &status);
    return checkRendering(input, status, image);
}
