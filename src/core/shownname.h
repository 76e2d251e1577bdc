#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Text as a message line may carry it: line breaks, TABs and every other
// control character (C0, DEL and C1) written as escapes ("\n", "\t",
// "\x1B"), and so are the invisible characters that reorder or hide text
// (Unicode format characters, line and paragraph separators: "\u{202E}"),
// so that a name can neither break the line, steer a terminal nor disguise
// what is around it.
QString escapeControls(QStringView text);

// A path quoted, its control characters escaped, so that every character
// shows.
QString quotedPath(const QString &path);
// A path as messages show it: as it is, or quoted when it holds a character
// escapeControls escapes or white space at either end.
QString shownPath(const QString &path);

// Bytes as text: valid UTF-8 as it is, every other byte as \xHH (a name that
// is not UTF-8 text shows what it holds).
QString shownBytes(const QByteArray &bytes);
