#include "componentlist.h"

#include "cache/cachetext.h"
#include "cache/multifilerecord.h"

#include <QtEndian>

#include <algorithm>

namespace {

template <typename Char>
qsizetype lineSpec(const Char *data, qsizetype size, qsizetype at, ComponentSpec *spec)
{
    CacheText::Line line;
    if (!CacheText::lineAt(data, size, at, &line)) {
        *spec = ComponentSpec::fromCacheLine({});
        return at;
    }
    *spec = ComponentSpec::fromCacheLine(CacheText::decode(data + line.start, data + line.end));
    return line.next;
}

} // namespace

ComponentList::ComponentList(QStringList texts) : count(texts.size())
{
    if (count > 0) {
        auto texted = std::make_shared<Storage>();
        texted->texts = std::move(texts);
        storage = std::move(texted);
    }
}

ComponentList::ComponentList(std::shared_ptr<const Storage> storage, qsizetype offset,
                             qsizetype count)
    : storage(count > 0 ? std::move(storage) : nullptr), offset(offset),
      count(std::max<qsizetype>(count, 0))
{}

QStringList ComponentList::texts() const
{
    if (storage && storage->kind == Storage::Texts && offset == 0 && count == storage->texts.size())
        return storage->texts;
    QStringList all;
    all.reserve(count);
    for (const ComponentSpec &spec : *this)
        all.append(spec.text());
    return all;
}

ComponentList::const_iterator ComponentList::begin() const
{
    return const_iterator(storage.get(), offset, count);
}

ComponentList::const_iterator ComponentList::end() const
{
    return const_iterator(nullptr, 0, 0);
}

ComponentList::const_iterator::const_iterator(const Storage *storage, qsizetype position,
                                              qsizetype left)
    : storage(storage), position(position), left(storage ? left : 0)
{
    if (this->left > 0)
        load();
}

ComponentList::const_iterator &ComponentList::const_iterator::operator++()
{
    if (--left > 0) {
        position = next;
        load();
    } else {
        current = ComponentSpec();
    }
    return *this;
}

void ComponentList::const_iterator::load()
{
    switch (storage->kind) {
    case Storage::Texts:
        current = storage->texts.value(position);
        next = position + 1;
        break;
    case Storage::Utf8Lines:
        next = lineSpec(storage->bytes.constData(), storage->bytes.size(), position, &current);
        break;
    case Storage::Utf16Lines:
        next = lineSpec(reinterpret_cast<const char16_t *>(storage->wide.utf16()),
                        storage->wide.size(), position, &current);
        break;
    case Storage::PayloadStrings: {
        // Whole strings only: the payload reader counted them.
        const QByteArray &bytes = storage->bytes;
        const quint32 length = position + 4 <= bytes.size()
                                   ? qFromLittleEndian<quint32>(bytes.constData() + position)
                                   : 0xFFFFFFFFu;
        next = position + 4;
        if (length == 0xFFFFFFFFu || length > quint64(bytes.size() - next)) {
            current = ComponentSpec();
            break;
        }
        QString text(qsizetype(length / 2), Qt::Uninitialized);
        qFromLittleEndian<char16_t>(bytes.constData() + next, length / 2, text.data());
        current = ComponentSpec(std::move(text));
        next += length;
        break;
    }
    case Storage::MultiFileRecords: {
        if (position + MultiFileRecord::Size <= storage->bytes.size()) {
            const MultiFileRecord record = MultiFileRecord::read(
                reinterpret_cast<const uchar *>(storage->bytes.constData()) + position);
            current = ComponentSpec::fromRecord(record.graphic, record.x, record.y, record.z);
        } else {
            current = ComponentSpec();
        }
        next = position + MultiFileRecord::Size;
        break;
    }
    }
}

bool operator==(const ComponentList &a, const ComponentList &b)
{
    if (a.size() != b.size())
        return false;
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}
