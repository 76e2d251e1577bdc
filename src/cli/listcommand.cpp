#include "clientdata.h"
#include "clioptions.h"
#include "commands.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <charconv>
#include <cstdio>
#include <iterator>

namespace {

// One row of the list: an entry's number, name, component count and bounds.
struct Row
{
    qsizetype number;
    QString name;
    qsizetype components;
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
            appendNumber(row.number);
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

    // Ends the list; false when standard output did not take it all.
    bool finish()
    {
        if (json)
            std::fputs(rows ? "\n]\n" : "[\n]\n", stdout);
        return std::fflush(stdout) == 0 && !std::ferror(stdout);
    }

private:
    // Qt's JSON coding of one string.
    static QByteArray jsonString(const QString &text)
    {
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
        QStringLiteral("Lists the entries of the multi cache file, one line each: the entry's "
                       "name, its component count and its bounds x1, y1, x2, y2, separated "
                       "by TABs. An entry without components has empty bounds."),
        {successLine(), usageLine(), inputLine(QStringLiteral("configuration or cache file"))});
    const QCommandLineOption jsonOption(
        QStringLiteral("json"),
        QStringLiteral("Print a JSON array of objects instead, with the keys number, name, "
                       "components, x1, y1, x2 and y2 (bounds null without components)."));
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
    const MultiCache &cache = client.cache();
    RowWriter writer(commandLine.parser().isSet(jsonOption));
    for (qsizetype n = 0; n < cache.size(); ++n)
        writer.add({n, MultiCache::entryName(n), cache.componentCount(n), cache.bounds(n)});
    if (!writer.finish()) {
        printError(QStringLiteral("cannot write the list to standard output"));
        return ExitInput;
    }
    return ExitSuccess;
}
