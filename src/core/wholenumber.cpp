#include "wholenumber.h"

namespace {

constexpr qsizetype MostDigits = 18;

template <typename Char>
std::optional<qint64> digitsOnly(const Char *text, qsizetype size, qint64 min, qint64 max)
{
    if (size < 1 || size > MostDigits)
        return std::nullopt;
    qint64 value = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned digit = unsigned(text[i]) - unsigned('0');
        if (digit > 9)
            return std::nullopt;
        value = value * 10 + digit;
    }
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<qint64> wholeNumber(QStringView text, qint64 min, qint64 max)
{
    return digitsOnly(text.utf16(), text.size(), min, max);
}

std::optional<qint64> wholeNumber(QByteArrayView text, qint64 min, qint64 max)
{
    return digitsOnly(reinterpret_cast<const uchar *>(text.data()), text.size(), min, max);
}
