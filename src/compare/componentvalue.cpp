#include "componentvalue.h"

#include "cache/cachetext.h"
#include "cache/multifilerecord.h"
#include "preview/multicomponent.h"

#include <algorithm>

namespace {

ComponentValue valueOf(const ComponentSpec &spec)
{
    const MultiComponent component(spec, nullptr);
    return {component.x, component.y, component.graphicId, component.z, component.kind};
}

// The values of the cache line at `at`, read from its fields 0, 2, 3 and 4
// as ComponentSpec::fromCacheLine copies them and MultiComponent converts
// them (its kind is always 1). A field holding ":" would move the text's
// fields: that line goes through the text. Returns the next line's start.
template <typename Char>
qsizetype lineValue(const Char *data, qsizetype size, qsizetype at, ComponentValue *value)
{
    using namespace CacheText;
    Line line;
    if (!lineAt(data, size, at, &line)) {
        *value = valueOf(ComponentSpec::fromCacheLine({}));
        return at;
    }
    // Where fields 0 to 4 start and end, "" past the last TAB.
    qsizetype start[6];
    int tabs = 0;
    start[0] = line.start;
    bool colon = false;
    for (qsizetype p = line.start; p < line.end && tabs < 5; ++p) {
        if (data[p] == Char('\t'))
            start[++tabs] = p + 1;
        else if (data[p] == Char(':') && tabs != 1)
            colon = true;
    }
    if (colon) {
        *value = valueOf(ComponentSpec::fromCacheLine(decode(data + line.start, data + line.end)));
        return line.next;
    }
    const auto field = [&](int n) {
        if (n > tabs)
            return 0;
        const qsizetype end = n < tabs ? start[n + 1] - 1 : line.end;
        return fieldInt(data + start[n], data + end);
    };
    value->graphic = quint16(field(0) & 0xFFFF);
    value->x = field(2);
    value->y = field(3);
    value->z = qint16(quint16(field(4) & 0xFFFF));
    value->kind = 1;
    return line.next;
}

} // namespace

quint64 ComponentValue::hash() const
{
    const quint64 place = mixBits(quint64(quint32(x)) << 32 | quint32(y));
    return mixBits(place ^ (quint64(graphic) << 48 | quint64(quint16(z)) << 32 | quint32(kind)));
}

quint64 ComponentValue::placeHash() const
{
    return mixBits(mixBits(quint64(quint32(x)) << 32 | quint32(y)) ^ quint16(z));
}

void readComponentValues(const ComponentList &list, std::vector<ComponentValue> *values)
{
    values->clear();
    values->reserve(size_t(list.size()));
    const ComponentList::Storage *storage = list.storageData();
    qsizetype at = list.storageOffset();
    using Kind = ComponentList::Storage::Kind;
    if (storage && storage->kind == Kind::Utf8Lines) {
        const char *data = storage->bytes.constData();
        for (qsizetype n = 0; n < list.size(); ++n) {
            ComponentValue value;
            at = lineValue(data, storage->bytes.size(), at, &value);
            values->push_back(value);
        }
    } else if (storage && storage->kind == Kind::Utf16Lines) {
        const auto *data = reinterpret_cast<const char16_t *>(storage->wide.utf16());
        for (qsizetype n = 0; n < list.size(); ++n) {
            ComponentValue value;
            at = lineValue(data, storage->wide.size(), at, &value);
            values->push_back(value);
        }
    } else if (storage && storage->kind == Kind::MultiFileRecords) {
        const auto *bytes = reinterpret_cast<const uchar *>(storage->bytes.constData());
        for (qsizetype n = 0; n < list.size(); ++n, at += MultiFileRecord::Size) {
            if (at + MultiFileRecord::Size > storage->bytes.size()) {
                values->push_back(valueOf(ComponentSpec()));
                continue;
            }
            const MultiFileRecord record = MultiFileRecord::read(bytes + at);
            values->push_back({record.x, record.y, record.graphic, record.z, 1});
        }
    } else {
        for (const ComponentSpec &spec : list)
            values->push_back(valueOf(spec));
    }
}

void readSortedComponentValues(const ComponentList &list, std::vector<ComponentValue> *values)
{
    readComponentValues(list, values);
    std::sort(values->begin(), values->end());
}
