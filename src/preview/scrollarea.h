#pragma once

#include <QScrollArea>

// The "Preview" pane.
class ScrollArea : public QScrollArea
{
    Q_OBJECT

public:
    explicit ScrollArea(QWidget *parent = nullptr);
};
