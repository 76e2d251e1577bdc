#include "configuration.h"

#include <QCoreApplication>
#include <QDomDocument>
#include <QFile>
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

QString configurationPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/korvane.xml");
}

std::optional<Configuration> readConfiguration(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return readConfiguration(&file);
}

Configuration readConfiguration(QIODevice *device)
{
    const QByteArray content = device->readAll();
    QDomDocument document(QStringLiteral("conf"));
    if (!nestedTooDeep(content))
        document.setContent(content);

    Configuration configuration;
    configuration.artidx = firstText(document, QStringLiteral("artidx"));
    configuration.artmul = firstText(document, QStringLiteral("artmul"));
    configuration.tiledata = firstText(document, QStringLiteral("tiledata"));
    configuration.cache = firstText(document, QStringLiteral("cache"));
    return configuration;
}
