#include "client/clientdata.h"
#include "clioptions.h"
#include "commands.h"
#include "core/shownname.h"
#include "export/multifiledirectory.h"

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
            // A TAB or line break in a file's name would make columns or rows
            // of its own: escaped, as messages show them. Entries have none.
            line += (row.number < 0 ? escapeControls(row.name) : row.name).toUtf8();
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

namespace {

// Lists the .mlt files and directories of `arguments` in their order, each
// directory's files in name order: a file that cannot be read is one line
// on stderr, the others are listed. The exit status: partial when some
// could not be read, an input error when none could.
int listMultiFiles(const QStringList &arguments, RowWriter &writer)
{
    ClientData client;
    qsizetype listed = 0;
    qsizetype failed = 0;
    const auto fail = [&](const QString &message) {
        printError(message);
        ++failed;
    };
    const auto listFile = [&](const QString &file) {
        MultiFileSummary summary;
        if (!client.readMultiFileSummary(file, &summary))
            return fail(client.errorMessage());
        writer.add({-1, file, summary.components, summary.bounds});
        ++listed;
    };
    for (const QString &argument : arguments) {
        if (!isDirectoryPath(argument)) {
            listFile(argument);
            continue;
        }
        QList<DirectoryMultiFile> files;
        QString why;
        if (!listDirectoryMultiFiles(argument, &files, &why)) {
            fail(QStringLiteral("cannot read directory %1: %2").arg(argument, why));
            continue;
        }
        if (files.isEmpty())
            fail(QStringLiteral("directory %1 holds no .mlt files").arg(argument));
        for (const DirectoryMultiFile &file : files) {
            if (file.problem.isEmpty())
                listFile(file.path);
            else
                fail(QStringLiteral("cannot read .mlt file %1: %2").arg(file.path, file.problem));
        }
    }
    writer.finish();
    if (!flushStandardOutput(QStringLiteral("the list")))
        return ExitInput;
    return failed == 0 ? ExitSuccess : listed > 0 ? ExitPartial : ExitInput;
}

} // namespace

int runList(const QStringList &arguments)
{
    CommandLine commandLine(
        QStringLiteral("list"),
        QStringLiteral("Lists the entries of the multi cache file, or the given .mlt files and "
                       "the .mlt files of the given directories (in name order, not their "
                       "subdirectories), one line each: the entry's name (a .mlt file's "
                       "path), its component count and its bounds x1, y1, x2, y2, separated by "
                       "TABs. An entry without components has empty bounds. A .mlt file that "
                       "cannot be read is named on stderr; the others are listed."),
        {successLine(),
         {ExitPartial, QStringLiteral("partial failure: some .mlt files could not be read")},
         usageLine(),
         {ExitInput, QStringLiteral("input error: configuration or cache file that cannot be "
                                    "used, or not one .mlt file that can be read")}});
    const QCommandLineOption jsonOption(
        QStringLiteral("json"),
        QStringLiteral("Print a JSON array of objects instead, with the keys number (null for "
                       "a .mlt file), name, components, x1, y1, x2 and y2 (bounds null "
                       "without components)."));
    commandLine.parser().addOption(jsonOption);
    commandLine.parser().addPositionalArgument(
        QStringLiteral("FILE.mlt"),
        QStringLiteral("A .mlt file, or a directory of them, to list instead."),
        QStringLiteral("[FILE.mlt|DIR...]"));
    if (const auto outcome = commandLine.parse(arguments); outcome != CommandLine::Run)
        return outcome == CommandLine::Finished ? ExitSuccess : ExitUsage;
    const QStringList files = commandLine.arguments();
    for (const QString &file : files) {
        if (!ClientData::isMultiFile(file) && !isDirectoryPath(file))
            return usageError(
                QStringLiteral("list takes .mlt files and directories only, not '%1'").arg(file));
    }

    RowWriter writer(commandLine.parser().isSet(jsonOption));
    if (!files.isEmpty())
        return listMultiFiles(files, writer);
    ClientData client;
    if (!client.readConfiguration(commandLine.configPath()) || !client.loadEntries()) {
        printError(client.errorMessage());
        return ExitInput;
    }
    const MultiCache &cache = client.cache();
    for (qsizetype n = 0; n < cache.size(); ++n)
        writer.add({n, MultiCache::entryName(n), cache.componentCount(n), cache.bounds(n)});
    writer.finish();
    return flushStandardOutput(QStringLiteral("the list")) ? ExitSuccess : ExitInput;
}
