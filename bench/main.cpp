#include "benchreport.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Makes a demo set with the project's generator unless it is already there.
bool ensureDemoSet(const QString &generator, const QString &dir, bool large)
{
    if (QFileInfo::exists(dir + QStringLiteral("/korvane.xml")))
        return true;
    QStringList arguments;
    if (large)
        arguments << QStringLiteral("--large");
    arguments << dir;
    return QProcess::execute(generator, arguments) == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // Offscreen, so that rendering and painting need no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints each figure of Korvane Extractor beside its floor."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("section"),
                                 QStringLiteral("Run only sections whose name contains this."));
    parser.process(application);

    BenchContext context;
    const QString buildDir = QFileInfo(application.applicationDirPath()).absolutePath();
    context.buildDir = buildDir;
    context.demoDir = buildDir + QStringLiteral("/demo");
    context.largeDir = buildDir + QStringLiteral("/demo-large");
    const QString generator = buildDir + QStringLiteral("/tools/demodata/korvane-demodata");
    if (!ensureDemoSet(generator, context.demoDir, false) ||
        !ensureDemoSet(generator, context.largeDir, true)) {
        std::fprintf(stderr, "korvane-bench: cannot make the demo data with %s\n",
                     qPrintable(generator));
        return 2;
    }
    QTemporaryDir scratch;
    context.scratchDir = scratch.path();

    const QStringList filters = parser.positionalArguments();
    for (const RegisteredSection &section : benchSections()) {
        const QString name = QString::fromLatin1(section.name);
        if (!filters.isEmpty() && !name.contains(filters.first(), Qt::CaseInsensitive))
            continue;
        std::printf("\n== %s\n", section.name);
        section.run(context);
        QDir(context.scratchDir).removeRecursively();
        QDir().mkpath(context.scratchDir);
    }
    return 0;
}
