#include "cache/multilist.h"
#include "cache/multipayload.h"
#include "core/processwide.h"
#include "demoencoders.h"
#include "export/dirmodel.h"
#include "export/dirview.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QMimeData>
#include <QScrollBar>
#include <QSet>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QUrl>

#include <memory>

namespace {

const QString MultiType = QString::fromLatin1(MultiMimeType);

std::unique_ptr<QMimeData> entriesDrag(const QList<MultiEntry> &entries)
{
    auto data = std::make_unique<QMimeData>();
    data->setData(MultiType, encodeMultiPayload(entries));
    return data;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList namesIn(const QString &dir)
{
    QStringList names = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

// Makes `names` as directories (names ending in "/") or empty files in `dir`.
bool makeAll(const QString &dir, const QStringList &names)
{
    for (const QString &name : names) {
        const QString path = dir + QLatin1Char('/') + name;
        if (name.endsWith(QLatin1Char('/')) ? !QDir().mkpath(path)
                                            : !QFile(path).open(QIODevice::WriteOnly))
            return false;
    }
    return true;
}

QStringList numbered(const QString &pattern, int count)
{
    QStringList names;
    for (int n = 0; n < count; ++n)
        names << pattern.arg(n, 2, 10, QLatin1Char('0'));
    return names;
}

// Whether the whole row of `index` is in the view.
bool inView(const QTreeView &view, const QModelIndex &index)
{
    const QRect rect = view.visualRect(index);
    return index.isValid() && !rect.isEmpty() && view.viewport()->rect().contains(rect);
}

// Whether a file can really be created in `dir` by this process (root
// included), whatever its permission bits say.
bool reallyWritable(const QString &dir)
{
    QTemporaryFile probe(dir + QStringLiteral("/probe-XXXXXX"));
    return probe.open();
}

} // namespace

class tst_DirView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void namesOnlyFromTheRoots();
    void neverTouchesTheUsersFiles();
    void acceptance_data();
    void acceptance();
    void dropAnywhereOnTheRow_data();
    void dropAnywhereOnTheRow();
    void dropFromTheEntryList();
    void partlyFailedDropIsNotAccepted();
    void opensAtHome_data();
    void opensAtHome();
    void dropShowsTheWrittenFiles_data();
    void dropShowsTheWrittenFiles();

private:
    QModelIndex showRow(const QString &path);
    QPoint pointOnRow(const QString &path, double fraction);
    bool send(const QPoint &pos, const QMimeData *data, bool dropIt, QImage *during = nullptr);

    QTemporaryDir base;
    std::unique_ptr<DirView> view;
    DirModel *model = nullptr;
    QSet<QString> loaded;
};

void tst_DirView::initTestCase()
{
    QVERIFY(base.isValid());
    QDir dir(base.path());
    QVERIFY(dir.mkdir("writable") && dir.mkdir("readonly") && dir.mkdir("edge"));
    // Drop targets made before the tree lists them, so that their rows stay put.
    QVERIFY(makeAll(base.path(), QStringList{"show1/", "show2/", "show3/", "show4/"} +
                                     numbered("show3/a%1.txt", 60)));
    QFile file(dir.filePath("file.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QFile::setPermissions(dir.filePath("readonly"),
                                  QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                      QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                      QFileDevice::ReadOther | QFileDevice::ExeOther));

    view = std::make_unique<DirView>();
    model = qobject_cast<DirModel *>(view->model());
    QVERIFY(model);
    connect(model, &QFileSystemModel::directoryLoaded, this,
            [this](const QString &path) { loaded.insert(path); });
    view->resize(800, 600);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
}

void tst_DirView::cleanupTestCase()
{
    QFile::setPermissions(base.filePath("readonly"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// Expands the way to `path` and waits until every directory on it is listed,
// so that rows stop moving, then scrolls the row into view. Invalid when a
// listing never came.
QModelIndex tst_DirView::showRow(const QString &path)
{
    QModelIndex index = model->index(path);
    view->scrollTo(index);
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) {
        const QString dir = model->filePath(up);
        if (!QTest::qWaitFor([&] { return loaded.contains(dir); }, 20000))
            return QModelIndex();
    }
    index = model->index(path);
    view->scrollTo(index);
    return index;
}

QPoint tst_DirView::pointOnRow(const QString &path, double fraction)
{
    const QRect rect = view->visualRect(showRow(path));
    const int y = rect.top() + qMin(int(fraction * rect.height()), rect.height() - 1);
    return QPoint(rect.left() + 10, y);
}

// Enters and moves a drag at `pos` as the toolkit delivers it, then drops
// or leaves. The toolkit sends no moves after a refused enter, so the verdict
// needs both; for a drop, the drop's own. `during` gets the tree as drawn
// after the move.
bool tst_DirView::send(const QPoint &pos, const QMimeData *data, bool dropIt, QImage *during)
{
    QDragEnterEvent enter(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &move);
    if (during)
        *during = view->viewport()->grab().toImage();
    if (dropIt) {
        QDropEvent drop(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &drop);
        return drop.isAccepted();
    }
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(view->viewport(), &leave);
    return enter.isAccepted() && move.isAccepted();
}

void tst_DirView::namesOnlyFromTheRoots()
{
    QCOMPARE(model->rootPath(), QDir::rootPath());
    QVERIFY(!view->rootIndex().isValid());
    QTRY_VERIFY(model->rowCount() >= 1);
    QCOMPARE(model->filePath(model->index(0, 0)), QDir::rootPath());
    const QModelIndex dir = showRow(base.filePath("writable"));
    QCOMPARE(model->columnCount(dir), 1);
    QCOMPARE(model->columnCount(dir.parent()), 1);
    QCOMPARE(view->header()->count(), 1);
    QVERIFY(model->mimeTypes().contains(MultiType));
    QVERIFY(model->supportedDropActions() & Qt::CopyAction);
}

void tst_DirView::neverTouchesTheUsersFiles()
{
    const QString path = base.filePath("file.txt");
    const QModelIndex file = showRow(path);
    const QModelIndex writable = model->index(base.filePath("writable"));
    QVERIFY(!(model->flags(file) & Qt::ItemIsEditable));
    QVERIFY(!(model->flags(writable) & Qt::ItemIsEditable));
    QVERIFY(!model->setData(file, QStringLiteral("renamed.txt")));

    // Dragged out, a file's row is the file, to be copied only; a directory's stays.
    QVERIFY(view->dragEnabled() && model->supportedDragActions() == Qt::CopyAction);
    QVERIFY((model->flags(file) & ~model->flags(writable)) & Qt::ItemIsDragEnabled);
    const std::unique_ptr<QMimeData> out(model->mimeData({file}));
    QCOMPARE(out->urls(), QList<QUrl>{QUrl::fromLocalFile(path)});

    // Files from a file manager are neither moved nor linked into the tree.
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(path)});
    for (Qt::DropAction action : {Qt::MoveAction, Qt::CopyAction, Qt::LinkAction})
        QVERIFY(!model->dropMimeData(&files, action, -1, -1, writable));
    QVERIFY(QFile::exists(path));
    QVERIFY(namesIn(base.filePath("writable")).isEmpty());

    // The invalid index stands for the list of roots, not a directory.
    const auto data = entriesDrag({{"Root", QRect(), {}}});
    QVERIFY(!model->dropMimeData(data.get(), Qt::CopyAction, -1, -1, QModelIndex()));
    QVERIFY(!QFile::exists(QDir::rootPath() + "Root.mlt"));
}

void tst_DirView::acceptance_data()
{
    QTest::addColumn<QString>("target"); // a path, or empty for the space below the rows
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("accepted");

    const QString writable = base.filePath("writable");
    QTest::newRow("writable directory") << writable << MultiType << true;
    QTest::newRow("file row") << base.filePath("file.txt") << MultiType << false;
    // As root a mode-0555 directory is still writable, and rightly accepted.
    const QString readonly = base.filePath("readonly");
    QTest::newRow("mode-0555 directory") << readonly << MultiType << reallyWritable(readonly);
    // Not writable even for root: procfs refuses to create files there.
    QTest::newRow("read-only directory, also for root") << "/proc/sys" << MultiType << false;
    QTest::newRow("below the rows") << QString() << MultiType << false;
    QTest::newRow("files from a file manager") << writable << "text/uri-list" << false;
}

void tst_DirView::acceptance()
{
    QFETCH(QString, target);
    QFETCH(QString, format);
    QFETCH(bool, accepted);

    if (target == "/proc/sys" && (!QFileInfo(target).isDir() || reallyWritable(target)))
        QSKIP("no directory here that is read-only for every user");

    QPoint pos;
    if (target.isEmpty()) {
        view->collapseAll();
        pos = QPoint(20, view->viewport()->height() - 5);
        QVERIFY(!view->indexAt(pos).isValid());
    } else {
        pos = pointOnRow(target, 0.5);
    }
    auto data = std::make_unique<QMimeData>();
    data->setData(format, encodeMultiPayload({{"Matrix", QRect(), {"1:0:0:0:0:1:1"}}}));

    QImage during;
    QCOMPARE(send(pos, data.get(), false, &during), accepted);
    // The drop indicator is drawn only while the drag is accepted.
    QCOMPARE(during != view->viewport()->grab().toImage(), accepted);
    // The verdict holds for the drop as well: a refused drop writes nothing.
    if (!target.isEmpty())
        pos = pointOnRow(target, 0.5);
    QCOMPARE(send(pos, data.get(), true), accepted);
    const QString dir = QFileInfo(target).isDir() ? target : base.path();
    QCOMPARE(QFile::exists(dir + "/Matrix.mlt"), accepted);
    QVERIFY(!QFile::exists(base.filePath("Matrix.mlt")));
    QFile::remove(dir + "/Matrix.mlt");
}

void tst_DirView::dropAnywhereOnTheRow_data()
{
    QTest::addColumn<double>("fraction");
    QTest::newRow("top edge") << 0.0;
    QTest::newRow("upper quarter") << 0.2;
    QTest::newRow("middle") << 0.5;
    QTest::newRow("lower quarter") << 0.8;
    QTest::newRow("bottom edge") << 1.0;
}

void tst_DirView::dropAnywhereOnTheRow()
{
    QFETCH(double, fraction);
    const QString edge = base.filePath("edge");
    const auto data = entriesDrag({{"Edge", QRect(), {"1234:-1:2:0:0:1:1"}}});

    QVERIFY(send(pointOnRow(edge, fraction), data.get(), true));
    QCOMPARE(namesIn(edge), QStringList{"Edge.mlt"});
    QVERIFY(!QFile::exists(base.filePath("Edge.mlt")));
    QVERIFY(QFile::remove(edge + "/Edge.mlt"));
}

void tst_DirView::dropFromTheEntryList()
{
    const QString cachePath = base.filePath("cache.txt");
    {
        QFile cache(cachePath);
        QVERIFY(cache.open(QIODevice::WriteOnly));
        cache.write(encodeCacheEntry(0, {{1234, -1, 2, 0}}) + encodeCacheEntry(1, {}) +
                    encodeCacheEntry(2, {{7, 1, 1, 5}, {65535, -32768, 0, -3}}));
    }
    CacheFile.setFileName(cachePath);
    MultiList list;
    QCOMPARE(list.count(), 3);
    list.item(1)->setText(QStringLiteral("Tower"));
    const QModelIndexList rows = {list.model()->index(0, 0), list.model()->index(1, 0),
                                  list.model()->index(2, 0)};
    const std::unique_ptr<QMimeData> data(list.model()->mimeData(rows));

    const QString target = base.filePath("export");
    QVERIFY(QDir(base.path()).mkdir("export"));
    const QModelIndex dir = showRow(target);
    view->expand(dir);
    QTRY_VERIFY(loaded.contains(target));
    QCOMPARE(model->rowCount(dir), 0);

    QVERIFY(send(pointOnRow(target, 0.5), data.get(), true));
    QCOMPARE(namesIn(target), QStringList({"Entry 0.mlt", "Entry 2.mlt", "Tower.mlt"}));
    QCOMPARE(readAll(target + "/Entry 0.mlt"),
             QByteArray::fromHex("00000000 d204 ffff 0200 0000 01000000"));
    QCOMPARE(readAll(target + "/Tower.mlt"), QByteArray::fromHex("00000000"));
    QCOMPARE(readAll(target + "/Entry 2.mlt"),
             QByteArray::fromHex("00000000 0700 0100 0100 0500 01000000"
                                 "ffff 0080 0000 fdff 01000000"));

    // In the tree at once, not only once the directory watch reports them.
    QStringList shown;
    for (int row = 0; row < model->rowCount(dir); ++row)
        shown << model->fileName(model->index(row, 0, dir));
    shown.sort();
    QCOMPARE(shown, QStringList({"Entry 0.mlt", "Entry 2.mlt", "Tower.mlt"}));
}

void tst_DirView::partlyFailedDropIsNotAccepted()
{
    const QString writable = base.filePath("writable");
    const auto data = entriesDrag({{"kept", QRect(), {}}, {"../escaped", QRect(), {}}});
    QVERIFY(!send(pointOnRow(writable, 0.5), data.get(), true));
    QCOMPARE(namesIn(writable), QStringList{"kept.mlt"});
    QVERIFY(!QFile::exists(base.filePath("escaped.mlt")));
    QFile::remove(writable + "/kept.mlt");
}

void tst_DirView::opensAtHome_data()
{
    QTest::addColumn<QString>("home"); // below the base directory
    QTest::addColumn<QStringList>("made");
    // "scroll bar": the user scrolls before the listings come; "scroll to":
    // the view is scrolled to the root row from elsewhere once home is shown.
    QTest::addColumn<QString>("moved");

    // Home among 40 others below a deep path: a tree longer than the view.
    const QStringList others = numbered("deep/er/s%1/", 40);
    QTest::newRow("home with a few directories")
        << "deep/er/s20"
        << others + QStringList{"deep/er/s20/a/", "deep/er/s20/b/", "deep/er/s20/f"} << "";
    QTest::newRow("home with more rows than fit")
        << "deep/er/s21" << others + numbered("deep/er/s21/d%1/", 80) << "";
    QTest::newRow("scrolled by the user first") << "deep/er/s22" << others << "scroll bar";
    QTest::newRow("scrolled to a row from elsewhere") << "deep/er/s23" << others << "scroll to";
    QTest::newRow("no such home") << "missing" << QStringList() << "";
}

void tst_DirView::opensAtHome()
{
    QFETCH(QString, home);
    QFETCH(QStringList, made);
    QFETCH(QString, moved);
    QTemporaryDir dir;
    QVERIFY(makeAll(dir.path(), made));
    const QString homePath = dir.filePath(home);
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(homePath));
    DirView tree;
    qputenv("HOME", oldHome);
    auto *dirs = qobject_cast<DirModel *>(tree.model());
    QSet<QString> listed;
    connect(dirs, &QFileSystemModel::directoryLoaded, this,
            [&listed](const QString &path) { listed.insert(path); });
    tree.resize(800, 600);
    tree.show();
    if (moved == "scroll bar")
        tree.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    const int scrolled = tree.verticalScrollBar()->value();

    // The whole file system from its roots, all the same.
    QCOMPARE(dirs->rootPath(), QDir::rootPath());
    QVERIFY(!tree.rootIndex().isValid());
    const QModelIndex root = dirs->index(QDir::rootPath());
    if (!QFileInfo(homePath).isDir()) {
        QTest::qWait(200);
        QVERIFY(!tree.isExpanded(root));
        QCOMPARE(tree.verticalScrollBar()->value(), 0);
        return;
    }
    // Every directory on the way listed, and the rows placed after.
    const QString parent = QFileInfo(homePath).absolutePath();
    QTRY_VERIFY_WITH_TIMEOUT(listed.contains(parent) && listed.contains(homePath), 20000);
    const QModelIndex index = dirs->index(homePath);
    for (QModelIndex up = index; up.isValid(); up = up.parent())
        QVERIFY(tree.isExpanded(up));
    QCOMPARE(tree.currentIndex(), index);
    QVERIFY(tree.selectionModel()->selectedIndexes().isEmpty());
    if (moved == "scroll bar") {
        // Left where the user put it, away from home.
        QTest::qWait(100);
        QCOMPARE(tree.verticalScrollBar()->value(), scrolled);
        QVERIFY(!inView(tree, index));
        return;
    }
    QTRY_VERIFY(inView(tree, index));
    if (moved == "scroll to") {
        // That row stays in view, also when the view is resized.
        tree.scrollTo(root, QAbstractItemView::PositionAtTop);
        tree.resize(800, 500);
        QTest::qWait(100);
        QCOMPARE(tree.visualRect(root).top(), 0);
        QVERIFY(!inView(tree, index));
        return;
    }
    const int rows = dirs->rowCount(index);
    if (rows * tree.visualRect(index).height() < tree.viewport()->height() / 2) {
        // Its rows fit below it: all in view.
        for (int row = 0; row < rows; ++row)
            QTRY_VERIFY(inView(tree, dirs->index(row, 0, index)));
    } else {
        // They do not: home at the top, as many as fit below.
        QTRY_COMPARE(tree.visualRect(index).top(), 0);
        QVERIFY(inView(tree, dirs->index(0, 0, index)));
    }
}

void tst_DirView::dropShowsTheWrittenFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<bool>("lastRow"); // the directory on the view's last row

    QTest::newRow("room below") << "show1" << QStringList{"One", "Two"} << false;
    QTest::newRow("one file, on the last row") << "show2" << QStringList{"One"} << true;
    // Its 60 files come before the one written.
    QTest::newRow("after many other files") << "show3" << QStringList{"Zed"} << false;
    QTest::newRow("nothing written") << "show4" << QStringList{"../up"} << false;
}

void tst_DirView::dropShowsTheWrittenFiles()
{
    QFETCH(QString, name);
    QFETCH(QStringList, entries);
    QFETCH(bool, lastRow);
    const QString target = base.filePath(name);
    QList<MultiEntry> dropped;
    for (const QString &entry : entries)
        dropped.append({entry, QRect(), {"1:0:0:0:0:1:1"}});
    const auto data = entriesDrag(dropped);

    const QModelIndex dir = showRow(target);
    QVERIFY(!view->isExpanded(dir));
    if (lastRow) {
        // No room below it for a row.
        view->scrollTo(dir, QAbstractItemView::PositionAtBottom);
        const QRect row = view->visualRect(dir);
        QVERIFY(row.bottom() + row.height() >= view->viewport()->height());
    }
    const bool written = entries.first() != "../up";
    QCOMPARE(send(view->visualRect(dir).center(), data.get(), true), written);
    QCOMPARE(view->isExpanded(model->index(target)), written);
    if (!written)
        return;
    QTRY_VERIFY_WITH_TIMEOUT(loaded.contains(target), 20000);
    for (const QString &entry : entries) {
        const QModelIndex file = model->index(target + "/" + entry + ".mlt");
        // Soon: rows that move for reasons of their own later must not count.
        QTRY_VERIFY2_WITH_TIMEOUT(inView(*view, file), qPrintable(entry), 1000);
        QCOMPARE(file.parent(), model->index(target));
    }
    // Where they all fit with the directory, the directory too.
    if (name != "show3")
        QVERIFY(inView(*view, model->index(target)));
}

QTEST_MAIN(tst_DirView)
#include "tst_dirview.moc"
