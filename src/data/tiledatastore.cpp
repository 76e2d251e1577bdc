#include "tiledatastore.h"

TileDataStore::TileDataStore(QString path)
{
    Q_UNUSED(path);
}

TileDataStore::~TileDataStore() = default;

TileDataRecord TileDataStore::itemRecord(int) const
{
    return {};
}

TileDataRecord TileDataStore::landRecord(int) const
{
    return {};
}
