#include "configuration.h"

#include "core/regularfile.h"

#include <QCoreApplication>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QXmlStreamReader>

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
    const QString name = QStringLiteral("korvane.xml");
    return {QCoreApplication::applicationDirPath() + u'/' + name,
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                QStringLiteral("/korvane/") + name};
}

QString configurationPath()
{
    const QStringList places = configurationPlaces();
    for (const QString &place : places) {
        if (QFileInfo::exists(place))
            return place;
    }
    return places.first();
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
