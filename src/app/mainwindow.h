#pragma once

#include <QMainWindow>

#include <memory>

class ClientData;
class DirView;
class MultiList;
class ScrollArea;

// The one window: "Cache Entries" upper left, "Destination" upper right,
// "Preview" across the lower part. It opens the client files and owns the two
// process-wide readers; the views are owned by their group boxes.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~MainWindow() override;

    // Shows the first readable ".mlt" file of `paths` in the preview, as a
    // drop of it would; nothing changes when there is none.
    void openMultiFiles(const QStringList &paths);

private:
    std::unique_ptr<ClientData> client;
    ScrollArea *scrollArea = nullptr;
    DirView *dirView = nullptr;
    MultiList *multiList = nullptr;
};
