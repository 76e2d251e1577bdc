#include "configuration.h"

#include <QCoreApplication>
#include <QDomDocument>
#include <QFile>

namespace {

// First element of that tag anywhere in the document; its first child's text
// when that child is a text (or CDATA) node, else "".
QString firstText(const QDomDocument &document, const QString &tag)
{
    return document.elementsByTagName(tag).item(0).toElement().firstChild().toText().data();
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
    QDomDocument document(QStringLiteral("conf"));
    document.setContent(device);

    Configuration configuration;
    configuration.artidx = firstText(document, QStringLiteral("artidx"));
    configuration.artmul = firstText(document, QStringLiteral("artmul"));
    configuration.tiledata = firstText(document, QStringLiteral("tiledata"));
    configuration.cache = firstText(document, QStringLiteral("cache"));
    return configuration;
}
