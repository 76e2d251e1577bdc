#include "benchreport.h"

#include "cache/multicache.h"
#include "compare/componentvalue.h"
#include "compare/multicomparison.h"
#include "core/configuration.h"
#include "data/artstore.h"
#include "demoencoders.h"
#include "demographics.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QtEndian>

#include <algorithm>
#include <cstdio>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The status of korvane-cli run as a user's script runs it; -1 when it did
// not end normally.
int runCli(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

// Flips the colour bits of the first pixel painted of a graphic's art, in
// place.
bool repaint(const QByteArray &index, QByteArray *data, int graphic)
{
    const qint64 at = 12 * (qint64(ArtStore::ItemGraphics) + graphic);
    const qint32 lookup = qFromLittleEndian<qint32>(index.constData() + at);
    if (at + 8 > index.size() || lookup < 0 || lookup + 8 > data->size())
        return false;
    uchar *art = reinterpret_cast<uchar *>(data->data()) + lookup;
    const int height = qFromLittleEndian<quint16>(art + 6);
    for (int y = 0; y < height; ++y) {
        qint64 pos = 8 + 2 * (height + qint64(qFromLittleEndian<qint16>(art + 8 + 2 * y)));
        for (;;) {
            const qint16 skip = qFromLittleEndian<qint16>(art + pos);
            const qint16 count = qFromLittleEndian<qint16>(art + pos + 2);
            if (skip + count == 0)
                break;
            if (count > 0) {
                art[pos + 4] ^= 0x1F;
                return true;
            }
            pos += 4;
        }
    }
    return false;
}

// A copy of the large set in `dir` with about 1% of its entries changed: 16
// removed, 16 added, 16 with other walls, and the art of the rarest graphics
// repainted, those that about 80 entries draw. False when it cannot be written.
bool writeUpdatedSet(const Configuration &large, const QString &dir, int *repaintedUsers)
{
    MultiCache cache;
    if (!cache.load(large.cache))
        return false;
    QList<QList<DemoComponent>> entries;
    QHash<int, int> users; // entries drawing each graphic
    std::vector<ComponentValue> values;
    for (qsizetype n = 0; n < cache.size(); ++n) {
        readComponentValues(cache.components(n), &values);
        QList<DemoComponent> components;
        QSet<int> graphics;
        for (const ComponentValue &v : values) {
            components.append({v.graphic, v.x, v.y, v.z});
            graphics.insert(v.graphic);
        }
        for (int graphic : graphics)
            ++users[graphic];
        entries.append(components);
    }
    const QByteArray index = fileBytes(large.artidx);
    QByteArray data = fileBytes(large.artmul);
    ArtStore art(large.artidx, large.artmul);
    // The rarest graphics with art, until about 80 entries draw them.
    QList<std::pair<int, int>> rarest; // users, graphic
    for (auto it = users.cbegin(); it != users.cend(); ++it) {
        if (art.hasArt(it.key()))
            rarest.append({it.value(), it.key()});
    }
    std::sort(rarest.begin(), rarest.end());
    QList<int> repainted;
    *repaintedUsers = 0;
    for (const auto &[count, graphic] : rarest) {
        if (*repaintedUsers >= 80)
            break;
        *repaintedUsers += count;
        repainted.append(graphic);
    }
    QList<QList<DemoComponent>> updated;
    for (qsizetype n = 0; n < entries.size(); ++n) {
        QList<DemoComponent> entry = entries[n];
        if (n % 500 == 100)
            continue; // removed
        if (n % 500 == 200) {
            for (DemoComponent &c : entry) {
                if (c.graphicId >= Gfx::WallBase && c.graphicId < Gfx::WallBase + 8 * WallMaterials)
                    c.graphicId =
                        Gfx::WallBase + (c.graphicId - Gfx::WallBase + 8) % (8 * WallMaterials);
            }
        }
        if (n % 500 == 300)
            updated.append({{Gfx::Fountain, 0, 0, 0}, {Gfx::Tree, int(n % 7), 1, 0}});
        updated.append(entry);
    }
    QByteArray text;
    for (qsizetype n = 0; n < updated.size(); ++n)
        text += encodeCacheEntry(int(n), updated[n]);
    const Configuration files{dir + QStringLiteral("/art-index.bin"),
                              dir + QStringLiteral("/art-data.bin"), large.tiledata,
                              dir + QStringLiteral("/multicache.txt")};
    for (int graphic : repainted) {
        if (!repaint(index, &data, graphic))
            return false;
    }
    return QDir().mkpath(dir) && writeFile(files.artidx, index) && writeFile(files.artmul, data) &&
           writeFile(files.cache, text) &&
           writeFile(dir + QStringLiteral("/korvane.xml"), configurationXml(files));
}

// diff --gallery, its pictures trimmed and marked, beside two trimmed
// galleries that draw only the pictures it shows; whether every run did.
bool galleryRow(const BenchContext &context, const QString &program, const QString &oldConfig,
                const QString &newConfig, const MultiComparison &comparison)
{
    bool ok = true;
    // The pictures the gallery shows, drawn by two galleries of those entries.
    QStringList oldEntries;
    QStringList newEntries;
    for (const MultiDifference &d : comparison.differences()) {
        if (d.kind == MultiDifference::Renumbered)
            continue;
        if (d.kind != MultiDifference::Added)
            oldEntries << QString::number(d.oldEntry);
        if (d.kind != MultiDifference::Removed)
            newEntries << QString::number(d.newEntry);
    }
    const QString sheet = context.scratchDir + QStringLiteral("/diff-sheet");
    const double gallery = medianSeconds(3, [&] {
        ok = runCli(program, {QStringLiteral("diff"), oldConfig, newConfig,
                              QStringLiteral("--gallery"), sheet}) == 1 &&
             ok;
    });
    const QString oldSheet = context.scratchDir + QStringLiteral("/old-sheet");
    const QString newSheet = context.scratchDir + QStringLiteral("/new-sheet");
    const double pictures = medianSeconds(3, [&] {
        ok = runCli(program,
                    QStringList{QStringLiteral("gallery"), oldSheet, QStringLiteral("--force"),
                                QStringLiteral("--trim"), QStringLiteral("--config"), oldConfig} +
                        oldEntries) == 0 &&
             runCli(program,
                    QStringList{QStringLiteral("gallery"), newSheet, QStringLiteral("--force"),
                                QStringLiteral("--trim"), QStringLiteral("--config"), newConfig} +
                        newEntries) == 0 &&
             ok;
    });
    reportValue(QStringLiteral("pictures shown"), double(oldEntries.size() + newEntries.size()),
                QString());
    reportRatio(QStringLiteral("korvane-cli diff OLD NEW --gallery DIR (trimmed, marked)"), gallery,
                QStringLiteral("two trimmed galleries of only those pictures, unmarked (aim: at "
                               "most 1.2 times)"),
                pictures, QStringLiteral("s"));
    return ok;
}

// korvane-cli diff of the large set against an updated copy, whole process,
// beside two list runs of the same files; then diff --gallery beside two
// galleries that draw only the pictures it shows.
void diffSection(const BenchContext &context)
{
    const QString program = context.buildDir + QStringLiteral("/src/korvane-cli");
    const QString oldConfig = context.largeDir + QStringLiteral("/korvane.xml");
    const QString updated = context.scratchDir + QStringLiteral("/updated");
    const QString newConfig = updated + QStringLiteral("/korvane.xml");
    const ConfigurationFile large = readConfigurationFile(oldConfig);
    int repaintedUsers = 0;
    if (!QFileInfo(program).isExecutable() || !large.opened ||
        !writeUpdatedSet(large.values, updated, &repaintedUsers)) {
        std::printf("korvane-cli, the large demo set or its updated copy is missing\n");
        return;
    }

    // What the comparison finds, as the command finds it.
    const ConfigurationFile next = readConfigurationFile(newConfig);
    MultiCache before;
    MultiCache after;
    before.load(large.values.cache);
    after.load(next.values.cache);
    ArtStore oldArt(large.values.artidx, large.values.artmul);
    ArtStore newArt(next.values.artidx, next.values.artmul);
    const MultiComparison comparison({before.entries(), &oldArt, nullptr},
                                     {after.entries(), &newArt, nullptr},
                                     MultiComparison::CountComponents);
    static const char *const kinds[] = {"added", "removed", "renumbered", "changed",
                                        "picture changed"};
    for (int kind = 0; kind < MultiDifference::Kinds; ++kind)
        reportValue(QStringLiteral("entries %1").arg(QLatin1String(kinds[kind])),
                    double(comparison.count(MultiDifference::Kind(kind))), QString());
    reportValue(QStringLiteral("entries drawing the graphics repainted"), double(repaintedUsers),
                QString());
    reportValue(QStringLiteral("art entries decoded"), double(comparison.artDecoded()), QString());

    bool ok = true;
    const double diff = medianSeconds(5, [&] {
        ok = runCli(program, {QStringLiteral("diff"), oldConfig, newConfig}) == 1 && ok;
    });
    const double lists = medianSeconds(5, [&] {
        ok =
            runCli(program, {QStringLiteral("list"), QStringLiteral("--config"), oldConfig}) == 0 &&
            runCli(program, {QStringLiteral("list"), QStringLiteral("--config"), newConfig}) == 0 &&
            ok;
    });
    reportRatio(QStringLiteral("korvane-cli diff OLD NEW (large set, 1% changed)"), diff,
                QStringLiteral("two list runs (aim: at most 3 times)"), lists, QStringLiteral("s"));
    const double components = medianSeconds(5, [&] {
        ok = runCli(program, {QStringLiteral("diff"), QStringLiteral("--components"), oldConfig,
                              newConfig}) == 1 &&
             ok;
    });
    reportRatio(QStringLiteral("korvane-cli diff --components OLD NEW"), components,
                QStringLiteral("two list runs (aim: at most 3 times)"), lists, QStringLiteral("s"));

    ok = galleryRow(context, program, oldConfig, newConfig, comparison) && ok;
    if (!ok)
        std::printf("a korvane-cli run failed\n");
}

// Entries of cache text made of `components`, each list an entry.
QList<MultiEntry> cacheEntries(const QList<QList<DemoComponent>> &components)
{
    QByteArray text;
    for (qsizetype n = 0; n < components.size(); ++n)
        text += encodeCacheEntry(int(n), components[n]);
    MultiCache cache;
    cache.read(text);
    return cache.entries();
}

// Seconds to compare `olds` with `news`, the best of three.
double comparisonSeconds(const QList<MultiEntry> &olds, const QList<MultiEntry> &news)
{
    return bestSeconds(3, [&] { MultiComparison({olds}, {news}); });
}

// The pairing's worst overlap: N one-component entries against one new entry
// holding all of them, beside the same sizes sharing nothing; then one entry
// of 2,000,000 components with 3 in 10 changed, listed, beside reading and
// sorting the components of both.
void pairingSection(const BenchContext &)
{
    double times[2] = {};
    double baselines[2] = {};
    int row = 0;
    for (const int size : {20000, 200000}) {
        QList<QList<DemoComponent>> singles;
        QList<DemoComponent> all;
        QList<DemoComponent> others;
        for (int n = 0; n < size; ++n) {
            const DemoComponent component{1 + n % 9000, n / 9000, n % 97, n % 20};
            singles.append({component});
            all.append(component);
            others.append({10000 + n % 9000, n / 9000, n % 97, n % 20});
        }
        const QList<MultiEntry> olds = cacheEntries(singles);
        times[row] = comparisonSeconds(olds, cacheEntries({all}));
        baselines[row] = comparisonSeconds(olds, cacheEntries({others}));
        reportRatio(QStringLiteral("pair %L1 one-component entries with one of all").arg(size),
                    times[row], QStringLiteral("the same sizes, nothing shared"), baselines[row],
                    QStringLiteral("s"));
        ++row;
    }
    reportRatio(QStringLiteral("200,000 against 20,000 entries"), times[1] / times[0],
                QStringLiteral("the same, nothing shared"), baselines[1] / baselines[0],
                QStringLiteral("x"));

    QList<DemoComponent> before;
    QList<DemoComponent> after;
    for (int n = 0; n < 2000000; ++n) {
        const DemoComponent component{1 + n % 5000, n % 1000, n / 1000, n % 3};
        before.append(component);
        switch (n % 10) {
        case 0: // moved
            after.append({component.graphicId, component.x, component.y, component.z + 5});
            break;
        case 1: // replaced
            after.append({component.graphicId + 7000, component.x, component.y, component.z});
            break;
        case 2: // removed, and another added elsewhere
            after.append({component.graphicId + 20000, component.x + 2000, component.y, 0});
            break;
        default:
            after.append(component);
        }
    }
    const QList<MultiEntry> big = cacheEntries({before});
    const QList<MultiEntry> bigAfter = cacheEntries({after});
    const double changed = comparisonSeconds(big, bigAfter);
    std::vector<ComponentValue> values;
    const double sorted = bestSeconds(3, [&] {
        readSortedComponentValues(big[0].components, &values);
        readSortedComponentValues(bigAfter[0].components, &values);
    });
    reportRatio(QStringLiteral("one entry of 2,000,000 components, 30% changed"), changed,
                QStringLiteral("read and sort both entries' components"), sorted,
                QStringLiteral("s"));
    const MultiComparison comparison({big}, {bigAfter});
    reportValue(QStringLiteral("its components listed"),
                double(comparison.differences().value(0).components.size()), QString());
}

} // namespace

KORVANE_BENCH_SECTION("diff", diffSection);
KORVANE_BENCH_SECTION("diff pairing", pairingSection);
