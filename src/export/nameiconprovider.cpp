#include "nameiconprovider.h"

NameIconProvider::NameIconProvider()
    : driveIcon(QFileIconProvider::icon(Drive)), folderIcon(QFileIconProvider::icon(Folder)),
      fileIcon(QFileIconProvider::icon(File))
{}

QIcon NameIconProvider::icon(const QFileInfo &info) const
{
    if (info.isRoot())
        return driveIcon;
    return info.isDir() ? folderIcon : fileIcon;
}

QString NameIconProvider::type(const QFileInfo &info) const
{
    return info.isDir() ? QStringLiteral("Folder") : QStringLiteral("File");
}
