#include "configuration.h"

#include "core/regularfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

// First element of that tag anywhere in the document; its first child's text
// when that child is a text (or CDATA) node, else "".
QString firstText(const QDomDocument &document, const QString &tag)
{
    return document.elementsByTagName(tag).item(0).toElement().firstChild().toText().data();
}

// A configuration is a root and four elements. The DOM parser's time grows
// with the square of the nesting depth (a 560 KB file nested 80000 deep takes
// a minute), so a document nested deeper than this is taken as not XML.
constexpr int MaxDepth = 256;

bool nestedTooDeep(const QByteArray &content)
{
    QXmlStreamReader reader(content);
    int depth = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement && ++depth > MaxDepth)
            return true;
        if (token == QXmlStreamReader::EndElement)
            --depth;
    }
    return false;
}

} // namespace

namespace {

// An environment variable's value when it is an absolute path, else "": a
// relative one would name a place under whatever the current directory is.
QString absoluteFromEnvironment(const char *name)
{
    const QString value = qEnvironmentVariable(name);
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QString();
}

// The user's configuration directory: $XDG_CONFIG_HOME, else ~/.config;
// "" without either.
QString userConfigurationDirectory()
{
    if (const QString home = absoluteFromEnvironment("XDG_CONFIG_HOME"); !home.isEmpty())
        return home;
    const QString home = absoluteFromEnvironment("HOME");
    return home.isEmpty() ? QString() : QDir::cleanPath(home + QStringLiteral("/.config"));
}

QString placeIn(const QString &directory)
{
    return (directory == u"/" ? QString() : directory) + QStringLiteral("/korvane/korvane.xml");
}

} // namespace

QStringList configurationPlaces()
{
    QStringList places{QCoreApplication::applicationDirPath() + QStringLiteral("/korvane.xml")};
    if (const QString user = userConfigurationDirectory(); !user.isEmpty())
        places.append(placeIn(user));
    // Each absolute directory of $XDG_CONFIG_DIRS; /etc/xdg when it names none.
    QStringList system;
    for (const QString &directory :
         qEnvironmentVariable("XDG_CONFIG_DIRS").split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(directory))
            system.append(placeIn(QDir::cleanPath(directory)));
    }
    if (system.isEmpty())
        system.append(placeIn(QStringLiteral("/etc/xdg")));
    for (const QString &place : std::as_const(system)) {
        if (!places.contains(place))
            places.append(place);
    }
    return places;
}

QString userConfigurationPath()
{
    const QString directory = userConfigurationDirectory();
    return directory.isEmpty() ? QString() : placeIn(directory);
}

QString userConfigurationProblem()
{
    if (!userConfigurationDirectory().isEmpty())
        return {};
    const auto why = [](const char *name) {
        const QString value = qEnvironmentVariable(name);
        return value.isEmpty() ? QStringLiteral("%1 is not set").arg(QLatin1String(name))
                               : QStringLiteral("%1 (%2) is not an absolute path")
                                     .arg(QLatin1String(name), value);
    };
    QString problem = QStringLiteral("no place for your configuration: ") + why("HOME");
    if (qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
        problem += QStringLiteral(" and ") + why("XDG_CONFIG_HOME");
    return problem;
}

QString configurationPath()
{
    for (const QString &place : configurationPlaces()) {
        if (QFileInfo::exists(place))
            return place;
    }
    return userConfigurationPath();
}

ConfigurationFile readConfigurationFile(const QString &path)
{
    ConfigurationFile result;
    result.path = path;
    QFile file(path);
    if (!openRegularFile(file, &result.errorString))
        return result;
    bool complete = false;
    const QByteArray content = readUpTo(file, MaxConfigurationSize, &complete);
    if (!complete) {
        result.errorString = QStringLiteral("larger than %1 bytes").arg(MaxConfigurationSize);
        return result;
    }
    result.opened = true;
    result.values = readConfiguration(content, &result.wellFormed);
    return result;
}

Configuration readConfiguration(QIODevice *device)
{
    return readConfiguration(device->readAll());
}

Configuration readConfiguration(const QByteArray &content, bool *wellFormed)
{
    QDomDocument document(QStringLiteral("conf"));
    const bool parsed = !nestedTooDeep(content) && bool(document.setContent(content));
    if (wellFormed)
        *wellFormed = parsed;

    Configuration configuration;
    configuration.artidx = firstText(document, QStringLiteral("artidx"));
    configuration.artmul = firstText(document, QStringLiteral("artmul"));
    configuration.tiledata = firstText(document, QStringLiteral("tiledata"));
    configuration.cache = firstText(document, QStringLiteral("cache"));
    return configuration;
}

QByteArray configurationXml(const Configuration &configuration)
{
    // No whitespace inside an element: the reader takes its text as it stands.
    // A carriage return is written as a reference, as a parser reads a raw
    // one as a line feed.
    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("conf"));
    const auto element = [&writer](const QString &tag, const QString &text) {
        writer.writeStartElement(tag);
        const QStringList parts = text.split(u'\r');
        for (qsizetype i = 0; i < parts.size(); ++i) {
            if (i > 0)
                writer.writeEntityReference(QStringLiteral("#13"));
            writer.writeCharacters(parts[i]);
        }
        writer.writeEndElement();
    };
    element(QStringLiteral("artidx"), configuration.artidx);
    element(QStringLiteral("artmul"), configuration.artmul);
    element(QStringLiteral("tiledata"), configuration.tiledata);
    element(QStringLiteral("cache"), configuration.cache);
    writer.writeEndElement();
    writer.writeEndDocument();
    return xml;
}
