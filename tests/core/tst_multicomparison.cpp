#include "cache/multicache.h"
#include "compare/componentvalue.h"
#include "compare/multicomparison.h"
#include "data/artstore.h"
#include "data/tiledatastore.h"
#include "demoencoders.h"
#include "preview/multicomponent.h"

#include <QBuffer>
#include <QTest>

#include <memory>

namespace {

// An entry from "graphic x y z" components separated by commas, its bounds
// taken from them as the cache reader takes them.
MultiEntry entry(const QString &components, const QString &name = QString())
{
    QStringList texts;
    QRect bounds(QPoint(CacheBoundsStart, CacheBoundsStart),
                 QPoint(-CacheBoundsStart, -CacheBoundsStart));
    for (const QString &component : components.split(u',', Qt::SkipEmptyParts)) {
        const QStringList v = component.split(u' ', Qt::SkipEmptyParts);
        texts << QStringLiteral("%1:%2:%3:%4:0:1:1").arg(v[0], v[1], v[2], v[3]);
        const int x = v[1].toInt();
        const int y = v[2].toInt();
        bounds.setCoords(std::min(bounds.left(), x), std::min(bounds.top(), y),
                         std::max(bounds.right(), x), std::max(bounds.bottom(), y));
    }
    return {name, bounds, ComponentList(texts)};
}

// Entries separated by "|"; with names, "name=components".
QList<MultiEntry> entries(const QString &side)
{
    QList<MultiEntry> all;
    for (const QString &text : side.split(u'|')) {
        const qsizetype equals = text.indexOf(u'=');
        all << (equals < 0 ? entry(text, QStringLiteral("Entry %1").arg(all.size()))
                           : entry(text.mid(equals + 1), text.left(equals)));
    }
    return all;
}

// A component change as a word: "+7@3,3,0" added, "-7@3,3,0" removed,
// "m7@1,0,0>2,0,0" moved, "r2>3@0,0,5" replaced.
QString word(const ComponentChange &c)
{
    const auto place = [](const ComponentValue &v) {
        return QStringLiteral("%1,%2,%3").arg(v.x).arg(v.y).arg(v.z);
    };
    switch (c.kind) {
    case ComponentChange::Added:
        return QStringLiteral("+%1@%2").arg(c.after.graphic).arg(place(c.after));
    case ComponentChange::Removed:
        return QStringLiteral("-%1@%2").arg(c.before.graphic).arg(place(c.before));
    case ComponentChange::Moved:
        return QStringLiteral("m%1@%2>%3")
            .arg(QString::number(c.before.graphic), place(c.before), place(c.after));
    case ComponentChange::Replaced:
        break;
    }
    return QStringLiteral("r%1>%2@%3")
        .arg(c.before.graphic)
        .arg(c.after.graphic)
        .arg(place(c.after));
}

// A difference as a line: "changed 3 4 +1 -0 m2 r1" and its components,
// "added - 5", ...
QString line(const MultiDifference &d, const QList<MultiEntry> &olds, const QList<MultiEntry> &news)
{
    static const char *const kinds[] = {"added", "removed", "renumbered", "changed", "picture"};
    const auto side = [](qsizetype n, const QList<MultiEntry> &all) {
        if (n < 0)
            return QStringLiteral("-");
        return all[n].text.startsWith(QLatin1String("Entry ")) ? QString::number(n) : all[n].text;
    };
    QString text =
        QStringLiteral("%1 %2 %3")
            .arg(QLatin1String(kinds[d.kind]), side(d.oldEntry, olds), side(d.newEntry, news));
    if (d.kind == MultiDifference::Changed)
        text += QStringLiteral(" +%1 -%2 m%3 r%4")
                    .arg(d.added)
                    .arg(d.removed)
                    .arg(d.moved)
                    .arg(d.replaced);
    for (const ComponentChange &change : d.components)
        text += u' ' + word(change);
    for (quint16 graphic : d.graphics)
        text += QStringLiteral(" g%1").arg(graphic);
    return text;
}

QStringList lines(const MultiComparison &comparison, const QList<MultiEntry> &olds,
                  const QList<MultiEntry> &news)
{
    QStringList all;
    for (const MultiDifference &d : comparison.differences())
        all << line(d, olds, news);
    return all;
}

// The art files ArtFileBuilder writes, as a store.
std::unique_ptr<ArtStore> artStore(const ArtFileBuilder &builder)
{
    QBuffer index;
    index.setData(builder.index());
    index.open(QIODevice::ReadOnly);
    auto data = std::make_unique<QBuffer>();
    data->setData(builder.data());
    data->open(QIODevice::ReadOnly);
    return std::make_unique<ArtStore>(&index, std::move(data));
}

std::unique_ptr<TileDataStore> tileStore(const TileDataBuilder &builder)
{
    QBuffer buffer;
    buffer.setData(builder.bytes());
    buffer.open(QIODevice::ReadOnly);
    return std::make_unique<TileDataStore>(&buffer);
}

QImage solid(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

} // namespace

class tst_MultiComparison : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pairing_data();
    void pairing();
    void pictures_data();
    void pictures();
    void cacheLineValues_data();
    void cacheLineValues();
};

// A house of 8 components (floor 1 at four cells, walls 2 on two sides),
// with variants, and small entries that share nothing with it.
static const QString House = "1 0 0 0,1 1 0 0,1 0 1 0,1 1 1 0,2 0 0 0,2 1 0 0,2 0 0 5,2 1 0 5";
static const QString WallsSwapped =
    "1 0 0 0,1 1 0 0,1 0 1 0,1 1 1 0,3 0 0 0,3 1 0 0,3 0 0 5,3 1 0 5";

void tst_MultiComparison::pairing_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    // "": two clients; "named": two sides of .mlt files; "named old": the old
    // side .mlt files, the new a client.
    QTest::addColumn<QString>("sides");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("unchanged");

    const QString a = "10 0 0 0", b = "11 0 0 0", c = "12 0 0 0", d = "13 0 0 0";
    const QString walls = "r2>3@0,0,0 r2>3@0,0,5 r2>3@1,0,0 r2>3@1,0,5";
    QTest::newRow("the same") << a + '|' + b << a + '|' + b << "" << QStringList{} << 2;
    // Its successors are renumbered, never changed.
    QTest::newRow("inserted in the middle")
        << a + '|' + b + '|' + c << a + '|' + d + '|' + b + '|' + c << ""
        << QStringList{"added - 1", "renumbered 1 2", "renumbered 2 3"} << 1;
    QTest::newRow("removed in the middle") << a + '|' + b + '|' + c << a + '|' + c << ""
                                           << QStringList{"removed 1 -", "renumbered 2 1"} << 1;
    // Two alike pair in order; the one left over is the one removed.
    QTest::newRow("two alike, one gone") << a + '|' + a + '|' + b << a + '|' + b << ""
                                         << QStringList{"removed 1 -", "renumbered 2 1"} << 1;
    QTest::newRow("two alike after a removal")
        << b + '|' + a + '|' + a << a + '|' + a << ""
        << QStringList{"removed 0 -", "renumbered 1 0", "renumbered 2 1"} << 0;
    QTest::newRow("walls swapped: replaced in place")
        << a + '|' + House + '|' + b << a + '|' + WallsSwapped + '|' + b << ""
        << QStringList{"changed 1 1 +0 -0 m0 r4 " + walls} << 2;
    // Changed and moved to the end, with another entry inserted where it was.
    QTest::newRow("moved and changed")
        << a + '|' + House + '|' + b + '|' + c
        << a + '|' + d + '|' + b + '|' + c + '|' + WallsSwapped << ""
        << QStringList{"added - 1", "changed 1 4 +0 -0 m0 r4 " + walls} << 3;
    // Half of the larger one shared is enough; less is not.
    QTest::newRow("half shared: changed")
        << "1 0 0 0,1 1 0 0,1 2 0 0,1 3 0 0"
        << "1 0 0 0,1 1 0 0,5 9 9 0,1 4 0 0"
        << "" << QStringList{"changed 0 0 +1 -1 m1 r0 +5@9,9,0 -1@3,0,0 m1@2,0,0>4,0,0"} << 0;
    QTest::newRow("less than half: removed and added")
        << "1 0 0 0,1 1 0 0,1 2 0 0,1 3 0 0"
        << "1 0 0 0,5 1 0 0,5 9 9 0,5 4 0 0"
        << "" << QStringList{"removed 0 -", "added - 0"} << 0;
    QTest::newRow("twice the size, half shared: changed")
        << "1 0 0 0,1 1 0 0"
        << "1 0 0 0,1 1 0 0,5 2 0 0,5 3 0 0"
        << "" << QStringList{"changed 0 0 +2 -0 m0 r0 +5@2,0,0 +5@3,0,0"} << 0;
    QTest::newRow("more than twice the size: removed and added")
        << "1 0 0 0,1 1 0 0"
        << "1 0 0 0,1 1 0 0,5 2 0 0,5 3 0 0,5 4 0 0"
        << "" << QStringList{"removed 0 -", "added - 0"} << 0;
    // Each one shares one component with the new one: never enough.
    QTest::newRow("singles against one of all")
        << a + '|' + b + '|' + c << a + ',' + b + ',' + c << ""
        << QStringList{"removed 0 -", "added - 0", "removed 1 -", "removed 2 -"} << 0;
    // Three far from where it would stand share enough, each component with
    // another; the most wins.
    const QString eight = "1 0 0 0,1 1 0 0,1 2 0 0,1 3 0 0,1 4 0 0,1 5 0 0,1 6 0 0,1 7 0 0";
    QTest::newRow("the most shared of several")
        << eight
        << d + "|2 0 0 0,2 1 0 0,1 2 0 0,1 3 0 0,1 4 0 0,1 5 0 0,1 6 0 0,1 7 0 0" +
               "|1 0 0 0,1 1 0 0,1 2 0 0,2 3 0 0,2 4 0 0,2 5 0 0,1 6 0 0,1 7 0 0" +
               "|1 0 0 0,1 1 0 0,2 2 0 0,1 3 0 0,1 4 0 0,1 5 0 0,2 6 0 0,2 7 0 0"
        << ""
        << QStringList{"added - 0", "changed 0 1 +0 -0 m0 r2 r1>2@0,0,0 r1>2@1,0,0", "added - 2",
                       "added - 3"}
        << 0;
    QTest::newRow("components added and removed")
        << House << House + ",7 3 3 0,8 4 4 0"
        << "" << QStringList{"changed 0 0 +2 -0 m0 r0 +7@3,3,0 +8@4,4,0"} << 0;
    QTest::newRow("a duplicate removed")
        << "1 0 0 0,1 0 0 0"
        << "1 0 0 0"
        << "" << QStringList{"changed 0 0 +0 -1 m0 r0 -1@0,0,0"} << 0;
    // A pair of the same components whose order alone differs is the same.
    QTest::newRow("another order") << "1 0 0 0,2 1 0 0"
                                   << "2 1 0 0,1 0 0 0"
                                   << "" << QStringList{} << 1;

    // Names break ties between equals before the order; a pair of other
    // names is renumbered.
    QTest::newRow("names: alike pair by name")
        << "p=" + a + "|q=" + a << "q=" + a + "|p=" + a << "named" << QStringList{} << 2;
    QTest::newRow("names: alike of other names pair in order")
        << "p=" + a + "|q=" + a + "|r=" + a << "s=" + a + "|q=" + a + "|t=" + a << "named"
        << QStringList{"renumbered p s", "renumbered r t"} << 1;
    QTest::newRow("names: equal shares, the same name wins")
        << "p=" + House << "q=" + WallsSwapped + "|p=" + WallsSwapped << "named"
        << QStringList{"added - q", "changed p p +0 -0 m0 r4 " + walls} << 0;
    QTest::newRow("no names: equal shares, the nearer wins")
        << House << WallsSwapped + '|' + WallsSwapped << ""
        << QStringList{"changed 0 0 +0 -0 m0 r4 " + walls, "added - 1"} << 0;
    // Third by its votes and far from where p would stand, yet weighed.
    const QString three = "1 0 0 0,1 1 0 0,1 2 0 0,";
    QTest::newRow("names: the same name among many as good")
        << "p=" + three + "1 3 0 0"
        << "x=" + three + "5 9 9 0|y=" + three + "6 9 9 0|z=" + three + "7 9 9 0|p=" + three +
               "8 9 9 0"
        << "named"
        << QStringList{"added - x", "added - y", "added - z",
                       "changed p p +1 -1 m0 r0 +8@9,9,0 -1@3,0,0"}
        << 0;
    QTest::newRow("names: a renamed file, a new one")
        << "p=" + a + "|q=" + b << "r=" + b + "|p=" + c << "named"
        << QStringList{"removed p -", "renumbered q r", "added - p"} << 0;
    // .mlt files against a client: names are compared, never break ties.
    QTest::newRow("named old side: a name kept, a name lost")
        << "Entry 0=" + a + "|house=" + b << a + '|' + b << "named old"
        << QStringList{"renumbered house 1"} << 1;
    QTest::newRow("named old side: alike in order")
        << "x=" + a + "|Entry 0=" + a << a + '|' + a << "named old"
        << QStringList{"renumbered x 0", "renumbered 1 1"} << 0;
}

void tst_MultiComparison::pairing()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(QString, sides);
    QFETCH(QStringList, lines);
    QFETCH(int, unchanged);
    const QList<MultiEntry> olds = entries(before);
    const QList<MultiEntry> news = entries(after);
    MultiComparison::Side oldSide{olds};
    MultiComparison::Side newSide{news};
    oldSide.named = sides.startsWith(QLatin1String("named"));
    newSide.named = sides == u"named";
    const MultiComparison comparison(oldSide, newSide);
    QCOMPARE(::lines(comparison, olds, news), lines);
    QCOMPARE(comparison.unchanged(), qsizetype(unchanged));
}

void tst_MultiComparison::pictures_data()
{
    QTest::addColumn<QString>("change"); // made to the new side's art or tile data
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("nothing") << "" << QStringList{};
    QTest::newRow("art of graphic 2") << "art" << QStringList{"picture 1 1 g2"};
    // The same art elsewhere in the file draws the same.
    QTest::newRow("art stored elsewhere") << "moved" << QStringList{};
    QTest::newRow("tile data of graphic 1")
        << "tiles" << QStringList{"picture 0 0 g1", "picture 1 1 g1"};
    // A row that reaches outside its entry into bytes that changed.
    QTest::newRow("bytes outside the entry") << "outside" << QStringList{"picture 1 1 g2"};
}

void tst_MultiComparison::pictures()
{
    QFETCH(QString, change);
    QFETCH(QStringList, lines);
    // Entry 0 draws graphic 1, entry 1 graphics 1 and 2.
    const QList<MultiEntry> side = entries("1 0 0 0|1 0 0 0,2 1 0 0");

    const auto build = [](bool newSide, const QString &change) {
        ArtFileBuilder art;
        if (newSide && change == u"moved")
            art.add(7, solid(10, 10, qRgb(9, 9, 9)));
        art.add(1, solid(44, 44, qRgb(200, 0, 0)));
        if (change == u"outside") {
            // Graphic 2's one row starts in the bytes after its entry: at
            // the run of the entry appended next, whose colour differs.
            QByteArray entry("\0\0\0\0\x01\0\x01\0\x05\0", 10);
            art.addRaw(2, entry);
            QByteArray next("\0\0\0\0\x01\0\x01\0\0\0\0\0\x01\0", 14);
            next += newSide ? QByteArray("\xff\x7f", 2) : QByteArray("\x1f\0", 2);
            art.addRaw(3, next);
        } else {
            art.add(2,
                    solid(44, 44, newSide && change == u"art" ? qRgb(0, 0, 250) : qRgb(0, 200, 0)));
        }
        TileDataBuilder tiles;
        tiles.setItem(1, newSide && change == u"tiles" ? 1 : 0, 0, "one");
        return std::pair{artStore(art), tileStore(tiles)};
    };
    const auto [oldArt, oldTiles] = build(false, change);
    const auto [newArt, newTiles] = build(true, change);
    const MultiComparison comparison({side, oldArt.get(), oldTiles.get()},
                                     {side, newArt.get(), newTiles.get()});
    QCOMPARE(::lines(comparison, side, side), lines);
    QCOMPARE(comparison.unchanged(), 2 - lines.size());
}

void tst_MultiComparison::cacheLineValues_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("utf16"); // the whole text UTF-16, its byte order mark first
    QTest::newRow("plain") << QByteArray("1234\t0\t-3\t7\t12") << false;
    QTest::newRow("UTF-16") << QByteArray("1234\t0\t-3\t7\t12") << true;
    QTest::newRow("UTF-16, colon in y") << QByteArray("5\t0\t1\t2:3\t4") << true;
    QTest::newRow("graphic past 16 bits, z wraps") << QByteArray("70000\t0\t1\t2\t40000") << false;
    QTest::newRow("signs and spaces") << QByteArray("+5\t0\t 7\t-0\t+1") << false;
    QTest::newRow("not a number") << QByteArray("x\t0\t1e3\t0x10\t9999999999") << false;
    QTest::newRow("fields missing") << QByteArray("5\t0") << false;
    // ":" moves the text's fields; in field 1, which is not copied, it does not.
    QTest::newRow("colon in x") << QByteArray("5\t0\t1:2\t3\t4") << false;
    QTest::newRow("colon in field 1") << QByteArray("5\t1:2\t3\t4\t5") << false;
    QTest::newRow("byte order mark in a field") << QByteArray("\xef\xbb\xbf"
                                                              "5\t0\t1\t2\t3")
                                                << false;
    QTest::newRow("more fields, CR LF") << QByteArray("5\t0\t1\t2\t3\t4\t5\r") << false;
}

// Values read from cache lines where they are equal those the renderer reads
// from the texts made of them.
void tst_MultiComparison::cacheLineValues()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, utf16);
    QByteArray text = QByteArray("0\t0\t2\t0\t0\t0\t0\n") + line + "\n5\t0\t1\t1\t1\n";
    if (utf16) {
        const QString decoded = QString::fromUtf8(text);
        text = QByteArray("\xff\xfe") +
               QByteArray(reinterpret_cast<const char *>(decoded.utf16()), decoded.size() * 2);
    }
    MultiCache cache;
    cache.read(text);
    QCOMPARE(cache.size(), 1);
    std::vector<ComponentValue> values;
    readComponentValues(cache.components(0), &values);
    QCOMPARE(values.size(), size_t(2));
    qsizetype n = 0;
    for (const ComponentSpec &spec : cache.components(0)) {
        const MultiComponent component(spec, nullptr);
        const ComponentValue &value = values[size_t(n++)];
        QCOMPARE(value.graphic, component.graphicId);
        QCOMPARE(value.x, component.x);
        QCOMPARE(value.y, component.y);
        QCOMPARE(value.z, component.z);
        QCOMPARE(value.kind, component.kind);
    }
}

QTEST_GUILESS_MAIN(tst_MultiComparison)
#include "tst_multicomparison.moc"
