#include "mainwindow.h"

#include "cache/multilist.h"
#include "client/clientdata.h"
#include "core/configuration.h"
#include "core/processwide.h"
#include "export/dirview.h"
#include "preview/scrollarea.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QSplitter>

namespace {

// A titled group box in the splitter, with a horizontal layout for its view.
QGroupBox *addPane(QSplitter *splitter, const QString &title)
{
    auto *box = new QGroupBox(title, splitter);
    new QHBoxLayout(box);
    return box;
}

} // namespace

MainWindow::MainWindow(QWidget *parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags), client(std::make_unique<ClientData>())
{
    // "korvane.xml" beside the executable, else the user's own, else the
    // system's. Without a readable one no reader exists and CacheFile keeps no
    // name, so the entry list stays empty; the window still opens. It shows
    // no messages: what the readers cannot read stays empty.
    if (client->readConfiguration(configurationPath())) {
        CacheFile.setFileName(client->paths().cache);
        client->openReaders();
        artStore = client->art();
        tileDataStore = client->tiles();
    } else {
        // Never shown yet and not yet tied to quitting: this has no lasting
        // effect, the window is shown as usual.
        close();
    }

    setWindowTitle(QStringLiteral("Korvane Extractor"));

    auto *outer = new QSplitter(Qt::Vertical, this);
    setCentralWidget(outer);
    auto *inner = new QSplitter(Qt::Horizontal, outer);

    QGroupBox *entriesBox = addPane(inner, QStringLiteral("Cache Entries"));
    multiList = new MultiList(entriesBox);
    entriesBox->layout()->addWidget(multiList);

    QGroupBox *destinationBox = addPane(inner, QStringLiteral("Destination"));
    dirView = new DirView(destinationBox);
    destinationBox->layout()->addWidget(dirView);

    QGroupBox *previewBox = addPane(outer, QStringLiteral("Preview"));
    scrollArea = new ScrollArea(previewBox);
    previewBox->layout()->addWidget(scrollArea);

    // Named after their panes for screen readers.
    multiList->setAccessibleName(QStringLiteral("Cache Entries"));
    dirView->setAccessibleName(QStringLiteral("Destination"));
    scrollArea->setAccessibleName(QStringLiteral("Preview"));
}

MainWindow::~MainWindow()
{
    artStore = nullptr;
    tileDataStore = nullptr;
}

void MainWindow::openMultiFiles(const QStringList &paths)
{
    scrollArea->showMultiFile(paths);
}
