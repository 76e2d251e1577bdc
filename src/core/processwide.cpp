#include "processwide.h"

QFile CacheFile;
ArtStore *artStore = nullptr;
TileDataStore *tileDataStore = nullptr;
