#pragma once

#include <QStringView>

#include <optional>

// The value of a plain decimal text: an optional '-' and 1 to 9 ASCII digits,
// nothing else. Other texts (signs, spaces, longer numbers) give no value, so
// that callers leave them to Qt's own conversion; where a value is given it
// is the one Qt's conversion gives. No early exit inside the digits: a cache
// file's numbers, of one to a few digits, would make it mispredicted.
template <typename Char>
Q_ALWAYS_INLINE std::optional<int> plainDecimal(const Char *text, qsizetype size)
{
    const bool negative = size > 0 && text[0] == Char('-');
    const qsizetype digits = size - negative;
    if (digits < 1 || digits > 9)
        return std::nullopt;
    unsigned value = 0;
    bool plain = true;
    for (qsizetype i = negative; i < size; ++i) {
        const unsigned digit = unsigned(text[i]) - unsigned('0');
        plain &= digit <= 9;
        value = value * 10 + digit;
    }
    if (!plain)
        return std::nullopt;
    return negative ? -int(value) : int(value);
}

inline std::optional<int> plainDecimal(QStringView text)
{
    return plainDecimal(text.utf16(), text.size());
}

// QStringView::toInt in base 10, with plain decimal texts read directly.
inline int decimalInt(QStringView text)
{
    if (const std::optional<int> value = plainDecimal(text))
        return *value;
    return text.toInt();
}

// QStringView::toShort in base 10: 0 outside -32768 to 32767.
inline qint16 decimalShort(QStringView text)
{
    if (const std::optional<int> value = plainDecimal(text))
        return *value >= -32768 && *value <= 32767 ? qint16(*value) : 0;
    return text.toShort(nullptr, 10);
}

// QStringView::toUShort in base 10: 0 outside 0 to 65535.
inline quint16 decimalUShort(QStringView text)
{
    const std::optional<int> value = plainDecimal(text);
    if (value && *value >= 0)
        return *value <= 65535 ? quint16(*value) : 0;
    return text.toUShort(nullptr, 10);
}
