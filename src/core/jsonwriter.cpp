#include "jsonwriter.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <charconv>
#include <iterator>

namespace {

// Qt's JSON coding of one string; printable ASCII without quotes or
// backslashes (every "Entry N") is its own coding, between quotes.
QByteArray jsonString(const QString &text)
{
    const bool plain = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c >= u' ' && c <= u'~' && c != u'"' && c != u'\\';
    });
    if (plain)
        return '"' + text.toLatin1() + '"';
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

void JsonWriter::nextValue()
{
    if (keyed) {
        keyed = false;
        return;
    }
    if (levels.empty())
        return;
    Level &level = levels.back();
    if (level.values++ > 0)
        bytes += level.inlined ? ", " : ",";
    if (!level.inlined)
        indent();
}

void JsonWriter::indent()
{
    bytes += '\n';
    bytes += QByteArray(qsizetype(4 * levels.size()), ' ');
}

void JsonWriter::begin(char bracket, Layout layout)
{
    nextValue();
    bytes += bracket;
    // Within an inline value, every value is inline.
    levels.push_back({layout == Inline || (!levels.empty() && levels.back().inlined), 0});
}

void JsonWriter::beginArray(Layout layout)
{
    begin('[', layout);
}

void JsonWriter::beginObject(Layout layout)
{
    begin('{', layout);
}

void JsonWriter::close(char bracket)
{
    const Level level = levels.back();
    levels.pop_back();
    if (!level.inlined)
        indent();
    bytes += bracket;
    if (levels.empty())
        bytes += '\n';
}

void JsonWriter::endArray()
{
    close(']');
}

void JsonWriter::endObject()
{
    close('}');
}

void JsonWriter::key(const char *name)
{
    nextValue();
    bytes += '"';
    bytes += name;
    bytes += "\": ";
    keyed = true;
}

void JsonWriter::value(qint64 number)
{
    nextValue();
    char digits[24];
    const auto result = std::to_chars(std::begin(digits), std::end(digits), number);
    bytes.append(digits, result.ptr - digits);
}

void JsonWriter::value(const QString &text)
{
    nextValue();
    bytes += jsonString(text);
}

void JsonWriter::value(bool truth)
{
    nextValue();
    bytes += truth ? "true" : "false";
}

void JsonWriter::null()
{
    nextValue();
    bytes += "null";
}

QByteArray JsonWriter::take()
{
    QByteArray made;
    made.swap(bytes);
    return made;
}
