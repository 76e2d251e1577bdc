#pragma once

#include <QByteArrayView>
#include <QStringView>

#include <optional>

// A whole number from `min` to `max` written in ASCII decimal digits only:
// no sign, no spaces, at most 18 digits (so that it fits a qint64 without a
// check of its own). Entry numbers, --scale and --jobs, and the numbers of a
// gallery's record are all read by it; nothing when `text` is not one.
std::optional<qint64> wholeNumber(QStringView text, qint64 min, qint64 max);
std::optional<qint64> wholeNumber(QByteArrayView text, qint64 min, qint64 max);
