#pragma once

#include <QList>
#include <QRgb>
#include <QString>

class ArtImageCache;
class QImage;
struct MultiLayout;

// A component of an entry shown as changed on its picture: on the new
// picture those added, moved or given another graphic, on the old one those
// removed or moved away.
struct ComponentMark
{
    enum Kind
    {
        Added,
        Removed,
        Moved,    // where it stood on the old picture, where it stands on the new
        Replaced, // given another graphic at the same place
    };
    static constexpr int Kinds = 4;

    qsizetype component = -1; // its index in MultiEntry::components
    Kind kind = Added;

    bool operator==(const ComponentMark &other) const
    {
        return component == other.component && kind == other.kind;
    }
};

// The colour a kind is marked in, opaque; the pictures and the pages' legend
// both take it from here. Mid-light and saturated, so that it shows on light
// and on dark art, and the four told apart also with red-green or blue-yellow
// colour-vision deficiency: azure, magenta, amber and violet.
QRgb markColour(ComponentMark::Kind kind);
// "added", "removed", "moved", "given another graphic".
QString markWord(ComponentMark::Kind kind);

// Marks components over a picture that paintMultiLayout() painted of
// `layout`, with the same `images`: each pixel under the opaque pixels of a
// marked component's art (its alpha the mask) takes half its kind's colour,
// and the whole colour on the rim of a marked area so that small pieces show
// too. Drawn after all art, so that a component hidden behind others still
// shows; a pixel under several marked pieces is tinted once, in the kind of
// the frontmost. Every other pixel, and the picture's alpha, stay as they
// are. Marks of components without art, or whose art no longer has the size
// it was placed by, are left out; a component marked twice shows the later
// mark. Takes at most two bytes a pixel of the area the marked pieces cover
// (half the picture's bytes); false, with the picture as it was, when that
// memory cannot be had.
bool paintMarks(QImage &picture, const MultiLayout &layout, ArtImageCache &images,
                const QList<ComponentMark> &marks);
