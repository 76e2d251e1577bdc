#include "configuration.h"

#include "core/regularfile.h"

#include <QCoreApplication>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
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

QStringList configurationPlaces()
{
    // The user's directory first, then those of $XDG_CONFIG_DIRS.
    QStringList places{QCoreApplication::applicationDirPath() + QStringLiteral("/korvane.xml")};
    for (const QString &directory :
         QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        places.append(directory + QStringLiteral("/korvane/korvane.xml"));
    return places;
}

QString userConfigurationPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/korvane/korvane.xml");
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
