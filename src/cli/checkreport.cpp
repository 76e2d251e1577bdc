#include "checkreport.h"

#include "cache/multicache.h"
#include "client/clientdata.h"
#include "commandoutput.h"
#include "core/configuration.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

// One client file: where it is, what it is, and what was read from it.
struct FileCheck
{
    const ClientFile *file = nullptr;
    QString path;
    QJsonObject facts; // found, regular file, readable, size, what was read
    QStringList lines; // the same in words, after the file line
    QString problem;   // why it cannot be used; empty when it can
};

// "1 line", "2 lines".
QString counted(qint64 count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

QString sizeText(qint64 bytes)
{
    return counted(bytes, "byte", "bytes");
}

// Whether the file is there at all, before a reader looks at it.
void describeFile(FileCheck &file)
{
    const QFileInfo info(file.path);
    file.facts[u"found"] = info.exists();
    file.facts[u"regularFile"] = info.isFile();
    file.facts[u"readable"] = info.isReadable();
    if (info.isFile())
        file.facts[u"size"] = info.size();
    if (!info.exists())
        file.lines.append(QStringLiteral("file         not found"));
    else
        file.lines.append(
            QStringLiteral("file         %1, %2%3")
                .arg(info.isFile() ? QStringLiteral("regular file")
                                   : QStringLiteral("not a regular file"),
                     info.isReadable() ? QStringLiteral("readable")
                                       : QStringLiteral("not readable"),
                     info.isFile() ? QStringLiteral(", ") + sizeText(info.size()) : QString()));
}

void checkCache(FileCheck &file)
{
    MultiCache cache;
    if (!cache.load(file.path)) {
        file.problem = cache.errorString();
        return;
    }
    const CacheScan &scan = cache.scan();
    QStringList first;
    QJsonArray firstJson;
    for (qsizetype line : scan.firstSkipped) {
        first.append(QString::number(line));
        firstJson.append(line);
    }
    file.facts[u"entries"] = cache.size();
    file.facts[u"componentLines"] = scan.componentLines;
    file.facts[u"skippedLines"] = scan.skippedLines;
    file.facts[u"firstSkippedLines"] = firstJson;
    file.facts[u"countsPastEnd"] = scan.countsPastEnd;
    file.facts[u"entriesWithoutComponents"] = scan.withoutComponents;
    file.lines.append(QStringLiteral("read         %1, %2")
                          .arg(counted(cache.size(), "entry", "entries"),
                               counted(scan.componentLines, "component line", "component lines")));
    file.lines.append(
        QStringLiteral("skipped      %1%2")
            .arg(counted(scan.skippedLines, "line", "lines"))
            .arg(first.isEmpty()
                     ? QString()
                     : QStringLiteral(" (first: line %1)").arg(first.join(QStringLiteral(", ")))));
    file.lines.append(QStringLiteral("odd          %1 past the end of the file, %2 without "
                                     "components")
                          .arg(counted(scan.countsPastEnd, "header counts", "headers count"),
                               counted(scan.withoutComponents, "entry", "entries")));
}

void checkArt(FileCheck &index, FileCheck &data)
{
    const ArtStore art(index.path, data.path);
    index.problem = art.indexError();
    data.problem = art.dataError();
    const ArtStore::Survey survey = art.survey();
    if (index.problem.isEmpty()) {
        index.facts[u"itemGraphicsWithArt"] = survey.withArt;
        index.facts[u"complete"] = survey.indexBytes >= ArtStore::IndexSize;
        index.lines.append(QStringLiteral("read         %1 of 16384 item graphics have art%2")
                               .arg(survey.withArt)
                               .arg(survey.indexBytes < ArtStore::IndexSize
                                        ? QStringLiteral("; short: the rest have none")
                                        : QString()));
    }
    if (index.problem.isEmpty() && data.problem.isEmpty()) {
        index.facts[u"headersPastData"] = survey.headerOutside;
        index.lines.append(QStringLiteral("odd          %1 of them start past the end of the art "
                                          "data file")
                               .arg(survey.headerOutside));
    }
}

void checkTiles(FileCheck &file)
{
    const TileDataStore tiles(file.path);
    file.problem = tiles.errorString();
    if (!file.problem.isEmpty())
        return;
    const bool complete = tiles.bytesRead() >= TileDataStore::FileSize;
    file.facts[u"records"] = 2 * 16384;
    file.facts[u"complete"] = complete;
    file.lines.append(
        complete ? QStringLiteral("read         16384 land and 16384 item records")
                 : QStringLiteral("read         short: %1 of %2; the records past its end read as "
                                  "zeros")
                       .arg(sizeText(tiles.bytesRead()), sizeText(TileDataStore::FileSize)));
}

// What is odd about a path that the window uses exactly as written: white
// space at its start or end, a line break anywhere. "" when nothing is.
QString oddSpacing(const QString &path)
{
    if (path.isEmpty())
        return {};
    const auto isBreak = [](QChar c) { return c == u'\n' || c == u'\r'; };
    QStringList odd;
    if (path.front().isSpace() && !isBreak(path.front()))
        odd.append(QStringLiteral("white space at its start"));
    if (path.back().isSpace() && !isBreak(path.back()))
        odd.append(QStringLiteral("white space at its end"));
    if (std::any_of(path.cbegin(), path.cend(), isBreak))
        odd.append(QStringLiteral("a line break"));
    return odd.join(QStringLiteral(" and "));
}

// The report of one configuration: what was read of it, then of each file.
class CheckReport
{
public:
    explicit CheckReport(const QString &configPath) : configPath(configPath) {}

    void readConfiguration(bool lookedUp);
    void checkFiles();
    void describeFiles();
    int print(const CommandOutput &output, bool json) const;

private:
    QByteArray jsonReport() const;
    QByteArray textReport() const;

    QString configPath;
    FileCheck files[4];
    bool readable = false; // whether the configuration gave its values
    QJsonObject configJson;
    QJsonArray filesJson;
    QStringList lines; // the report in words
    QStringList problems;
    QStringList warnings;
};

void CheckReport::readConfiguration(bool lookedUp)
{
    const ConfigurationFile configuration = readConfigurationFile(configPath);
    bool anyValue = false;
    for (int i = 0; i < 4; ++i) {
        files[i].file = &ClientFiles[i];
        files[i].path = configuration.values.*ClientFiles[i].path;
        anyValue = anyValue || !files[i].path.isEmpty();
    }
    // A document cut short may still have given its values, as the window
    // takes them; one that gave none names no file, and that is its problem.
    readable = configuration.opened && (configuration.wellFormed || anyValue);

    configJson = {{QStringLiteral("path"), configPath},
                  {QStringLiteral("opened"), configuration.opened},
                  {QStringLiteral("xml"), configuration.wellFormed}};
    lines = {QStringLiteral("configuration %1").arg(configPath)};
    if (lookedUp) {
        const QStringList places = configurationPlaces();
        configJson[u"lookedFor"] = QJsonArray::fromStringList(places);
        lines.append(
            QStringLiteral("  looked for   %1").arg(places.join(QStringLiteral(", then "))));
    }
    if (!configuration.opened) {
        configJson[u"error"] = configuration.errorString;
        problems.append(cannotOpenConfiguration(configPath, configuration.errorString));
        lines.append(QStringLiteral("  read         no: %1").arg(configuration.errorString));
    } else if (configuration.wellFormed) {
        lines.append(QStringLiteral("  read         yes, XML"));
    } else if (readable) {
        lines.append(QStringLiteral("  read         yes, not well-formed XML; the values read "
                                    "from it:"));
        warnings.append(QStringLiteral("configuration %1 is not well-formed XML; the values read "
                                       "from it are used, as the window uses them")
                            .arg(configPath));
    } else {
        lines.append(QStringLiteral("  read         yes, not XML"));
        problems.append(QStringLiteral("configuration %1 is not XML").arg(configPath));
    }
}

void CheckReport::checkFiles()
{
    QStringList named;
    QJsonObject names;
    for (FileCheck &file : files) {
        names[QLatin1String(file.file->key)] = file.path;
        if (!file.path.isEmpty())
            named.append(QLatin1String(file.file->key));
    }
    configJson[u"names"] = names;
    if (!readable)
        return;
    lines.append(
        QStringLiteral("  names        %1")
            .arg(named.isEmpty() ? QStringLiteral("none of the four files") : named.join(u' ')));
    for (FileCheck &file : files) {
        if (file.path.isEmpty())
            file.problem = QStringLiteral("not named");
        else
            describeFile(file);
    }
    if (!files[0].path.isEmpty())
        checkCache(files[0]);
    if (!files[1].path.isEmpty() && !files[2].path.isEmpty())
        checkArt(files[1], files[2]);
    if (!files[3].path.isEmpty())
        checkTiles(files[3]);
}

void CheckReport::describeFiles()
{
    for (FileCheck &file : files) {
        if (!readable)
            break;
        const QString what = QLatin1String(file.file->what);
        const QString key = QLatin1String(file.file->key);
        if (const QString odd = oddSpacing(file.path); !odd.isEmpty())
            warnings.append(QStringLiteral("configuration %1 names the %2 (%3) %4, with %5: "
                                           "likely a mistake, as the path is used as it stands")
                                .arg(configPath, what, key, quotedPath(file.path), odd));
        lines.append(QStringLiteral("%1 (%2) %3").arg(what, key, shownPath(file.path)));
        for (const QString &line : std::as_const(file.lines))
            lines.append(QStringLiteral("  ") + line);
        if (file.path.isEmpty())
            problems.append(file.file->notNamed(configPath));
        else if (!file.problem.isEmpty())
            problems.append(file.file->unreadable(file.path, file.problem));
        lines.append(QStringLiteral("  usable       %1")
                         .arg(file.problem.isEmpty() ? QStringLiteral("yes")
                                                     : QStringLiteral("no: ") + file.problem));
        file.facts[u"key"] = key;
        file.facts[u"path"] = file.path;
        file.facts[u"usable"] = file.problem.isEmpty();
        if (!file.problem.isEmpty())
            file.facts[u"problem"] = file.problem;
        filesJson.append(file.facts);
    }
}

QByteArray CheckReport::jsonReport() const
{
    const QJsonObject object{{QStringLiteral("configuration"), configJson},
                             {QStringLiteral("files"), filesJson},
                             {QStringLiteral("usable"), problems.isEmpty()},
                             {QStringLiteral("problems"), QJsonArray::fromStringList(problems)},
                             {QStringLiteral("warnings"), QJsonArray::fromStringList(warnings)}};
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

QByteArray CheckReport::textReport() const
{
    const bool usable = problems.isEmpty();
    QString summary = usable ? QStringLiteral("all four files can be used")
                             : counted(problems.size(), "problem", "problems");
    if (!warnings.isEmpty())
        summary += (usable ? QStringLiteral("; ") : QStringLiteral(", ")) +
                   counted(warnings.size(), "warning", "warnings");
    return (lines + QStringList{summary}).join(u'\n').toUtf8() + '\n';
}

int CheckReport::print(const CommandOutput &output, bool json) const
{
    output.write(json ? jsonReport() : textReport());
    if (!output.flush(QStringLiteral("the report")))
        return ExitInput;
    for (const QString &warning : warnings)
        output.error(QStringLiteral("warning: ") + warning);
    for (const QString &problem : problems)
        output.error(problem);
    return problems.isEmpty() ? ExitSuccess : ExitInput;
}

} // namespace

int printCheckReport(const CommandOutput &output, const QString &configPath, bool lookedUp,
                     bool json)
{
    CheckReport report(configPath);
    report.readConfiguration(lookedUp);
    report.checkFiles();
    report.describeFiles();
    return report.print(output, json);
}
