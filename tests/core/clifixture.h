#pragma once

// Shared by the korvane-cli tests: running the built executable, and a demo
// client data set in a temporary directory.

#include "cache/multicache.h"
#include "cache/multipayload.h"
#include "core/configuration.h"
#include "demoencoders.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>

struct CliRun
{
    int status = -1; // -1: did not finish normally
    QByteArray out;
    QByteArray err;
};

#ifdef KORVANE_CLI
// Runs korvane-cli (or a copy of it) without any display; its standard output
// goes to the file `standardOutput` when one is given. Its per-user
// configuration is looked for in `configHome` (by default a directory that
// does not exist) and the system's in `configHome`/xdg, never in the user's
// or the machine's own. It runs in `workingDirectory` when one is given.
inline CliRun runCli(const QStringList &arguments,
                     const QString &program = QStringLiteral(KORVANE_CLI),
                     const QString &standardOutput = QString(),
                     const QString &configHome = QString(),
                     const QString &workingDirectory = QString())
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    const QString home =
        configHome.isEmpty() ? QStringLiteral("/nonexistent/korvane-tests") : configHome;
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), home + QStringLiteral("/xdg"));
    process.setProcessEnvironment(environment);
    if (!standardOutput.isEmpty())
        process.setStandardOutputFile(standardOutput);
    process.start(program, arguments);
    CliRun run;
    if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit)
        run = {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    return run;
}
#endif

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every name in `dir`, hidden ones included, sorted.
inline QStringList namesIn(const QString &dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

inline QString entryName(qsizetype n)
{
    return MultiCache::entryName(n);
}

inline QList<MultiEntry> cacheEntriesOf(const QString &cachePath)
{
    MultiCache cache;
    cache.load(cachePath);
    return cache.entries();
}

// The drag payload of those entries, as the entry list builds it.
inline QByteArray payloadOf(const QList<MultiEntry> &entries, const QList<qsizetype> &indices)
{
    QList<MultiEntry> chosen;
    for (qsizetype n : indices)
        chosen.append(entries[n]);
    return encodeMultiPayload(chosen);
}

// The small demo set in a temporary directory, its entries and its keep (the
// entry with the most components).
class CliFixture
{
public:
    bool setUp(QString *error)
    {
        if (!work.isValid() || !writeDemoSet(path(QStringLiteral("demo")), false, error))
            return false;
        demoConfig = path(QStringLiteral("demo/")) + QLatin1String(DemoConfigName);
        demoFiles = readConfigurationFile(demoConfig).values;
        entries = cacheEntriesOf(demoFiles.cache);
        keep = std::max_element(entries.cbegin(), entries.cend(),
                                [](const MultiEntry &a, const MultiEntry &b) {
                                    return a.components.size() < b.components.size();
                                }) -
               entries.cbegin();
        return entries.size() >= 3;
    }

    QString path(const QString &name) const { return work.filePath(name); }

    // Writes a configuration file into the work directory.
    QString writeConfig(const QString &name, const Configuration &configuration) const
    {
        writeAll(path(name), configurationXml(configuration));
        return path(name);
    }

    // A new empty directory.
    QString freshDir()
    {
        const QString dir = path(QStringLiteral("out%1").arg(++dirs));
        QDir().mkpath(dir);
        return dir;
    }

    QTemporaryDir work;
    QString demoConfig;
    Configuration demoFiles;
    QList<MultiEntry> entries;
    qsizetype keep = -1;

private:
    int dirs = 0;
};
