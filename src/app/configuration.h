#pragma once

#include <QString>

#include <optional>

class QIODevice;

// The four client file paths named by "korvane.xml". Each value is used
// unchanged as a file name; a tag the document does not supply gives "".
struct Configuration
{
    QString artidx;
    QString artmul;
    QString tiledata;
    QString cache;
};

// "korvane.xml" in the executable's directory.
QString configurationPath();

// Reads the configuration at path; no value when the file cannot be opened.
// A file that opens but is not well-formed still yields a configuration.
std::optional<Configuration> readConfiguration(const QString &path);

// Reads from an already open device (the parse result is not looked at).
Configuration readConfiguration(QIODevice *device);
