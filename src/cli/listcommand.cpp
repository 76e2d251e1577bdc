#include "client/clientdata.h"
#include "commands.h"

#include "core/jsonwriter.h"
#include "core/shownname.h"
#include "export/multifiledirectory.h"

#include <charconv>
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
    RowWriter(const CommandOutput &output, bool json) : output(output), json(json)
    {
        if (json)
            writer.beginArray();
    }

    void add(const Row &row)
    {
        const bool bounded = row.components > 0;
        const QRect &b = row.bounds;
        const int bounds[] = {b.left(), b.top(), b.right(), b.bottom()};
        if (json) {
            static const char *const keys[] = {"x1", "y1", "x2", "y2"};
            writer.beginObject();
            writer.key("number");
            row.number >= 0 ? writer.value(qint64(row.number)) : writer.null();
            writer.key("name");
            writer.value(row.name);
            writer.key("components");
            writer.value(row.components);
            for (int i = 0; i < 4; ++i) {
                writer.key(keys[i]);
                bounded ? writer.value(qint64(bounds[i])) : writer.null();
            }
            writer.endObject();
            output.write(writer.take());
            return;
        }
        // A TAB or line break in a file's name would make columns or rows of
        // its own: escaped, as messages show them. Entries have none.
        line = (row.number < 0 ? escapeControls(row.name) : row.name).toUtf8();
        line += '\t';
        appendNumber(row.components);
        for (int value : bounds) {
            line += '\t';
            if (bounded)
                appendNumber(value);
        }
        line += '\n';
        output.write(line);
    }

    // Ends the list; whether standard output took it all.
    bool finish()
    {
        if (json) {
            writer.endArray();
            output.write(writer.take());
        }
        return output.flush(QStringLiteral("the list"));
    }

private:
    void appendNumber(qint64 value)
    {
        char digits[24];
        const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
        line.append(digits, result.ptr - digits);
    }

    const CommandOutput &output;
    bool json;
    JsonWriter writer;
    QByteArray line; // reused: a list may have millions of rows
};

class ListCommand : public Command
{
public:
    ListCommand()
        : Command({QStringLiteral("list"),
                   QStringLiteral("list [--json] [FILE.mlt|DIR...]"),
                   QStringLiteral("list the entries of the multi cache file, or of .mlt files and "
                                  "the .mlt files of directories"),
                   QStringLiteral("Lists the entries of the multi cache file, or the given .mlt "
                                  "files and the .mlt files of the given directories (in name "
                                  "order, not their subdirectories), one line each: the entry's "
                                  "name (a .mlt file's path), its component count and its bounds "
                                  "x1, y1, x2, y2, separated by TABs. An entry without components "
                                  "has empty bounds. A .mlt file that cannot be read is named on "
                                  "stderr; the others are listed."),
                   {successLine(),
                    {ExitPartial, QStringLiteral("partial failure: some .mlt files could not be "
                                                 "read")},
                    usageLine(),
                    {ExitInput, QStringLiteral("input error: configuration or cache file that "
                                               "cannot be used, or not one .mlt file that can be "
                                               "read")}},
                   {{QStringLiteral("json"),
                     QStringLiteral("Print a JSON array of objects instead, with the keys number "
                                    "(null for a .mlt file), name, components, x1, y1, x2 and y2 "
                                    "(bounds null without components).")}},
                   {{QStringLiteral("FILE.mlt"),
                     QStringLiteral("A .mlt file, or a directory of them, to list instead."),
                     QStringLiteral("[FILE.mlt|DIR...]")}},
                   {}})
    {}

    int run(const Invocation &call) override
    {
        const QStringList &files = call.arguments();
        for (const QString &file : files) {
            if (!ClientData::isMultiFile(file) && !isDirectoryPath(file))
                return call.usage(
                    QStringLiteral("list takes .mlt files and directories only, not '%1'")
                        .arg(file));
        }
        RowWriter writer(call.output(), call.isSet(QStringLiteral("json")));
        return files.isEmpty() ? listCache(call, writer) : listFiles(call, writer);
    }

private:
    static int listCache(const Invocation &call, RowWriter &writer)
    {
        ClientData client;
        if (!client.readConfiguration(call.configPath()) || !client.loadEntries())
            return call.fail(ExitInput, client.errorString());
        const MultiCache &cache = client.cache();
        for (qsizetype n = 0; n < cache.size(); ++n)
            writer.add({n, MultiCache::entryName(n), cache.componentCount(n), cache.bounds(n)});
        return writer.finish() ? ExitSuccess : ExitInput;
    }

    // The .mlt files and directories in their order: a file that cannot be
    // read is one line on stderr, the others are listed. Partial when some
    // could not be read, an input error when none could.
    static int listFiles(const Invocation &call, RowWriter &writer)
    {
        ClientData client;
        qsizetype listed = 0;
        qsizetype failed = 0;
        const auto fail = [&](const QString &message) {
            call.output().error(message);
            ++failed;
        };
        forEachMultiFile(
            call.arguments(),
            [&](const QString &file) {
                MultiFileSummary summary;
                if (!client.readMultiFileSummary(file, &summary)) {
                    fail(client.errorString());
                    return true;
                }
                writer.add({-1, file, summary.components, summary.bounds});
                ++listed;
                return true;
            },
            fail);
        if (!writer.finish())
            return ExitInput;
        return failed == 0 ? ExitSuccess : listed > 0 ? ExitPartial : ExitInput;
    }
};

} // namespace

std::unique_ptr<Command> makeListCommand()
{
    return std::make_unique<ListCommand>();
}
