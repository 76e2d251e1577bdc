#include "demoencoders.h"
#include "demographics.h"
#include "demomultis.h"

#include "core/configuration.h"

#include <QDir>
#include <QSaveFile>

namespace {

constexpr int LargeEntries = 8000;
constexpr qsizetype WriteChunk = 4 << 20;

// Entries that a real cache file can hold as well: counts of 0, below 0 and
// not a number, stray lines between entries, fields that are not numbers, a
// component line with 6 TABs and graphics beyond the art and tile tables.
QByteArray oddEntries(int &id)
{
    auto header = [&id](const char *count) {
        return QByteArray::number(id++) + "\t0\t" + count + "\t0\t0\t0\t0\n";
    };
    QByteArray text;
    text += "stray line\t1\t2\t3\t4\t5\n";
    text += header("0");
    text += "not\ta\theader\tline\t5\t6\t7\t8\n";
    text += header("-3");
    text += "1536\t0\t0\t0\t0\t0\n"; // not consumed by the negative count
    text += header("many");
    text += header("4");
    text += "1536\t0\tleft\t1\t0\t0\n";
    text += "table\t0\t1\t1\t0\t0\n";
    text += "1537\t0\t1\t0\tup\t0\n";
    text += "20000\t0\t0\t0\t0\t0\n";
    text += header("2");
    text += "1539\t0\t0\t0\t0\t0\t0\n"; // 6 TABs, still a component
    text += "1542\t0\t1\t0\t0\t0\n";
    return text;
}

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

class Output
{
public:
    explicit Output(const QString &path) : file(path) {}

    bool open() { return file.open(QIODevice::WriteOnly); }
    bool write(const QByteArray &bytes) { return file.write(bytes) == bytes.size(); }
    bool commit() { return file.commit(); }
    QString errorString() const
    {
        return file.fileName() + QStringLiteral(": ") + file.errorString();
    }

private:
    QSaveFile file;
};

bool writeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    Output output(path);
    if (!output.open() || !output.write(bytes) || !output.commit())
        return fail(error, output.errorString());
    return true;
}

bool writeCache(const QString &path, bool large, bool withOddEntries, QString *error)
{
    Output output(path);
    if (!output.open())
        return fail(error, output.errorString());
    int id = 0;
    QByteArray text;
    for (const QList<DemoComponent> &house : demoHouses())
        text += encodeCacheEntry(id++, house);
    text += encodeCacheEntry(id++, demoKeep());
    text += encodeCacheEntry(id++, demoBoat());
    if (withOddEntries)
        text += oddEntries(id);
    for (int entry = id; large && entry < LargeEntries; ++entry) {
        text += encodeCacheEntry(entry, generatedMulti(quint64(entry)));
        if (text.size() >= WriteChunk) {
            if (!output.write(text))
                return fail(error, output.errorString());
            text.clear();
        }
    }
    if (!output.write(text) || !output.commit())
        return fail(error, output.errorString());
    return true;
}

void addLand(TileDataBuilder &tiles)
{
    tiles.setLand(3, 0, 100, "grass");
    tiles.setLand(4, 0, 101, "dirt");
    tiles.setLand(5, 0, 102, "sand");
    tiles.setLand(6, 0x40, 103, "rock");
    tiles.setLand(7, qint32(0x80000040), 104, "water");
}

} // namespace

bool writeDemoSet(const QString &dir, bool large, QString *error, bool withOddEntries)
{
    if (!QDir().mkpath(dir))
        return fail(error, QStringLiteral("cannot create directory %1").arg(dir));
    const QDir directory(dir);
    auto path = [&directory](const char *name) {
        return QDir::cleanPath(directory.absoluteFilePath(QString::fromLatin1(name)));
    };

    ArtFileBuilder art;
    TileDataBuilder tiles;
    for (const DemoGraphic &graphic : demoGraphics()) {
        if (!graphic.art.isNull())
            art.add(graphic.id, graphic.art);
        tiles.setItem(graphic.id, graphic.flags, graphic.height, graphic.name);
    }
    addLand(tiles);

    Configuration configuration;
    configuration.artidx = path(DemoArtIndexName);
    configuration.artmul = path(DemoArtDataName);
    configuration.tiledata = path(DemoTileDataName);
    configuration.cache = path(DemoCacheName);
    return writeFile(configuration.artidx, art.index(), error) &&
           writeFile(configuration.artmul, art.data(), error) &&
           writeFile(configuration.tiledata, tiles.bytes(), error) &&
           writeCache(configuration.cache, large, withOddEntries, error) &&
           writeFile(path(DemoConfigName), configurationXml(configuration), error);
}
