#include "app/mainwindow.h"
#include "cache/multicache.h"
#include "cache/multilist.h"
#include "cache/multipayload.h"
#include "configfixture.h"
#include "core/processwide.h"
#include "demoencoders.h"
#include "export/multifilereader.h"
#include "export/multifilewriter.h"
#include "preview/multirenderer.h"
#include "preview/scrollarea.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <limits>
#include <memory>

#include <sys/stat.h>

namespace {

std::unique_ptr<QMimeData> entriesDrag(const QByteArray &payload)
{
    auto data = std::make_unique<QMimeData>();
    data->setData(QLatin1String(MultiMimeType), payload);
    return data;
}

// Sends a drag event to the area's viewport, where the toolkit delivers it;
// returns whether it was accepted. `before` is the event's state on arrival.
// Moves and drops reach only a widget that accepted the drag's enter.
template <typename Event>
bool sendDrag(ScrollArea *area, const QMimeData *data, bool before,
              Qt::DropActions offered = Qt::CopyAction)
{
    const QPoint middle = area->viewport()->rect().center();
    Event event(middle, offered, data, Qt::LeftButton, Qt::NoModifier);
    event.setAccepted(before);
    QCoreApplication::sendEvent(area->viewport(), &event);
    return event.isAccepted();
}

// A whole drag of `data` onto the area: enter, move, drop.
bool dragAndDrop(ScrollArea *area, const QMimeData *data)
{
    return sendDrag<QDragEnterEvent>(area, data, false) &&
           sendDrag<QDragMoveEvent>(area, data, false) && sendDrag<QDropEvent>(area, data, false);
}

// Reaches the handlers themselves, past the toolkit's delivery.
class HandlerArea : public ScrollArea
{
public:
    using ScrollArea::dragMoveEvent;
    using ScrollArea::dropEvent;
};

QImage premultiplied(const QImage &image)
{
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// A Ctrl+wheel turn (or a plain one) over the middle of the pane.
void turnWheel(ScrollArea *area, int delta, Qt::KeyboardModifiers modifiers)
{
    const QPointF middle = area->viewport()->rect().center();
    QWheelEvent wheel(middle, area->viewport()->mapToGlobal(middle), QPoint(), QPoint(0, delta),
                      Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(area->viewport(), &wheel);
}

// One gesture of the user's: "+", "=", "-", "0", "9" with Ctrl, typed where
// the keyboard is after a drag (the entry list); "wheel N" a Ctrl+wheel turn
// of N eighths of a degree, "scroll N" a plain one.
void gesture(QWidget *window, ScrollArea *area, const QString &what)
{
    const QStringList parts = what.split(QLatin1Char(' '));
    if (parts.size() == 2) {
        const int delta = parts.at(1).toInt();
        turnWheel(area, delta, parts.at(0) == "wheel" ? Qt::ControlModifier : Qt::NoModifier);
        return;
    }
    const QHash<QString, Qt::Key> keys = {{"+", Qt::Key_Plus},
                                          {"=", Qt::Key_Equal},
                                          {"-", Qt::Key_Minus},
                                          {"0", Qt::Key_0},
                                          {"9", Qt::Key_9}};
    QWidget *list = window->findChild<MultiList *>();
    QTest::keyClick(list, keys.value(what), Qt::ControlModifier);
}

// The room the pane gives a picture without scroll bars.
QSize roomOf(ScrollArea *area)
{
    return area->contentsRect().size();
}

bool hasScrollBars(ScrollArea *area)
{
    return area->horizontalScrollBar()->maximum() > 0 || area->verticalScrollBar()->maximum() > 0;
}

} // namespace

class tst_ScrollArea : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void dropWithoutReaders();
    void refusesOtherDrags();
    void dropsShowTheFirstEntry();
    void zoomSteps_data();
    void zoomSteps();
    void zoomedPixels_data();
    void zoomedPixels();
    void fitToThePane_data();
    void fitToThePane();
    void zoomKeptForTheNextDrop_data();
    void zoomKeptForTheNextDrop();
    void wheelKeepsThePointUnderThePointer();
    void dropsOfFiles_data();
    void dropsOfFiles();

private:
    // The demo window, shown and active, and its preview pane.
    std::unique_ptr<MainWindow> demoWindow(ScrollArea **area);
    QSize drop(ScrollArea *area, const MultiEntry &entry);

    QTemporaryDir demoDir;
    QTemporaryDir filesDir;    // .mlt files and others, to drop
    QList<MultiEntry> entries; // the demo entries that have components
    int largest = 0;           // the one with the largest picture (the keep)
    int smallest = 0;
};

void tst_ScrollArea::initTestCase()
{
    QVERIFY(demoDir.isValid());
    QString error;
    QVERIFY2(writeDemoSet(demoDir.path(), false, &error), qPrintable(error));

    MultiCache cache;
    QVERIFY(cache.load(demoDir.filePath(QLatin1String(DemoCacheName))));
    for (const MultiEntry &entry : cache.entries())
        if (!entry.components.isEmpty())
            entries.append(entry);
    QVERIFY(entries.size() >= 2);
    QFile::remove(ConfigFixture::configPath());

    QFile xml(demoDir.filePath(QLatin1String(DemoConfigName)));
    QVERIFY(xml.open(QIODevice::ReadOnly));
    const ConfigFixture config(xml.readAll());
    // "Entry 0.mlt" and "Entry 1.mlt", and files a drop passes over: not
    // named .mlt, cut short, of too many components, a FIFO.
    QVERIFY(writeMultiFiles(entries.mid(0, 2), filesDir.path()));
    QFile notes(filesDir.filePath("notes.txt")), cut(filesDir.filePath("short.mlt")),
        huge(filesDir.filePath("huge.mlt"));
    QVERIFY(notes.open(QIODevice::WriteOnly) && cut.open(QIODevice::WriteOnly) &&
            huge.open(QIODevice::WriteOnly) && cut.write(QByteArray(15, 0)) == 15 &&
            huge.resize(4 + 12 * (MaxMultiFileComponents + 1)));
    QCOMPARE(::mkfifo(QFile::encodeName(filesDir.filePath("fifo.mlt")).constData(), 0600), 0);

    MainWindow window;
    qint64 most = 0;
    qint64 least = std::numeric_limits<qint64>::max();
    for (int n = 0; n < entries.size(); ++n) {
        const QSize size = renderMultiEntry(entries.at(n), artStore, tileDataStore).size();
        const qint64 pixels = qint64(size.width()) * size.height();
        if (pixels > most)
            most = pixels, largest = n;
        if (pixels > 0 && pixels < least)
            least = pixels, smallest = n;
    }
}

std::unique_ptr<MainWindow> tst_ScrollArea::demoWindow(ScrollArea **area)
{
    QFile xml(demoDir.filePath(QLatin1String(DemoConfigName)));
    if (!xml.open(QIODevice::ReadOnly))
        return nullptr;
    const ConfigFixture config(xml.readAll());
    auto window = std::make_unique<MainWindow>();
    window->show();
    window->activateWindow();
    // Generous: on a busy machine the platform may take its time.
    if (!QTest::qWaitForWindowActive(window.get(), 30000) || !artStore)
        return nullptr;
    *area = window->findChild<ScrollArea *>();
    return *area ? std::move(window) : nullptr;
}

// Drops an entry on the pane; the size of its picture.
QSize tst_ScrollArea::drop(ScrollArea *area, const MultiEntry &entry)
{
    const auto data = entriesDrag(encodeMultiPayload({entry}));
    if (!dragAndDrop(area, data.get()))
        return {};
    return renderMultiEntry(entry, artStore, tileDataStore).size();
}

void tst_ScrollArea::dropWithoutReaders()
{
    CacheFile.setFileName(QString());
    MainWindow window;
    QVERIFY(artStore == nullptr);
    auto *area = window.findChild<ScrollArea *>();
    QVERIFY(area);

    const auto data = entriesDrag(encodeMultiPayload({entries.first()}));
    QVERIFY(dragAndDrop(area, data.get()));
    auto *label = qobject_cast<QLabel *>(area->widget());
    QVERIFY(label);
    QVERIFY(label->pixmap().isNull());
    QCOMPARE(label->minimumSize(), QSize(0, 0));
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void tst_ScrollArea::refusesOtherDrags()
{
    HandlerArea area;
    QMimeData text;
    text.setText(QStringLiteral("1234:0:0:0:0:1:1"));
    // Refused on entering, the drag never moves or drops here.
    QVERIFY(!sendDrag<QDragEnterEvent>(&area, &text, true));
    QVERIFY(sendDrag<QDropEvent>(&area, &text, false) == false);
    QVERIFY(area.widget() == nullptr);

    const QPoint middle = area.viewport()->rect().center();
    QDragMoveEvent move(middle, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    move.accept();
    area.dragMoveEvent(&move);
    QVERIFY(!move.isAccepted());
    QDropEvent drop(middle, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    drop.accept();
    area.dropEvent(&drop);
    QVERIFY(!drop.isAccepted());
    QVERIFY(area.widget() == nullptr);

    const auto data = entriesDrag(QByteArray());
    QVERIFY(sendDrag<QDragEnterEvent>(&area, data.get(), false));
    QVERIFY(sendDrag<QDragMoveEvent>(&area, data.get(), false));
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(area.viewport(), &leave);
}

void tst_ScrollArea::dropsShowTheFirstEntry()
{
    QFile xml(demoDir.filePath(QLatin1String(DemoConfigName)));
    QVERIFY(xml.open(QIODevice::ReadOnly));
    const ConfigFixture config(xml.readAll());
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(artStore && tileDataStore);
    auto *area = window.findChild<ScrollArea *>();
    QVERIFY(area);

    const MultiEntry &first = entries.at(0);
    const MultiEntry &second = entries.at(1);
    const QImage firstImage = renderMultiEntry(first, artStore, tileDataStore);
    const QImage secondImage = renderMultiEntry(second, artStore, tileDataStore);
    QVERIFY(!firstImage.isNull() && !secondImage.isNull());
    QVERIFY(firstImage != secondImage);

    const auto one = entriesDrag(encodeMultiPayload({first}));
    QVERIFY(dragAndDrop(area, one.get()));
    QPointer<QLabel> label = qobject_cast<QLabel *>(area->widget());
    QVERIFY(label);
    QCOMPARE(premultiplied(label->pixmap().toImage()), premultiplied(firstImage));
    QCOMPARE(label->minimumSize(), firstImage.size());
    QVERIFY(label->isVisible());
    QVERIFY(QApplication::overrideCursor() == nullptr);

    // Two entries at once show the first of them, in a label that replaces
    // the previous one.
    const auto two = entriesDrag(encodeMultiPayload({second, first}));
    QVERIFY(dragAndDrop(area, two.get()));
    QVERIFY(label.isNull());
    const QList<QLabel *> labels = area->findChildren<QLabel *>();
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first(), area->widget());
    QCOMPARE(premultiplied(labels.first()->pixmap().toImage()), premultiplied(secondImage));
    QCOMPARE(labels.first()->minimumSize(), secondImage.size());
    QVERIFY(QApplication::overrideCursor() == nullptr);

    // A drag that is not of entries leaves the picture.
    QMimeData text;
    text.setText(QStringLiteral("Entry 0"));
    QVERIFY(!dragAndDrop(area, &text));
    QCOMPARE(area->widget(), labels.first());
}

void tst_ScrollArea::zoomSteps_data()
{
    QTest::addColumn<QStringList>("gestures");
    QTest::addColumn<double>("scale");

    const auto times = [](const QString &what, int n) {
        QStringList list;
        for (int i = 0; i < n; ++i)
            list << what;
        return list;
    };
    QTest::newRow("own size at first") << QStringList() << 1.0;
    QTest::newRow("Ctrl+minus") << QStringList{"-"} << 2.0 / 3;
    QTest::newRow("smallest step") << times("-", 5) << 1.0 / 8;
    QTest::newRow("one past the smallest") << times("-", 6) << 1.0 / 8;
    QTest::newRow("Ctrl+plus") << QStringList{"+"} << 2.0;
    QTest::newRow("Ctrl+= (plus unshifted)") << QStringList{"="} << 2.0;
    QTest::newRow("largest step") << times("+", 5) << 8.0;
    QTest::newRow("one past the largest") << times("+", 6) << 8.0;
    QTest::newRow("down and up again") << QStringList{"-", "-", "+"} << 2.0 / 3;
    QTest::newRow("Ctrl+0 back to own size") << QStringList{"+", "+", "0"} << 1.0;
    QTest::newRow("Ctrl+wheel forward") << QStringList{"wheel 120"} << 2.0;
    QTest::newRow("Ctrl+wheel back") << QStringList{"wheel -120"} << 2.0 / 3;
    QTest::newRow("half a wheel step") << QStringList{"wheel 60"} << 1.0;
    QTest::newRow("two half steps") << QStringList{"wheel 60", "wheel 60"} << 2.0;
    QTest::newRow("three steps at once") << QStringList{"wheel -360"} << 1.0 / 3;
    QTest::newRow("the largest turn a wheel tells")
        << QStringList{"wheel 60", "wheel 2147483647"} << 8.0;
    QTest::newRow("plain wheel scrolls") << QStringList{"scroll -120"} << 1.0;
}

void tst_ScrollArea::zoomSteps()
{
    QFETCH(QStringList, gestures);
    QFETCH(double, scale);
    ScrollArea *area = nullptr;
    const auto window = demoWindow(&area);
    QVERIFY(window);

    const QSize size = drop(area, entries.at(0));
    QVERIFY(!size.isEmpty());
    for (const QString &what : gestures)
        gesture(window.get(), area, what);
    auto *label = qobject_cast<QLabel *>(area->widget());
    QVERIFY(label);
    const QSize expected(int(size.width() * scale + 1e-6), int(size.height() * scale + 1e-6));
    QCOMPARE(label->size(), expected);
    QCOMPARE(premultiplied(label->pixmap().toImage()).size(), size);
}

void tst_ScrollArea::zoomedPixels_data()
{
    QTest::addColumn<QStringList>("gestures");
    QTest::addColumn<int>("factor"); // 2 for twice the size, -2 for half

    QTest::newRow("twice, sharp") << QStringList{"+"} << 2;
    QTest::newRow("eight times, sharp") << QStringList{"+", "+", "+", "+", "+"} << 8;
    QTest::newRow("half, smoothed") << QStringList{"-", "-"} << -2;
}

void tst_ScrollArea::zoomedPixels()
{
    QFETCH(QStringList, gestures);
    QFETCH(int, factor);
    ScrollArea *area = nullptr;
    const auto window = demoWindow(&area);
    QVERIFY(window);
    drop(area, entries.at(0));
    for (const QString &what : gestures)
        gesture(window.get(), area, what);
    auto *label = qobject_cast<QLabel *>(area->widget());
    QVERIFY(label);
    const QImage picture = renderMultiEntry(entries.at(0), artStore, tileDataStore)
                               .convertToFormat(QImage::Format_ARGB32);

    // Every opaque pixel the user sees, against the picture's own (enlarged:
    // each a square of `factor` pixels of its colour) or the picture smoothly
    // reduced.
    QImage expected = picture;
    int step = std::max(factor, 1);
    if (factor < 0) {
        expected = picture.scaled(picture.size() / -factor, Qt::IgnoreAspectRatio,
                                  Qt::SmoothTransformation);
    }
    // At most 256 x 256 of the picture's pixels, around its middle.
    const QRect part = QRect(QPoint(), QSize(256, 256))
                           .translated(expected.rect().center() - QPoint(128, 128))
                           .intersected(expected.rect());
    const QImage shown = label->grab(QRect(part.topLeft() * step, part.size() * step))
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    int compared = 0;
    for (int y = 0; y < part.height(); ++y) {
        for (int x = 0; x < part.width(); ++x) {
            const QRgb want = expected.pixel(part.left() + x, part.top() + y);
            if (qAlpha(want) != 255)
                continue;
            for (const QPoint corner : {QPoint(0, 0), QPoint(step - 1, step - 1)}) {
                const QRgb got = shown.pixel(QPoint(x, y) * step + corner);
                if (qRgb(qRed(got), qGreen(got), qBlue(got)) != want)
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 shows %3, not %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(got, 8, 16)
                                         .arg(want, 8, 16)));
            }
            ++compared;
        }
    }
    QVERIFY2(compared > 1000, qPrintable(QString::number(compared)));
}

void tst_ScrollArea::fitToThePane_data()
{
    QTest::addColumn<bool>("large");   // the largest picture, else the smallest
    QTest::addColumn<QSize>("window"); // the default size when empty
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<double>("scale"); // after those: 0 fitted, -1 the step above, -2 below

    const QSize tall(900, 1600);
    QTest::newRow("larger than the pane") << true << tall << QStringList() << 0.0;
    QTest::newRow("larger than a small pane") << true << QSize() << QStringList() << 0.0;
    QTest::newRow("smaller: own size, never enlarged") << false << QSize() << QStringList() << 1.0;
    QTest::newRow("Ctrl+plus from a fit") << true << tall << QStringList{"+"} << -1.0;
    QTest::newRow("Ctrl+minus from a fit") << true << tall << QStringList{"-"} << -2.0;
    QTest::newRow("Ctrl+minus, fit below the smallest step")
        << true << QSize(400, 300) << QStringList{"-"} << 0.0;
    QTest::newRow("Ctrl+plus, fit below the smallest step")
        << true << QSize(400, 300) << QStringList{"+"} << -1.0;
    QTest::newRow("Ctrl+plus from own size") << false << QSize() << QStringList{"+"} << 2.0;
}

void tst_ScrollArea::fitToThePane()
{
    QFETCH(bool, large);
    QFETCH(QSize, window);
    QFETCH(QStringList, after);
    QFETCH(double, scale);
    ScrollArea *area = nullptr;
    const auto main = demoWindow(&area);
    QVERIFY(main);
    const QSize size = drop(area, entries.at(large ? largest : smallest));
    if (!large)
        window = size * 4;
    if (window.isValid())
        main->resize(window);
    QTRY_COMPARE(main->size(), main->size().expandedTo(window));
    if (!large)
        QVERIFY(roomOf(area).width() > size.width() && roomOf(area).height() > size.height());
    gesture(main.get(), area, "9");
    auto *label = qobject_cast<QLabel *>(area->widget());
    QVERIFY(label);
    const QSize fitted = label->size();
    const QSize room = roomOf(area);
    if (large) {
        // Whole, with no scroll bar, as large as the pane allows one way.
        QVERIFY(fitted.width() <= room.width() && fitted.height() <= room.height());
        QVERIFY(fitted.width() >= room.width() - 1 || fitted.height() >= room.height() - 1);
        QVERIFY(qAbs(double(fitted.width()) / size.width() -
                     double(fitted.height()) / size.height()) < 0.01);
        QVERIFY(!hasScrollBars(area));
    }

    for (const QString &what : after)
        gesture(main.get(), area, what);
    const double fit = double(fitted.width()) / size.width();
    if (scale == 0) {
        QCOMPARE(label->size(), fitted);
    } else if (scale < 0) {
        // The step next to the fit, above or below.
        const double steps[] = {1.0 / 8, 1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3, 1};
        double want = 0;
        for (double step : steps)
            if (scale == -1 ? (step > fit && want == 0) : step < fit)
                want = step;
        QVERIFY(want != 0);
        QCOMPARE(label->width(), int(size.width() * want + 1e-6));
    } else {
        QCOMPARE(label->size(), QSize(int(size.width() * scale), int(size.height() * scale)));
    }

    // A fit follows the pane: a larger window, a larger picture, still whole.
    if (scale == 0 && large) {
        main->resize(main->size() + QSize(200, 300));
        QTRY_VERIFY(label->width() > fitted.width() || label->height() > fitted.height());
        QVERIFY(label->width() <= roomOf(area).width() && label->height() <= roomOf(area).height());
    }
}

void tst_ScrollArea::zoomKeptForTheNextDrop_data()
{
    QTest::addColumn<QStringList>("gestures");
    QTest::addColumn<bool>("beforeAnyDrop");
    QTest::addColumn<double>("scale"); // of the next picture; 0: fitted

    QTest::newRow("nothing chosen") << QStringList() << false << 1.0;
    QTest::newRow("a step") << QStringList{"-", "-"} << false << 0.5;
    QTest::newRow("a fit") << QStringList{"9"} << false << 0.0;
    QTest::newRow("back to own size") << QStringList{"-", "0"} << false << 1.0;
    QTest::newRow("nothing to zoom yet") << QStringList{"-", "-"} << true << 1.0;
}

void tst_ScrollArea::zoomKeptForTheNextDrop()
{
    QFETCH(QStringList, gestures);
    QFETCH(bool, beforeAnyDrop);
    QFETCH(double, scale);
    ScrollArea *area = nullptr;
    const auto window = demoWindow(&area);
    QVERIFY(window);

    if (!beforeAnyDrop)
        drop(area, entries.at(0));
    for (const QString &what : gestures)
        gesture(window.get(), area, what);
    const QSize size = drop(area, entries.at(largest));
    auto *label = qobject_cast<QLabel *>(area->widget());
    QVERIFY(label);
    // A new label, with the new picture, from its top left.
    QCOMPARE(premultiplied(label->pixmap().toImage()),
             premultiplied(renderMultiEntry(entries.at(largest), artStore, tileDataStore)));
    QCOMPARE(area->horizontalScrollBar()->value(), 0);
    QCOMPARE(area->verticalScrollBar()->value(), 0);
    if (scale == 0) {
        const QSize room = roomOf(area);
        QVERIFY(label->width() <= room.width() && label->height() <= room.height());
        QVERIFY(label->width() >= room.width() - 1 || label->height() >= room.height() - 1);
    } else {
        QCOMPARE(label->size(), QSize(int(size.width() * scale), int(size.height() * scale)));
        // The designed drop: the own size, as its minimum.
        if (scale == 1)
            QCOMPARE(label->minimumSize(), size);
    }
}

void tst_ScrollArea::wheelKeepsThePointUnderThePointer()
{
    ScrollArea *area = nullptr;
    const auto window = demoWindow(&area);
    QVERIFY(window);
    const QSize size = drop(area, entries.at(largest));
    QVERIFY(size.width() > 2 * area->viewport()->width());
    area->horizontalScrollBar()->setValue(100);
    area->verticalScrollBar()->setValue(50);
    const QPoint middle = area->viewport()->rect().center();
    const QPoint under = QPoint(100, 50) + middle; // the picture's pixel under the pointer

    gesture(window.get(), area, "wheel 120");
    QCOMPARE(area->horizontalScrollBar()->value(), 2 * under.x() - middle.x());
    QCOMPARE(area->verticalScrollBar()->value(), 2 * under.y() - middle.y());
    gesture(window.get(), area, "wheel -120");
    QCOMPARE(area->horizontalScrollBar()->value(), 100);
    QCOMPARE(area->verticalScrollBar()->value(), 50);
}

void tst_ScrollArea::dropsOfFiles_data()
{
    QTest::addColumn<QStringList>("files"); // in the drag's order; a URL names a remote file
    QTest::addColumn<Qt::DropActions>("offered");
    QTest::addColumn<bool>("entered");
    QTest::addColumn<int>("shown"); // the entry drawn; -1: the picture before stays

    const Qt::DropActions any = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QTest::newRow("a .mlt file") << QStringList{"Entry 0.mlt"} << any << true << 0;
    QTest::newRow("the first readable one")
        << QStringList{"notes.txt", "short.mlt", "Entry 1.mlt", "Entry 0.mlt"} << any << true << 1;
    QTest::newRow("none readable, none waited on")
        << QStringList{"short.mlt", "fifo.mlt", "huge.mlt", "missing.mlt"} << any << true << -1;
    QTest::newRow("no local .mlt file")
        << QStringList{"notes.txt", "https://example.invalid/keep.mlt"} << any << false << -1;
    QTest::newRow("offered only as a move")
        << QStringList{"Entry 0.mlt"} << Qt::DropActions(Qt::MoveAction) << false << -1;
}

void tst_ScrollArea::dropsOfFiles()
{
    QFETCH(QStringList, files);
    QFETCH(Qt::DropActions, offered);
    QFETCH(bool, entered);
    QFETCH(int, shown);
    ScrollArea *area = nullptr;
    const auto window = demoWindow(&area);
    QVERIFY(window);
    drop(area, entries.at(largest));
    QWidget *const before = area->widget();
    QList<QUrl> urls;
    for (const QString &file : files)
        urls << (file.contains(':') ? QUrl(file) : QUrl::fromLocalFile(filesDir.filePath(file)));
    QMimeData data;
    data.setUrls(urls);
    QCOMPARE(sendDrag<QDragEnterEvent>(area, &data, false, offered), entered);
    QCOMPARE(sendDrag<QDropEvent>(area, &data, false, offered), shown >= 0);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    // As a drop of the entry draws it; else nothing changed.
    auto *label = qobject_cast<QLabel *>(area->widget());
    QCOMPARE(label == before, shown < 0);
    if (shown >= 0)
        QCOMPARE(premultiplied(label->pixmap().toImage()),
                 premultiplied(renderMultiEntry(entries.at(shown), artStore, tileDataStore)));
}

QTEST_MAIN(tst_ScrollArea)
#include "tst_scrollarea.moc"
