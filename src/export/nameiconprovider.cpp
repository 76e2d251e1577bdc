#include "nameiconprovider.h"

QIcon NameIconProvider::icon(const QFileInfo &info) const
{
    if (info.isRoot())
        return icon(Drive);
    return icon(info.isDir() ? Folder : File);
}

QString NameIconProvider::type(const QFileInfo &info) const
{
    return info.isDir() ? QStringLiteral("Folder") : QStringLiteral("File");
}
