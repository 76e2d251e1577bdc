#pragma once

#include <QFileIconProvider>

// Icons and type names from the kind of an entry alone. The default provider
// reads the start of every listed file to learn its type: slow on large
// directories, and a read that never returns on some device and /proc files.
class NameIconProvider : public QFileIconProvider
{
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo &info) const override;
    QString type(const QFileInfo &info) const override;
};
