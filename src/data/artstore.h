#pragma once

#include <QImage>
#include <QString>

// Read-only access to the client's item art: the art index (32768 entries of
// 12 bytes: i32 lookup, i32 length, u32 extra) and the art data file.
class ArtStore
{
public:
    ArtStore(QString indexPath, QString dataPath);
    ~ArtStore();

    ArtStore(const ArtStore &) = delete;
    ArtStore &operator=(const ArtStore &) = delete;

    // Width and height of the graphic's art (0 x 0 without art); true when
    // both are non-zero.
    bool staticSize(int graphicId, qint16 &width, qint16 &height);
    // The graphic's art as ARGB32; null without art.
    QImage staticImage(int graphicId);
};
