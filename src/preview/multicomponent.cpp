#include "multicomponent.h"

#include "data/tiledatastore.h"

#include <QList>
#include <QStringView>

namespace {

// Fields of a ComponentSpec, split at ":".
enum SpecField
{
    GraphicField = 0,
    XField = 1,
    YField = 2,
    ZField = 3,
    KindField = 6
};

// The decimal value of a field; 0 when it is missing or does not convert.
int fieldValue(const QList<QStringView> &fields, int index)
{
    return index < fields.size() ? fields.at(index).toInt() : 0;
}

} // namespace

MultiComponent::MultiComponent(QString specText, const TileDataStore *tiles)
{
    // Empty fields count, as with QString::section at a single separator.
    const QList<QStringView> fields = QStringView(specText).split(u':');

    // 16-bit fields keep the low 16 bits of the value (two's complement).
    graphicId = quint16(fieldValue(fields, GraphicField) & 0xFFFF);
    z = qint16(quint16(fieldValue(fields, ZField) & 0xFFFF));
    kind = fieldValue(fields, KindField);

    if (tiles) {
        const TileDataRecord record =
            isItem() ? tiles->itemRecord(graphicId) : tiles->landRecord(graphicId);
        flags = record.flags;
        height = record.height;
    }

    x = fieldValue(fields, XField);
    y = fieldValue(fields, YField);
}

int MultiComponent::sortBias() const
{
    if (!isItem())
        return 0;
    int bias = 0;
    if ((flags & 1) == 0)
        ++bias;
    if (height != 0)
        ++bias;
    return bias;
}

bool MultiComponent::operator<(const MultiComponent &other) const
{
    const int bias = sortBias();
    const int otherBias = other.sortBias();
    if (z + bias != other.z + otherBias)
        return z + bias < other.z + otherBias;
    if (isItem() != other.isItem())
        return !isItem();
    if (bias != otherBias)
        return bias < otherBias;
    return graphicId < other.graphicId;
}
