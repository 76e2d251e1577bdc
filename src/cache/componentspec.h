#pragma once

#include <QString>
#include <QStringView>

// One component of a multi as text: "graphic:x:y:z:0:1:kind". Fields are cut
// at ":" as QString::section cuts them: empty fields count, and a field past
// the last ":" is empty. Each reader converts the fields its own way.
class ComponentSpec
{
public:
    enum Field
    {
        Graphic = 0,
        X = 1,
        Y = 2,
        Z = 3,
        Kind = 6,
    };

    ComponentSpec() = default;
    ComponentSpec(QString specText) : specText(std::move(specText)) {}

    // From a component line of the cache file: its fields 0, 2, 3 and 4 (TAB-
    // separated, copied verbatim), then ":0:1:1".
    static ComponentSpec fromCacheLine(QStringView line);
    // From a ".mlt" record.
    static ComponentSpec fromRecord(quint16 graphic, qint16 x, qint16 y, qint16 z);

    const QString &text() const { return specText; }
    QStringView field(int n) const;

    friend bool operator==(const ComponentSpec &a, const ComponentSpec &b)
    {
        return a.specText == b.specText;
    }

private:
    QString specText;
};
