#include "clientdata.h"
#include "clioptions.h"
#include "commands.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

QByteArray tabSeparated(const QList<CacheEntry> &entries)
{
    QByteArray out;
    out.reserve(entries.size() * 40);
    for (qsizetype n = 0; n < entries.size(); ++n) {
        const QRect &bounds = entries[n].bounds;
        out += ClientData::entryName(n).toUtf8();
        for (qsizetype value :
             {qsizetype(entries[n].components.size()), qsizetype(bounds.left()),
              qsizetype(bounds.top()), qsizetype(bounds.right()), qsizetype(bounds.bottom())}) {
            out += '\t';
            out += QByteArray::number(value);
        }
        out += '\n';
    }
    return out;
}

QByteArray json(const QList<CacheEntry> &entries)
{
    QJsonArray array;
    for (qsizetype n = 0; n < entries.size(); ++n) {
        const QRect &bounds = entries[n].bounds;
        array.append(QJsonObject{{QStringLiteral("name"), ClientData::entryName(n)},
                                 {QStringLiteral("components"), entries[n].components.size()},
                                 {QStringLiteral("x1"), bounds.left()},
                                 {QStringLiteral("y1"), bounds.top()},
                                 {QStringLiteral("x2"), bounds.right()},
                                 {QStringLiteral("y2"), bounds.bottom()}});
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

} // namespace

int runList(const QStringList &arguments)
{
    CommandLine commandLine(
        QStringLiteral("list"),
        QStringLiteral("Lists the entries of the multi cache file, one line each: the entry's "
                       "name, its component count and its bounds x1, y1, x2, y2, separated "
                       "by TABs."));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Print a JSON array of objects instead."));
    commandLine.parser().addOption(jsonOption);
    if (const auto outcome = commandLine.parse(arguments); outcome != CommandLine::Run)
        return outcome == CommandLine::Finished ? ExitSuccess : ExitUsage;
    if (!commandLine.arguments().isEmpty())
        return usageError(QStringLiteral("list takes no arguments"));

    ClientData client;
    if (!client.readConfiguration(commandLine.configPath()) || !client.loadEntries()) {
        printError(client.errorMessage());
        return ExitInput;
    }
    const QByteArray out = commandLine.parser().isSet(jsonOption) ? json(client.entries())
                                                                  : tabSeparated(client.entries());
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    if (std::fflush(stdout) != 0) {
        printError(QStringLiteral("cannot write the list to standard output"));
        return ExitInput;
    }
    return ExitSuccess;
}
