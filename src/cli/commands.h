#pragma once

#include <QStringList>

// The commands of korvane-cli. Each takes the whole command line and returns
// the process's exit status (see clioptions.h).
int runList(const QStringList &arguments);
int runExport(const QStringList &arguments);
int runRender(const QStringList &arguments);
int runGallery(const QStringList &arguments);
int runCheck(const QStringList &arguments);
int runConfig(const QStringList &arguments);
int runDiff(const QStringList &arguments);
