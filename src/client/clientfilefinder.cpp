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
#include <QStringDecoder>

#include <algorithm>
#include <memory>

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

// Up to SampledHeaders item graphics with art, spread evenly over them.
QList<int> sampledGraphics(const ArtStore &art)
{
    QList<int> withArt;
    for (int graphicId = 0; graphicId < ArtStore::ItemGraphics; ++graphicId) {
        if (art.hasArt(graphicId))
            withArt.append(graphicId);
    }
    QList<int> sample;
    for (qsizetype k = 0; k < SampledHeaders && k < withArt.size(); ++k)
        sample.append(
            withArt[k * withArt.size() / std::min<qsizetype>(withArt.size(), SampledHeaders)]);
    return sample;
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
    for (const QFileInfo &entry : entries) {
        if (entry.isFile())
            candidates.append({absolute(entry.filePath()), entry.fileName(), entry.size()});
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
    QList<Candidate> left;
    for (const Candidate &candidate : candidates) {
        if (std::none_of(std::begin(findings), std::end(findings),
                         [&](const Finding &taken) { return taken.path == candidate.path; }))
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
    QStringList fits, why, passedOver;
    for (const Candidate &candidate : untaken()) {
        if (candidate.size < TileDataStore::FileSize)
            continue;
        QString problem;
        if (const auto file = openedFile(candidate.path, &problem))
            problem = TileDataStore::layoutProblem(file.get());
        if (problem.isEmpty()) {
            fits.append(candidate.path);
            why.append(QStringLiteral("laid out as tile data, every record's name text"));
        } else {
            passedOver.append(shownPath(candidate.name) + QStringLiteral(": ") + problem);
        }
    }
    settle(TileData, fits, why, passedOver,
           QStringLiteral("no file there of %1 bytes or more is laid out as tile data")
               .arg(TileDataStore::FileSize));
}

void ClientFileFinder::findArt()
{
    const bool indexNamed = !findings[ArtIndex].path.isEmpty();
    const bool dataNamed = !findings[ArtData].path.isEmpty();
    if (indexNamed && dataNamed)
        return;
    const QList<Candidate> others = untaken();
    const auto namedFile = [this](int file) {
        const QString &path = findings[file].path;
        return QList<Candidate>{{path, path, QFileInfo(path).size()}};
    };
    const QList<Candidate> indices = indexNamed ? namedFile(ArtIndex) : others;
    const QList<Candidate> data = dataNamed ? namedFile(ArtData) : others;

    QStringList indexFits, indexWhy, dataFits, dataWhy, passedOver;
    for (const Candidate &index : indices) {
        if (!indexNamed && (index.size < ArtStore::IndexSize || index.size % 12 != 0))
            continue;
        QString problem;
        const auto indexFile = openedFile(index.path, &problem);
        QByteArray indexBytes;
        if (indexFile)
            indexBytes = readUpTo(*indexFile, ArtStore::IndexSize);
        QBuffer indexBuffer(&indexBytes);
        const ArtStore probe(&indexBuffer, nullptr);
        const ArtStore::Survey survey = probe.survey();
        if (!indexFile || survey.withArt == 0) {
            passedOver.append(
                shownPath(index.name) + QStringLiteral(": ") +
                (indexFile ? QStringLiteral("no entry points at item art") : problem));
            continue;
        }
        const QList<int> sample = sampledGraphics(probe);
        bool fitted = false;
        for (const Candidate &candidate : data) {
            if (candidate.path == index.path || candidate.size < survey.artEnd)
                continue;
            auto dataFile = openedFile(candidate.path, &problem);
            if (!dataFile)
                continue;
            QBuffer buffer(&indexBytes);
            ArtStore art(&buffer, std::move(dataFile));
            const int accepted = int(std::count_if(sample.cbegin(), sample.cend(), [&](int id) {
                qint16 width = 0;
                qint16 height = 0;
                return art.staticSize(id, width, height);
            }));
            if (accepted * 10 < sample.size() * 9)
                continue;
            fitted = true;
            if (!indexFits.contains(index.path)) {
                indexFits.append(index.path);
                indexWhy.append(QStringLiteral("%1 bytes of 12-byte entries, %2 pointing at item "
                                               "art, all of it inside %3")
                                    .arg(index.size)
                                    .arg(survey.withArt)
                                    .arg(shownPath(candidate.path)));
            }
            if (!dataFits.contains(candidate.path)) {
                dataFits.append(candidate.path);
                dataWhy.append(QStringLiteral("holds the art %1 points at; %2 of %3 headers "
                                              "sampled there are art")
                                   .arg(shownPath(index.path))
                                   .arg(accepted)
                                   .arg(sample.size()));
            }
        }
        if (!fitted)
            passedOver.append(shownPath(index.name) +
                              QStringLiteral(": no other file holds its art (up to byte %1) "
                                             "with headers of art where it points")
                                  .arg(survey.artEnd));
    }
    if (!indexNamed)
        settle(ArtIndex, indexFits, indexWhy, passedOver,
               QStringLiteral("no file there of %1 bytes or more of 12-byte entries points at "
                              "art inside another file of it")
                   .arg(ArtStore::IndexSize));
    if (!dataNamed)
        settle(ArtData, dataFits, dataWhy, indexNamed ? passedOver : QStringList(),
               indexFits.isEmpty() && !indexNamed
                   ? QStringLiteral("it is found by the art index's entries, and no art index "
                                    "was found")
                   : QStringLiteral("no other file there holds the art the art index points at"));
}
