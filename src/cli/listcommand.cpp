#include "client/clientdata.h"
#include "clioptions.h"
#include "commands.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iterator>

namespace {

// One row of the list: an entry's number, name, component count and bounds.
struct Row
{
    qsizetype number; // -1 for a .mlt file
    QString name;
    qint64 components;
    QRect bounds;
};

// Writes rows to standard output as they come, so that no list is held whole:
// TAB-separated (name, components, x1, y1, x2, y2) or a JSON array of objects
// with the same keys in the same order after "number". An entry without
// components has no bounds: empty columns, or null.
class RowWriter
{
public:
    explicit RowWriter(bool json) : json(json) {}

    void add(const Row &row)
    {
        line.clear();
        const bool bounded = row.components > 0;
        const QRect &b = row.bounds;
        const int bounds[] = {b.left(), b.top(), b.right(), b.bottom()};
        if (json) {
            static const char *const keys[] = {"x1", "y1", "x2", "y2"};
            line += rows++ ? ",\n    {\n" : "[\n    {\n";
            line += "        \"number\": ";
            if (row.number >= 0)
                appendNumber(row.number);
            else
                line += "null";
            line += ",\n        \"name\": " + jsonString(row.name);
            line += ",\n        \"components\": ";
            appendNumber(row.components);
            for (int i = 0; i < 4; ++i) {
                line += ",\n        \"";
                line += keys[i];
                line += "\": ";
                if (bounded)
                    appendNumber(bounds[i]);
                else
                    line += "null";
            }
            line += "\n    }";
        } else {
            line += row.name.toUtf8();
            line += '\t';
            appendNumber(row.components);
            for (int value : bounds) {
                line += '\t';
                if (bounded)
                    appendNumber(value);
            }
            line += '\n';
        }
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    }

    // Ends the list.
    void finish()
    {
        if (json)
            std::fputs(rows ? "\n]\n" : "[\n]\n", stdout);
    }

private:
    // Qt's JSON coding of one string; printable ASCII without quotes or
    // backslashes (every "Entry N") is its own coding, between quotes.
    static QByteArray jsonString(const QString &text)
    {
        const bool plain = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
            return c >= u' ' && c <= u'~' && c != u'"' && c != u'\\';
        });
        if (plain)
            return '"' + text.toLatin1() + '"';
        const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
        return array.mid(1, array.size() - 2);
    }

    void appendNumber(qint64 value)
    {
        char digits[24];
        const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
        line.append(digits, result.ptr - digits);
    }

    bool json;
    qsizetype rows = 0;
    QByteArray line; // reused: a list may have millions of rows
};

} // namespace

int runList(const QStringList &arguments)
{
    CommandLine commandLine(
        QStringLiteral("list"),
        QStringLiteral("Lists the entries of the multi cache file, or the given .mlt files, one "
                       "line each: the entry's name (a .mlt file's path as given), its "
                       "component count and its bounds x1, y1, x2, y2, separated by TABs. An "
                       "entry without components has empty bounds."),
        {successLine(), usageLine(),
         inputLine(QStringLiteral("configuration, cache file or .mlt file"))});
    const QCommandLineOption jsonOption(
        QStringLiteral("json"),
        QStringLiteral("Print a JSON array of objects instead, with the keys number (null for "
                       "a .mlt file), name, components, x1, y1, x2 and y2 (bounds null "
                       "without components)."));
    commandLine.parser().addOption(jsonOption);
    commandLine.parser().addPositionalArgument(QStringLiteral("FILE.mlt"),
                                               QStringLiteral("A .mlt file to list instead."),
                                               QStringLiteral("[FILE.mlt...]"));
    if (const auto outcome = commandLine.parse(arguments); outcome != CommandLine::Run)
        return outcome == CommandLine::Finished ? ExitSuccess : ExitUsage;
    const QStringList files = commandLine.arguments();
    for (const QString &file : files) {
        if (!ClientData::isMultiFile(file))
            return usageError(QStringLiteral("list takes .mlt files only, not '%1'").arg(file));
    }

    ClientData client;
    RowWriter writer(commandLine.parser().isSet(jsonOption));
    if (!files.isEmpty()) {
        // Every file is read, one at a time, before the first row is written.
        QList<MultiFileSummary> summaries;
        summaries.reserve(files.size());
        for (const QString &file : files) {
            MultiFileSummary summary;
            if (!client.readMultiFileSummary(file, &summary)) {
                printError(client.errorMessage());
                return ExitInput;
            }
            summaries.append(summary);
        }
        for (qsizetype i = 0; i < summaries.size(); ++i)
            writer.add({-1, files[i], summaries[i].components, summaries[i].bounds});
    } else {
        if (!client.readConfiguration(commandLine.configPath()) || !client.loadEntries()) {
            printError(client.errorMessage());
            return ExitInput;
        }
        const MultiCache &cache = client.cache();
        for (qsizetype n = 0; n < cache.size(); ++n)
            writer.add({n, MultiCache::entryName(n), cache.componentCount(n), cache.bounds(n)});
    }
    writer.finish();
    return flushStandardOutput(QStringLiteral("the list")) ? ExitSuccess : ExitInput;
}
