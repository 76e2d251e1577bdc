#pragma once

#include "cache/componentspec.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <iterator>
#include <memory>

// The components of one multi, in order. Entries loaded from a cache file
// keep their component lines as the file's own text and make ComponentSpec
// texts only when they are walked; entries from a drag carry their texts;
// entries read from a ".mlt" file keep its records.
class ComponentList
{
public:
    // What a list walks; shared by every list cut from the same text.
    struct Storage
    {
        enum Kind
        {
            Texts,           // ComponentSpec texts
            Utf8Lines,       // component lines of cache text, as UTF-8 bytes
            Utf16Lines,      // the same, decoded from a UTF-16 or UTF-32 file
            PayloadStrings,  // a drag payload's strings: u32 byte length, UTF-16LE
            MultiFileRecords // 12-byte ".mlt" records
        };
        Kind kind = Texts;
        QStringList texts;
        QByteArray bytes;
        QString wide;
    };

    ComponentList() = default;
    ComponentList(QStringList texts);
    ComponentList(std::initializer_list<QString> texts) : ComponentList(QStringList(texts)) {}
    // `count` components of `storage` from `offset` on: a byte or character
    // offset for lines and records, an index for texts. The caller vouches
    // that they are there.
    ComponentList(std::shared_ptr<const Storage> storage, qsizetype offset, qsizetype count);

    qsizetype size() const { return count; }
    bool isEmpty() const { return count == 0; }

    // Every ComponentSpec text, in order.
    QStringList texts() const;

    class const_iterator
    {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = ComponentSpec;
        using difference_type = qsizetype;
        using pointer = const ComponentSpec *;
        using reference = const ComponentSpec &;

        reference operator*() const { return current; }
        pointer operator->() const { return &current; }
        const_iterator &operator++();
        bool operator==(const const_iterator &other) const { return left == other.left; }
        bool operator!=(const const_iterator &other) const { return left != other.left; }

    private:
        friend class ComponentList;
        const_iterator(const Storage *storage, qsizetype position, qsizetype left);
        void load();

        const Storage *storage = nullptr;
        qsizetype position = 0; // of the current component
        qsizetype next = 0;     // of the one after it
        qsizetype left = 0;     // components from the current one on
        ComponentSpec current;
    };

    const_iterator begin() const;
    const_iterator end() const;

    // What the list walks and where its first component is, for readers
    // that take values straight from the lines or records (null when empty).
    const Storage *storageData() const { return storage.get(); }
    qsizetype storageOffset() const { return offset; }

private:
    std::shared_ptr<const Storage> storage;
    qsizetype offset = 0;
    qsizetype count = 0;
};

bool operator==(const ComponentList &a, const ComponentList &b);
inline bool operator!=(const ComponentList &a, const ComponentList &b)
{
    return !(a == b);
}
