#include "demographics.h"

#include <algorithm>

QList<DemoGraphic> demoGraphics()
{
    QList<DemoGraphic> graphics;
    addFloorArt(graphics);
    addWallArt(graphics);
    addRoofArt(graphics);
    addObjectArt(graphics);
    addOutdoorArt(graphics);
    // Placed in multis, described in the tile data, but without art: the
    // preview must cope with components it cannot draw.
    graphics << DemoGraphic{Gfx::Marker, "marker", 0, 0, QImage()}
             << DemoGraphic{Gfx::Anchor, "anchor", 0, 2, QImage()};
    std::sort(graphics.begin(), graphics.end(),
              [](const DemoGraphic &a, const DemoGraphic &b) { return a.id < b.id; });
    return graphics;
}
