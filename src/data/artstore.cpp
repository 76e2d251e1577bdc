#include "artstore.h"

ArtStore::ArtStore(QString indexPath, QString dataPath)
{
    Q_UNUSED(indexPath);
    Q_UNUSED(dataPath);
}

ArtStore::~ArtStore() = default;

bool ArtStore::staticSize(int graphicId, qint16 &width, qint16 &height)
{
    Q_UNUSED(graphicId);
    width = height = 0;
    return false;
}

QImage ArtStore::staticImage(int graphicId)
{
    Q_UNUSED(graphicId);
    return {};
}
