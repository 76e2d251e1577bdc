#include "app/mainwindow.h"
#include "cache/multiitem.h"
#include "cache/multilist.h"
#include "cache/multipayload.h"
#include "configfixture.h"
#include "core/processwide.h"
#include "export/dirview.h"
#include "preview/scrollarea.h"

#include <QDir>
#include <QDrag>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

namespace {

const QByteArray CacheText = "0\t0\t1\t0\t0\t0\t0\n"
                             "1234\t7\t-1\t2\t0\n"
                             "stray\tline\n"
                             "1\t0\t0\t0\t0\t0\n"
                             "2\t0\t3\t0\t0\t0\t0\n"
                             "10\t0\t0\t0\t0\n"
                             "11\t0\t1\t0\t0\n"
                             "12\t0\t0\t1\t5\n";

QGroupBox *paneOf(QWidget *view)
{
    return qobject_cast<QGroupBox *>(view->parentWidget());
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void opensWithoutConfiguration();
    void listsTheConfiguredCache();
    void readsTheUsersConfigurationWhenNoneIsBeside();
    void dragPayload();
    void renamedByTheUser_data();
    void renamedByTheUser();
    void dragLabel_data();
    void dragLabel();
    void dragOfTheSelection();

private:
    QTemporaryDir dir;
    QByteArray configXml;
};

void tst_MainWindow::initTestCase()
{
    QFile cache(dir.filePath("multicache.txt"));
    QVERIFY(cache.open(QIODevice::WriteOnly));
    cache.write(CacheText);
    cache.close();
    // The art and tile files are missing: the readers stay empty, nothing fails.
    configXml = "<conf><cache>" + cache.fileName().toUtf8() + "</cache><artidx>" +
                dir.filePath("none.idx").toUtf8() + "</artidx><artmul>none</artmul>" +
                "<tiledata>none</tiledata></conf>";
    QFile::remove(ConfigFixture::configPath());
}

void tst_MainWindow::opensWithoutConfiguration()
{
    CacheFile.setFileName(QString());
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(window.windowTitle(), QStringLiteral("Korvane Extractor"));
    QVERIFY(artStore == nullptr);
    QVERIFY(tileDataStore == nullptr);
    QVERIFY(window.findChild<QMenuBar *>() == nullptr);
    QVERIFY(window.findChild<QToolBar *>() == nullptr);
    QVERIFY(window.findChild<QStatusBar *>() == nullptr);

    auto *list = window.findChild<MultiList *>();
    auto *tree = window.findChild<DirView *>();
    auto *preview = window.findChild<ScrollArea *>();
    QVERIFY(list && tree && preview);
    QCOMPARE(list->count(), 0);

    // "Cache Entries" upper left, "Destination" upper right, "Preview" below.
    QCOMPARE(paneOf(list)->title(), QStringLiteral("Cache Entries"));
    QCOMPARE(paneOf(tree)->title(), QStringLiteral("Destination"));
    QCOMPARE(paneOf(preview)->title(), QStringLiteral("Preview"));
    auto *outer = qobject_cast<QSplitter *>(window.centralWidget());
    QVERIFY(outer);
    QCOMPARE(outer->orientation(), Qt::Vertical);
    auto *inner = qobject_cast<QSplitter *>(outer->widget(0));
    QVERIFY(inner);
    QCOMPARE(inner->orientation(), Qt::Horizontal);
    QCOMPARE(inner->widget(0), paneOf(list));
    QCOMPARE(inner->widget(1), paneOf(tree));
    QCOMPARE(outer->widget(1), paneOf(preview));
    QVERIFY(paneOf(tree)->geometry().left() > paneOf(list)->geometry().left());
    QVERIFY(paneOf(preview)->mapTo(&window, QPoint()).y() >
            paneOf(list)->mapTo(&window, QPoint()).y());
}

void tst_MainWindow::listsTheConfiguredCache()
{
    ConfigFixture config(configXml);
    MainWindow window;
    QVERIFY(artStore != nullptr);
    QVERIFY(tileDataStore != nullptr);
    QCOMPARE(CacheFile.fileName(), dir.filePath("multicache.txt"));
    QVERIFY(!CacheFile.isOpen());

    auto *list = window.findChild<MultiList *>();
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(0)->text(), QStringLiteral("Entry 0"));
    QCOMPARE(list->item(1)->text(), QStringLiteral("Entry 1"));
    auto *second = static_cast<MultiItem *>(list->item(1));
    QCOMPARE(second->components(),
             QStringList({"10:0:0:0:0:1:1", "11:1:0:0:0:1:1", "12:0:1:5:0:1:1"}));
    QCOMPARE(second->bounds(), QRect(QPoint(0, 0), QPoint(1, 1)));
    QCOMPARE(int(second->flags()), int(Qt::ItemIsSelectable | Qt::ItemIsEditable |
                                       Qt::ItemIsDragEnabled | Qt::ItemIsEnabled));
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    QVERIFY(list->dragEnabled());

    // A copy is an entry too, also through a stream; sorting sees the names.
    const std::unique_ptr<QListWidgetItem> copy(second->clone());
    QVERIFY(dynamic_cast<MultiItem *>(copy.get()));
    QCOMPARE(copy->text(), QStringLiteral("Entry 1"));
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << *second;
    QDataStream in(bytes);
    QListWidgetItem read;
    in >> read;
    QCOMPARE(read.text(), QStringLiteral("Entry 1"));
    list->sortItems(Qt::DescendingOrder);
    QCOMPARE(list->item(0)->text(), QStringLiteral("Entry 1"));
}

void tst_MainWindow::readsTheUsersConfigurationWhenNoneIsBeside()
{
    // Installed, the program's directory is not the user's to write.
    const QByteArray home = qgetenv("XDG_CONFIG_HOME");
    QTemporaryDir userHome;
    qputenv("XDG_CONFIG_HOME", userHome.path().toLocal8Bit());
    QVERIFY(QDir().mkpath(userHome.filePath(QStringLiteral("korvane"))));
    QFile user(userHome.filePath(QStringLiteral("korvane/korvane.xml")));
    QVERIFY(user.open(QIODevice::WriteOnly) && user.write(configXml) == configXml.size());
    user.close();
    {
        MainWindow window;
        QCOMPARE(window.findChild<MultiList *>()->count(), 2);
    }
    {
        // The one beside the executable comes first.
        ConfigFixture beside("<conf><cache>" + dir.filePath("none.txt").toUtf8() +
                             "</cache></conf>");
        MainWindow window;
        QCOMPARE(window.findChild<MultiList *>()->count(), 0);
        QCOMPARE(CacheFile.fileName(), dir.filePath("none.txt"));
    }
    qputenv("XDG_CONFIG_HOME", home);
}

void tst_MainWindow::dragPayload()
{
    ConfigFixture config(configXml);
    MainWindow window;
    auto *list = window.findChild<MultiList *>();
    QCOMPARE(list->model()->mimeTypes(), QStringList{"zvcache/multi"});
    QCOMPARE(list->model()->supportedDragActions(), Qt::CopyAction);

    // The drag machinery asks the list's model, which hands the items over.
    const QModelIndex first = list->model()->index(0, 0);
    std::unique_ptr<QMimeData> one(list->model()->mimeData({first}));
    QCOMPARE(one->formats(), QStringList{"zvcache/multi"});
    QCOMPARE(one->data("zvcache/multi").toHex(),
             encodeMultiPayload(
                 {{"Entry 0", QRect(QPoint(-1, 2), QPoint(-1, 2)), {"1234:-1:2:0:0:1:1"}}})
                 .toHex());
    QCOMPARE(one->data("zvcache/multi").size(), 76);

    // Renamed in place: the drag carries the new text, in the order given.
    list->item(0)->setText(QString::fromUtf8("Tour \xc3\xa9st"));
    const QModelIndex second = list->model()->index(1, 0);
    std::unique_ptr<QMimeData> both(list->model()->mimeData({second, first}));
    MultiPayloadReader reader(both->data("zvcache/multi"));
    MultiEntry entry;
    QVERIFY(reader.readEntry(entry));
    QCOMPARE(entry.text, QStringLiteral("Entry 1"));
    QCOMPARE(entry.components.size(), 3);
    QVERIFY(reader.readEntry(entry));
    QCOMPARE(entry.text, QString::fromUtf8("Tour \xc3\xa9st"));
    QVERIFY(reader.atEnd());
}

void tst_MainWindow::renamedByTheUser_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("measured"); // rows laid out one by one from now on

    QTest::newRow("new name") << QStringLiteral("Tower") << true;
    QTest::newRow("beyond ASCII") << QString::fromUtf8("Tour \xc3\xa9st") << true;
    QTest::newRow("its own name") << QStringLiteral("Entry 0") << false;
    QTest::newRow("cleared") << QStringLiteral("") << true;
}

void tst_MainWindow::renamedByTheUser()
{
    QFETCH(QString, name);
    QFETCH(bool, measured);
    ConfigFixture config(configXml);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *list = window.findChild<MultiList *>();
    QVERIFY(list->uniformItemSizes());

    // F2 on the current entry, a name typed, Return.
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_F2);
    QLineEdit *editor = nullptr;
    QTRY_VERIFY((editor = list->viewport()->findChild<QLineEdit *>()));
    editor->setText(name);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(list->item(0)->text(), name);
    QCOMPARE(list->item(1)->text(), QStringLiteral("Entry 1"));
    QCOMPARE(list->uniformItemSizes(), !measured);

    const std::unique_ptr<QMimeData> data(list->model()->mimeData({list->model()->index(0, 0)}));
    QCOMPARE(
        data->data("zvcache/multi").toHex(),
        encodeMultiPayload({{name, QRect(QPoint(-1, 2), QPoint(-1, 2)), {"1234:-1:2:0:0:1:1"}}})
            .toHex());
}

void tst_MainWindow::dragLabel_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("lines");

    QStringList thousand;
    for (int n = 0; n < 1000; ++n)
        thousand << QStringLiteral("Entry %1").arg(n);
    QTest::newRow("one") << QStringList{"Entry 4"} << QStringList{"Entry 4"};
    QTest::newRow("three, each named")
        << QStringList{"Tower", "Entry 0", "Keep"} << QStringList{"Tower", "Entry 0", "Keep"};
    QTest::newRow("four: three and a count")
        << QStringList{"A", "B", "C", "D"} << QStringList{"A", "B", "C", "and 1 more"};
    QTest::newRow("a thousand") << thousand
                                << QStringList{"Entry 0", "Entry 1", "Entry 2", "and 997 more"};
    // A line each, whatever the names hold.
    QTest::newRow("control characters") << QStringList{"Tab\there", "Line\nfeed"}
                                        << QStringList{QString::fromUtf8("Tab\xef\xbf\xbdhere"),
                                                       QString::fromUtf8("Line\xef\xbf\xbd"
                                                                         "feed")};
}

void tst_MainWindow::dragLabel()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, lines);
    QCOMPARE(MultiList::dragLines(names), lines);
}

void tst_MainWindow::dragOfTheSelection()
{
    ConfigFixture config(configXml);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *list = window.findChild<MultiList *>();
    QVERIFY(list->createDrag() == nullptr);

    // The second entry renamed to a very long name, then both selected.
    list->item(1)->setText(QString(5000, QLatin1Char('W')));
    list->selectAll();
    const std::unique_ptr<QDrag> drag(list->createDrag());
    QVERIFY(drag);
    // What the toolkit's own drag carried: the model's payload of the selection.
    const std::unique_ptr<QMimeData> payload(
        list->model()->mimeData(list->selectionModel()->selectedIndexes()));
    QCOMPARE(drag->mimeData()->formats(), QStringList{"zvcache/multi"});
    QCOMPARE(drag->mimeData()->data("zvcache/multi"), payload->data("zvcache/multi"));

    // A small label of two lines, not the rows themselves.
    const QPixmap pixmap = drag->pixmap();
    const QFontMetrics metrics(list->font());
    QVERIFY(!pixmap.isNull());
    QVERIFY(pixmap.height() < 4 * metrics.height());
    QVERIFY(pixmap.height() >= 2 * metrics.height());
    QVERIFY(pixmap.width() < 40 * metrics.averageCharWidth());
    // Each line drawn: text in either half of the label.
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb base = list->palette().color(QPalette::ToolTipBase).rgb();
    for (const int half : {0, 1}) {
        int text = 0;
        for (int y = half * image.height() / 2 + 2; y < (half + 1) * image.height() / 2 - 2; ++y)
            for (int x = 2; x < image.width() - 2; ++x)
                text += image.pixel(x, y) != base;
        QVERIFY2(text > 20, qPrintable(QStringLiteral("half %1").arg(half)));
    }
    // Below and right of the pointer, clear of the row it points at.
    const int rowHeight = list->visualItemRect(list->item(0)).height();
    QVERIFY(drag->hotSpot().x() < 0);
    QVERIFY(-drag->hotSpot().y() >= rowHeight);
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
