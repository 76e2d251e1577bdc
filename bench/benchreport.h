#pragma once

#include <QList>
#include <QString>

#include <functional>

// What every section needs: the demo data sets (generated when missing) and a
// scratch directory that is emptied after the run.
struct BenchContext
{
    QString demoDir;  // the small demo set, with its korvane.xml
    QString largeDir; // the large stress set (--large)
    QString scratchDir;
    QString buildDir; // build tree: src/korvane, src/korvane-cli, tools/demodata/...
};

// Prints one row: a figure beside its floor measured in the same run, and
// their ratio. Units are free text ("s", "Mpx/s", "MiB").
void reportRatio(const QString &figure, double value, const QString &floorName, double floor,
                 const QString &unit);
// Prints a figure that has no floor.
void reportValue(const QString &figure, double value, const QString &unit);

// Best (smallest) wall time in seconds of `runs` calls of `work`.
double bestSeconds(int runs, const std::function<void()> &work);
// Median wall time in seconds of `runs` calls of `work`: for whole processes,
// whose best run says little about what a user waits.
double medianSeconds(int runs, const std::function<void()> &work);
double median(QList<double> values);

struct RegisteredSection
{
    const char *name;
    void (*run)(const BenchContext &);
};
QList<RegisteredSection> &benchSections();

struct BenchSection
{
    BenchSection(const char *name, void (*run)(const BenchContext &));
};

#define KORVANE_BENCH_SECTION(name, function)                                                      \
    static const BenchSection benchSection_##function(name, function)
