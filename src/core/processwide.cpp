#include "processwide.h"

QFile CacheFile;
ArtStore *artStore = nullptr;
const TileDataStore *tileDataStore = nullptr;
