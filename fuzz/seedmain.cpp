// Writes the seed corpus of every fuzz target: <dir>/<target>/seed-<n>.

#include "fuzzentries.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: korvane-fuzz-seeds <directory>\n");
        return 2;
    }
    const QDir root(arguments[1]);
    for (const FuzzTarget &target : fuzzTargets()) {
        const QString name = QLatin1String(target.name);
        if (!root.mkpath(name)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(root.filePath(name)));
            return 1;
        }
        const QList<QByteArray> seeds = fuzzSeeds(name);
        for (qsizetype n = 0; n < seeds.size(); ++n) {
            QFile file(root.filePath(QStringLiteral("%1/seed-%2").arg(name).arg(n)));
            if (!file.open(QIODevice::WriteOnly) || file.write(seeds[n]) != seeds[n].size()) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
                return 1;
            }
        }
    }
    return 0;
}
