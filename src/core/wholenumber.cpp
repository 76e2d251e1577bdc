#include "wholenumber.h"

bool readWholeNumber(const QString &text, int min, int max, int *value)
{
    if (text.isEmpty() || text.size() > 9)
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    const int number = text.toInt();
    if (number < min || number > max)
        return false;
    *value = number;
    return true;
}
