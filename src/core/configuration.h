#pragma once

#include <QString>
#include <QStringList>

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

// What reading a configuration file gave.
struct ConfigurationFile
{
    QString path;
    bool opened = false;     // false: not read at all; errorString says why
    QString errorString;     //
    bool wellFormed = false; // the document is XML (else every value is "")
    Configuration values;
};

// "korvane.xml" is a few hundred bytes; a file beyond this is not one.
inline constexpr qint64 MaxConfigurationSize = 1024 * 1024;

// Where "korvane.xml" is looked for, in order: beside the executable, the
// user's own ($XDG_CONFIG_HOME/korvane/korvane.xml, else ~/.config/...), then
// the system's, one per directory of $XDG_CONFIG_DIRS (/etc/xdg when it names
// none). A relative $XDG_CONFIG_HOME, $HOME or entry of $XDG_CONFIG_DIRS is
// ignored: it would name a place under the current directory.
QStringList configurationPlaces();
// The user's own place: the one to write, as the program's directory and the
// system's are not the user's. "" when there is none (see below).
QString userConfigurationPath();
// Why the user has no place of their own, "" when they have one: neither
// $XDG_CONFIG_HOME nor $HOME is an absolute path.
QString userConfigurationProblem();
// The first of the places that exists; the user's own when none does ("" when
// there is none).
QString configurationPath();

// Reads the configuration at `path`: a regular file of at most
// MaxConfigurationSize bytes. A file that opens but is not well-formed still
// yields values (empty where the document does not deliver them).
ConfigurationFile readConfigurationFile(const QString &path);

// Reads from an already open device (the parse result is not looked at).
Configuration readConfiguration(QIODevice *device);
// Reads from the document's bytes; `wellFormed` tells whether it parsed.
Configuration readConfiguration(const QByteArray &content, bool *wellFormed = nullptr);

// The document naming those four files, each value the whole text of its
// element (escaped as XML needs, nothing added), as readConfiguration reads it.
QByteArray configurationXml(const Configuration &configuration);
