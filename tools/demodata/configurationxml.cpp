#include "demoencoders.h"

#include "core/configuration.h"

#include <QXmlStreamWriter>

QByteArray configurationXml(const Configuration &configuration)
{
    // Each path is the whole content of its element: no whitespace is added
    // inside an element, as the reader takes the text as it stands.
    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("conf"));
    writer.writeTextElement(QStringLiteral("artidx"), configuration.artidx);
    writer.writeTextElement(QStringLiteral("artmul"), configuration.artmul);
    writer.writeTextElement(QStringLiteral("tiledata"), configuration.tiledata);
    writer.writeTextElement(QStringLiteral("cache"), configuration.cache);
    writer.writeEndElement();
    writer.writeEndDocument();
    return xml;
}
