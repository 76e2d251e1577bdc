#include "clientfilefinder.h"

#include "cache/multicache.h"
#include "clientdata.h"
#include "core/regularfile.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <memory>
#include <optional>

#include <sys/stat.h>

namespace {

// Indices into ClientFiles.
enum : int
{
    Cache = 0,
    ArtIndex = 1,
    ArtData = 2,
    TileData = 3,
};

// Art headers read from a candidate art data file, spread over the entries
// with art; at least nine in ten must be those of art, as a damaged entry or
// two may be in a client's file and an unrelated file's bytes never are.
constexpr int SampledHeaders = 64;

// Passed-over files named when a file is not found.
constexpr int ShownPassedOver = 3;

QString absolute(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// The file opened for reading; null, with `why` set, unless a regular file.
std::unique_ptr<QFile> openedFile(const QString &path, QString *why)
{
    auto file = std::make_unique<QFile>(path);
    if (!openRegularFile(*file, why))
        return nullptr;
    return file;
}

// Why the start of a file is not the cache file's; "" when it is, with the
// header lines counted in `headers`.
QString cacheProblem(const QByteArray &head, qsizetype *headers)
{
    QStringDecoder decoder(
        QStringConverter::encodingForData(head).value_or(QStringConverter::Utf8));
    const QString text = decoder.decode(head);
    if (decoder.hasError() || text.contains(QChar(0)))
        return QStringLiteral("not text");
    MultiCache cache;
    cache.read(head);
    if (cache.isEmpty())
        return QStringLiteral("text without a header line of six TABs");
    *headers = cache.size();
    return {};
}

QString shownPaths(const QStringList &paths)
{
    QStringList shown;
    for (const QString &path : paths)
        shown.append(shownPath(path));
    return shown.join(QStringLiteral(", "));
}

// The file a path reaches, links followed: device and inode.
bool identityOf(const QString &path, QPair<quint64, quint64> *identity)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    *identity = {quint64(status.st_dev), quint64(status.st_ino)};
    return true;
}

// The item graphics an index points at art for, with where each header lies.
struct IndexArt
{
    QList<int> graphics;
    QList<qint64> headerEnds; // sorted
};

IndexArt indexArt(const QByteArray &index)
{
    IndexArt art;
    const uchar *raw = reinterpret_cast<const uchar *>(index.constData());
    for (int graphicId = 0; graphicId < ArtStore::ItemGraphics; ++graphicId) {
        const qint64 at = 12 * qint64(ArtStore::ItemGraphics + graphicId);
        if (at + 8 > index.size())
            break;
        const qint32 lookup = qFromLittleEndian<qint32>(raw + at);
        const qint32 length = qFromLittleEndian<qint32>(raw + at + 4);
        if (lookup < 0 || length < 1) // as ArtStore::hasArt
            continue;
        art.graphics.append(graphicId);
        art.headerEnds.append(qint64(lookup) + 8);
    }
    std::sort(art.headerEnds.begin(), art.headerEnds.end());
    return art;
}

// The smallest art data file that holds the headers of nine in ten of the
// graphics with art.
qint64 leastDataSize(const IndexArt &art)
{
    const qsizetype count = art.headerEnds.size();
    return count == 0 ? 0 : art.headerEnds[(9 * count + 9) / 10 - 1];
}

// Up to SampledHeaders of `graphics`, spread evenly over them.
QList<int> spreadSample(const QList<int> &graphics)
{
    QList<int> sample;
    const qsizetype count = std::min<qsizetype>(graphics.size(), SampledHeaders);
    for (qsizetype k = 0; k < count; ++k)
        sample.append(graphics[k * graphics.size() / count]);
    return sample;
}

// How well an art data file fits an index: the item graphics whose header
// lies inside it, and of the headers sampled among those, how many are art.
struct ArtFit
{
    int inside = 0;
    int accepted = 0;
    int sampled = 0;
    bool fits(int withArt) const
    {
        return sampled > 0 && 10 * qint64(inside) >= 9 * qint64(withArt) &&
               10 * accepted >= 9 * sampled;
    }
    bool operator<(const ArtFit &other) const
    {
        return std::pair(inside, accepted) < std::pair(other.inside, other.accepted);
    }
    bool operator==(const ArtFit &other) const
    {
        return inside == other.inside && accepted == other.accepted;
    }
};

ArtFit artFit(const QByteArray &indexBytes, const IndexArt &art, std::unique_ptr<QIODevice> data,
              qint64 dataSize)
{
    ArtFit fit;
    QList<int> inside;
    QByteArray bytes = indexBytes;
    QBuffer buffer(&bytes);
    ArtStore store(&buffer, std::move(data));
    const uchar *raw = reinterpret_cast<const uchar *>(indexBytes.constData());
    for (const int graphicId : art.graphics) {
        const qint64 at = 12 * qint64(ArtStore::ItemGraphics + graphicId);
        if (qFromLittleEndian<qint32>(raw + at) + qint64(8) <= dataSize)
            inside.append(graphicId);
    }
    fit.inside = int(inside.size());
    const QList<int> sample = spreadSample(inside);
    fit.sampled = int(sample.size());
    fit.accepted = int(std::count_if(sample.cbegin(), sample.cend(), [&](int id) {
        qint16 width = 0;
        qint16 height = 0;
        return store.staticSize(id, width, height);
    }));
    return fit;
}

} // namespace

ClientFileFinder::ClientFileFinder(const QString &directory, const Configuration &named)
    : directory(directory), named(named)
{
    for (int i = 0; i < 4; ++i) {
        if (const QString &path = named.*ClientFiles[i].path; !path.isEmpty())
            findings[i] = {absolute(path), QStringLiteral("named")};
    }
}

bool ClientFileFinder::find(QString *error)
{
    const QFileInfo info(directory);
    if (!info.exists() || !info.isDir() || !info.isReadable()) {
        *error = !info.exists()  ? QStringLiteral("no such directory")
                 : !info.isDir() ? QStringLiteral("not a directory")
                                 : QStringLiteral("directory not readable");
        return false;
    }
    const QFileInfoList entries = QDir(directory).entryInfoList(
        QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    // Names of one file are one candidate, the first name standing for it.
    QHash<QPair<quint64, quint64>, qsizetype> byIdentity;
    for (const QFileInfo &entry : entries) {
        Candidate candidate{absolute(entry.filePath()), entry.fileName(), entry.size(), {}, 0};
        if (!entry.isFile() || !identityOf(candidate.path, &candidate.identity))
            continue;
        if (const auto seen = byIdentity.constFind(candidate.identity);
            seen != byIdentity.constEnd()) {
            ++candidates[*seen].links;
            continue;
        }
        byIdentity.insert(candidate.identity, candidates.size());
        candidates.append(candidate);
    }
    // The cache and tile data first: neither can be the art data file.
    findCache();
    findTileData();
    findArt();
    return true;
}

bool ClientFileFinder::complete() const
{
    return std::all_of(std::begin(findings), std::end(findings),
                       [](const Finding &finding) { return !finding.path.isEmpty(); });
}

Configuration ClientFileFinder::paths() const
{
    Configuration paths;
    for (int i = 0; i < 4; ++i)
        paths.*ClientFiles[i].path = findings[i].path;
    return paths;
}

QList<ClientFileFinder::Candidate> ClientFileFinder::untaken() const
{
    QList<QPair<quint64, quint64>> taken;
    for (const Finding &finding : findings) {
        QPair<quint64, quint64> identity;
        if (!finding.path.isEmpty() && identityOf(finding.path, &identity))
            taken.append(identity);
    }
    QList<Candidate> left;
    for (const Candidate &candidate : candidates) {
        if (!taken.contains(candidate.identity))
            left.append(candidate);
    }
    return left;
}

void ClientFileFinder::settle(int file, const QStringList &fits, const QStringList &why,
                              const QStringList &passedOver, const QString &none)
{
    Finding &finding = findings[file];
    if (fits.size() == 1) {
        finding = {fits.first(), why.first()};
        return;
    }
    if (fits.size() > 1) {
        finding.why = QStringLiteral("%1 all fit; name one with --%2")
                          .arg(shownPaths(fits), QLatin1String(ClientFiles[file].key));
        return;
    }
    finding.why = none;
    if (!passedOver.isEmpty()) {
        QStringList shown = passedOver.mid(0, ShownPassedOver);
        if (passedOver.size() > ShownPassedOver)
            shown.append(QStringLiteral("%1 more").arg(passedOver.size() - ShownPassedOver));
        finding.why += QStringLiteral(" (passed over: %1)").arg(shown.join(QStringLiteral("; ")));
    }
}

void ClientFileFinder::findCache()
{
    if (!findings[Cache].path.isEmpty())
        return;
    QStringList fits, why, passedOver;
    for (const Candidate &candidate : untaken()) {
        QString problem;
        qsizetype headers = 0;
        if (const auto file = openedFile(candidate.path, &problem))
            problem = cacheProblem(readUpTo(*file, TextHead), &headers);
        if (problem.isEmpty()) {
            fits.append(candidate.path);
            why.append(QStringLiteral("text whose first lines hold %1 header line%2 of six TABs")
                           .arg(headers)
                           .arg(headers == 1 ? "" : "s"));
        } else if (problem != QLatin1String("not text")) {
            passedOver.append(shownPath(candidate.name) + QStringLiteral(": ") + problem);
        }
    }
    settle(Cache, fits, why, passedOver,
           QStringLiteral("no text file there has a header line of six TABs"));
}

void ClientFileFinder::findTileData()
{
    if (!findings[TileData].path.isEmpty())
        return;
    QStringList best, passedOver;
    int bestNames = 0;
    int fitting = 0;
    for (const Candidate &candidate : untaken()) {
        if (candidate.size < TileDataStore::FileSize)
            continue;
        QString problem;
        int names = 0;
        if (const auto file = openedFile(candidate.path, &problem))
            problem = TileDataStore::layoutProblem(file.get(), &names);
        if (!problem.isEmpty()) {
            passedOver.append(shownPath(candidate.name) + QStringLiteral(": ") + problem);
            continue;
        }
        ++fitting;
        if (names > bestNames)
            best.clear(), bestNames = names;
        if (names == bestNames)
            best.append(candidate.path);
    }
    QString why = QStringLiteral("laid out as tile data, %1 of its 32768 records named in text")
                      .arg(bestNames);
    if (fitting > 1)
        why += QStringLiteral("; the most of the %1 files laid out so").arg(fitting);
    settle(TileData, best, QStringList{why}, passedOver,
           QStringLiteral("no file there of %1 bytes or more is laid out as tile data")
               .arg(TileDataStore::FileSize));
}

// One art index paired with the data files: those that fit it best.
struct ClientFileFinder::ArtPairing
{
    const Candidate *index = nullptr;
    QList<const Candidate *> data; // those that fit best, as well as each other
    ArtFit fit;
    int withArt = 0;
    int fitting = 0; // data files that fit at all
};

// The best of the pairings, and the indices of it; two as good are named.
struct ClientFileFinder::ArtChoice
{
    std::optional<ArtPairing> best;
    QStringList bestIndices;
    int fittingIndices = 0;
    QStringList passedOver;
};

ClientFileFinder::Candidate ClientFileFinder::namedCandidate(int file) const
{
    const QString &path = findings[file].path;
    Candidate named{path, path, QFileInfo(path).size(), {}, 0};
    identityOf(path, &named.identity);
    return named;
}

void ClientFileFinder::findArt()
{
    const bool indexNamed = !findings[ArtIndex].path.isEmpty();
    const bool dataNamed = !findings[ArtData].path.isEmpty();
    if (indexNamed && dataNamed)
        return;
    const QList<Candidate> others = untaken();
    const QList<Candidate> indices = indexNamed ? QList{namedCandidate(ArtIndex)} : others;
    const QList<Candidate> data = dataNamed ? QList{namedCandidate(ArtData)} : others;

    // Each index is read once and paired with every file large enough to
    // hold most of its art; the best pair wins, two as good are named.
    ArtChoice choice;
    for (const Candidate &index : indices) {
        if (!indexNamed && (index.size < ArtStore::IndexSize || index.size % 12 != 0))
            continue;
        ArtPairing pairing;
        if (!pairIndex(index, data, &pairing, &choice.passedOver))
            continue;
        ++choice.fittingIndices;
        if (!choice.best || choice.best->fit < pairing.fit) {
            choice.best = pairing;
            choice.bestIndices = {index.path};
        } else if (pairing.fit == choice.best->fit) {
            choice.bestIndices.append(index.path);
        }
    }
    settleArt(choice, indexNamed, dataNamed);
}

bool ClientFileFinder::pairIndex(const Candidate &index, const QList<Candidate> &data,
                                 ArtPairing *pairing, QStringList *passedOver) const
{
    QString problem;
    const auto indexFile = openedFile(index.path, &problem);
    const QByteArray indexBytes =
        indexFile ? readUpTo(*indexFile, ArtStore::IndexSize) : QByteArray();
    const IndexArt art = indexArt(indexBytes);
    if (!indexFile || art.graphics.isEmpty()) {
        passedOver->append(shownPath(index.name) + QStringLiteral(": ") +
                           (indexFile ? QStringLiteral("no entry points at item art") : problem));
        return false;
    }
    const int withArt = int(art.graphics.size());
    const ArtFit perfect{withArt, int(spreadSample(art.graphics).size()),
                         int(spreadSample(art.graphics).size())};
    *pairing = {&index, {}, {}, withArt, 0};
    for (const Candidate &candidate : data) {
        if (candidate.identity == index.identity || candidate.size < leastDataSize(art))
            continue;
        auto dataFile = openedFile(candidate.path, &problem);
        if (!dataFile)
            continue;
        const ArtFit fit = artFit(indexBytes, art, std::move(dataFile), candidate.size);
        if (!fit.fits(withArt))
            continue;
        ++pairing->fitting;
        if (pairing->data.isEmpty() || pairing->fit < fit)
            pairing->data = {&candidate}, pairing->fit = fit;
        else if (fit == pairing->fit)
            pairing->data.append(&candidate);
        // No other file can fit better than two that fit perfectly.
        if (pairing->data.size() > 1 && pairing->fit == perfect)
            break;
    }
    if (pairing->data.isEmpty()) {
        passedOver->append(shownPath(index.name) +
                           QStringLiteral(": no other file holds nine in ten of its %1 item "
                                          "graphics with headers of art where it points")
                               .arg(withArt));
        return false;
    }
    return true;
}

void ClientFileFinder::settleArt(const ArtChoice &choice, bool indexNamed, bool dataNamed)
{
    QStringList indexWhy, dataFits, dataWhy;
    if (const std::optional<ArtPairing> &best = choice.best) {
        const Candidate &index = *best->index;
        const Candidate &data = *best->data.first();
        QString why = QStringLiteral("%1 bytes of 12-byte entries, %2 pointing at item art, %3 "
                                     "of them inside %4")
                          .arg(index.size)
                          .arg(best->withArt)
                          .arg(best->fit.inside)
                          .arg(shownPath(data.path));
        if (best->fit.inside < best->withArt)
            why += QStringLiteral("; the %1 past its end are read as without art")
                       .arg(best->withArt - best->fit.inside);
        if (choice.fittingIndices > 1)
            why +=
                QStringLiteral("; the best of the %1 indices that fit").arg(choice.fittingIndices);
        indexWhy.append(why);
        for (const Candidate *fitting : std::as_const(best->data))
            dataFits.append(fitting->path);
        why = QStringLiteral("holds the art %1 points at; %2 of %3 headers sampled there are art")
                  .arg(shownPath(index.path))
                  .arg(best->fit.accepted)
                  .arg(best->fit.sampled);
        if (best->fitting > 1)
            why += QStringLiteral("; the best of the %1 files that hold it").arg(best->fitting);
        dataWhy.append(why);
    }
    const QStringList &bestIndices = choice.bestIndices;
    if (!indexNamed)
        settle(ArtIndex, bestIndices, indexWhy, choice.passedOver,
               QStringLiteral("no file there of %1 bytes or more of 12-byte entries points at "
                              "art inside another file of it")
                   .arg(ArtStore::IndexSize));
    if (!dataNamed) {
        // The art data is the one the chosen index points into.
        if (bestIndices.size() > 1)
            dataFits.clear();
        settle(ArtData, dataFits, dataWhy, indexNamed ? choice.passedOver : QStringList(),
               bestIndices.size() > 1
                   ? QStringLiteral("it is found by the art index's entries, and the art index "
                                    "was not chosen")
               : !choice.best && !indexNamed
                   ? QStringLiteral("it is found by the art index's entries, and no art index "
                                    "was found")
                   : QStringLiteral("no other file there holds the art the art index points at"));
    }
}
