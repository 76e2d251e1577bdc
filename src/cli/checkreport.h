#pragma once

#include "commandoutput.h"

#include <QString>

// What "korvane-cli check" reports, for check itself and for config once it
// has written a configuration: the configuration at `configPath` (and the
// places it was looked for in, when `lookedUp`) and the four client files it
// names. The report goes to `output`'s standard output, as a JSON object when `json`;
// each problem and warning to standard error. Returns the exit status: 0 when
// all four files can be used, 3 otherwise.
int printCheckReport(const CommandOutput &output, const QString &configPath, bool lookedUp,
                     bool json);
