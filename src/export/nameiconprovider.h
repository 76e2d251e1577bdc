#pragma once

#include <QFileIconProvider>

// Icons and type names from the kind of an entry alone. The default provider
// reads the start of every listed file to learn its type: slow on large
// directories, and a read that never returns on some device and /proc files.
// The file system model asks it from its lister thread as well, so the icons
// are made once, up front, on the GUI thread.
class NameIconProvider : public QFileIconProvider
{
public:
    NameIconProvider();

    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo &info) const override;
    QString type(const QFileInfo &info) const override;

private:
    const QIcon driveIcon;
    const QIcon folderIcon;
    const QIcon fileIcon;
};
