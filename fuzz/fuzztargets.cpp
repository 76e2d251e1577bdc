#include "fuzzentries.h"

const QList<FuzzTarget> &fuzzTargets()
{
    static const QList<FuzzTarget> targets = {
        {"configuration", fuzzConfiguration},
        {"cacheloader", fuzzCacheLoader},
        {"payload_preview", fuzzPayloadPreview},
        {"payload_export", fuzzPayloadExport},
        {"render", fuzzRender},
        {"artstore", fuzzArtStore},
        {"tiledata", fuzzTileData},
    };
    return targets;
}

const FuzzTarget *findFuzzTarget(const QString &name)
{
    for (const FuzzTarget &target : fuzzTargets()) {
        if (name == QLatin1String(target.name))
            return &target;
    }
    return nullptr;
}
