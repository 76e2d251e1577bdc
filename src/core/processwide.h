#pragma once

#include <QFile>

class ArtStore;
class TileDataStore;

// The three process-wide objects. CacheFile exists from static initialisation
// on and is named by the main window; the two readers exist only while the
// main window does, and only when "korvane.xml" was opened (null otherwise).
extern QFile CacheFile;
extern ArtStore *artStore;
extern const TileDataStore *tileDataStore;
