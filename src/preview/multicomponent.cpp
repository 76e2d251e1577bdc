#include "multicomponent.h"

#include "data/tiledatastore.h"

namespace {

// The decimal value of a field; 0 when it is missing or does not convert.
int fieldValue(const ComponentSpec &spec, ComponentSpec::Field field)
{
    return spec.field(field).toInt();
}

} // namespace

MultiComponent::MultiComponent(const ComponentSpec &spec, const TileDataStore *tiles)
{
    // 16-bit fields keep the low 16 bits of the value (two's complement).
    graphicId = quint16(fieldValue(spec, ComponentSpec::Graphic) & 0xFFFF);
    z = qint16(quint16(fieldValue(spec, ComponentSpec::Z) & 0xFFFF));
    kind = fieldValue(spec, ComponentSpec::Kind);

    if (tiles) {
        const TileDataRecord record =
            isItem() ? tiles->itemRecord(graphicId) : tiles->landRecord(graphicId);
        flags = record.flags;
        height = record.height;
    }

    x = fieldValue(spec, ComponentSpec::X);
    y = fieldValue(spec, ComponentSpec::Y);
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
