#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// Writes JSON as it is made, so that a document of millions of values is
// never held whole: the caller takes() the bytes made so far and passes them
// on. The layout is Qt's indented one (four spaces a level, each value on a
// line of its own), but for arrays and objects begun `Inline`, which stand on one line:
// {"a": 1, "b": [2, 3]}.
class JsonWriter
{
public:
    enum Layout
    {
        Indented,
        Inline,
    };

    void beginArray(Layout layout = Indented);
    void endArray();
    void beginObject(Layout layout = Indented);
    void endObject();
    // The key of the object's next value.
    void key(const char *name);

    void value(qint64 number);
    void value(const QString &text);
    void value(bool truth);
    void null();

    // The bytes made since the last take(); a document ends with a line break.
    QByteArray take();

private:
    void nextValue();
    void indent();
    void begin(char bracket, Layout layout);
    void close(char bracket);

    struct Level
    {
        bool inlined;
        qsizetype values;
    };
    std::vector<Level> levels;
    bool keyed = false; // a key waits for its value
    QByteArray bytes;
};
