#include "app/mainwindow.h"
#include "cache/multicache.h"
#include "cache/multipayload.h"
#include "configfixture.h"
#include "core/processwide.h"
#include "demoencoders.h"
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
#include <QTemporaryDir>
#include <QTest>

#include <memory>

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
template <typename Event> bool sendDrag(ScrollArea *area, const QMimeData *data, bool before)
{
    const QPoint middle = area->viewport()->rect().center();
    Event event(middle, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
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

} // namespace

class tst_ScrollArea : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void dropWithoutReaders();
    void refusesOtherDrags();
    void dropsShowTheFirstEntry();

private:
    QTemporaryDir demoDir;
    QList<MultiEntry> entries; // the demo entries that have components
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

QTEST_MAIN(tst_ScrollArea)
#include "tst_scrollarea.moc"
