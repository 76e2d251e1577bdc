#pragma once

#include <QString>

// A whole number from `min` to `max` written in decimal digits only (no sign,
// no spaces), as --scale and --jobs take it; false, `value` untouched, when
// `text` is not one.
bool readWholeNumber(const QString &text, int min, int max, int *value);
