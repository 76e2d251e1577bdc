#pragma once

#include <QMainWindow>

class DirView;
class MultiList;
class ScrollArea;

// The one window: "Cache Entries" upper left, "Destination" upper right,
// "Preview" across the lower part. It creates and owns the two process-wide
// readers; the views are owned by their group boxes.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~MainWindow() override;

private:
    ScrollArea *scrollArea = nullptr;
    DirView *dirView = nullptr;
    MultiList *multiList = nullptr;
};
