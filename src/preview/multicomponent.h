#pragma once

#include "cache/componentspec.h"

class TileDataStore;

// The preview's record of one component: its place, its graphic and the tile
// data that orders the components of one map cell.
struct MultiComponent
{
    // Parses a ComponentSpec ("graphic:x:y:z:0:1:kind") and looks the graphic
    // up in `tiles` (item table for kind 1, land table otherwise). Unreadable
    // numbers give 0; without `tiles` the tile data fields stay 0.
    MultiComponent(const ComponentSpec &spec, const TileDataStore *tiles);

    // 1 marks an item, anything else a land tile.
    bool isItem() const { return kind == 1; }
    // 0 to 2 for an item: +1 without flag bit 0, +1 with a non-zero height;
    // always 0 for a land tile.
    int sortBias() const;

    // Draw order within one cell: z + bias, land before items, bias, graphic.
    bool operator<(const MultiComponent &other) const;

    qint32 kind = 0;
    quint16 graphicId = 0;
    qint16 z = 0;     // height units of 4 pixels
    qint32 flags = 0; // from the tile data
    qint8 height = 0; // from the tile data (0 from the land table)
    qint32 x = 0;     // map cell
    qint32 y = 0;
};
