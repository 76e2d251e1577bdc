#pragma once

#include <QString>
#include <QStringView>

// Text as a message line may carry it: line breaks, TABs and every other
// control character (C0, DEL and C1) written as escapes ("\n", "\t",
// "\x1B"), so that a name can neither break the line nor steer a terminal.
QString escapeControls(QStringView text);

// A path quoted, its control characters escaped, so that every character
// shows.
QString quotedPath(const QString &path);
// A path as messages show it: as it is, or quoted when it holds a control
// character or white space at either end.
QString shownPath(const QString &path);
