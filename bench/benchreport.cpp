#include "benchreport.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <limits>

QList<RegisteredSection> &benchSections()
{
    static QList<RegisteredSection> sections;
    return sections;
}

BenchSection::BenchSection(const char *name, void (*run)(const BenchContext &))
{
    benchSections().append({name, run});
}

void reportRatio(const QString &figure, double value, const QString &floorName, double floor,
                 const QString &unit)
{
    std::printf("%-44s %12.4g %-6s | %-36s %12.4g %-6s | x%.2f\n", qPrintable(figure), value,
                qPrintable(unit), qPrintable(floorName), floor, qPrintable(unit),
                floor != 0 ? value / floor : 0.0);
    std::fflush(stdout);
}

void reportValue(const QString &figure, double value, const QString &unit)
{
    std::printf("%-44s %12.4g %-6s\n", qPrintable(figure), value, qPrintable(unit));
    std::fflush(stdout);
}

double bestSeconds(int runs, const std::function<void()> &work)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double medianSeconds(int runs, const std::function<void()> &work)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.append(timer.nsecsElapsed() / 1e9);
    }
    return median(times);
}
