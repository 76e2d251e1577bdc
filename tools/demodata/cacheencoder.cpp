#include "demoencoders.h"

QByteArray encodeCacheEntry(int id, const QList<DemoComponent> &components)
{
    // Header: 7 TAB-separated fields, the count in field 2. Component lines
    // have 6 fields (5 TABs), so no component line is ever taken for a header.
    QByteArray text;
    text.reserve(32 + components.size() * 24);
    text.append(QByteArray::number(id)).append("\t0\t");
    text.append(QByteArray::number(components.size())).append("\t0\t0\t0\t0\n");
    for (const DemoComponent &component : components) {
        text.append(QByteArray::number(component.graphicId)).append("\t0\t");
        text.append(QByteArray::number(component.x)).append('\t');
        text.append(QByteArray::number(component.y)).append('\t');
        text.append(QByteArray::number(component.z)).append("\t0\n");
    }
    return text;
}
