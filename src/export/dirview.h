#pragma once

#include <QTreeView>

// The "Destination" tree of the file system.
class DirView : public QTreeView
{
    Q_OBJECT

public:
    explicit DirView(QWidget *parent = nullptr);
};
