#include "shownname.h"

#include <algorithm>

namespace {

bool isControl(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7f && u < 0xa0);
}

} // namespace

QString escapeControls(QStringView text)
{
    if (std::none_of(text.cbegin(), text.cend(), isControl))
        return text.toString();
    QString shown;
    shown.reserve(text.size() + 8);
    for (QChar c : text) {
        if (c == u'\n')
            shown += QStringLiteral("\\n");
        else if (c == u'\r')
            shown += QStringLiteral("\\r");
        else if (c == u'\t')
            shown += QStringLiteral("\\t");
        else if (isControl(c))
            shown += QStringLiteral("\\x") +
                     QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
        else
            shown += c;
    }
    return shown;
}

QString quotedPath(const QString &path)
{
    return u'"' + escapeControls(path) + u'"';
}

QString shownPath(const QString &path)
{
    const bool plain = std::none_of(path.cbegin(), path.cend(), isControl) &&
                       (path.isEmpty() || (!path.front().isSpace() && !path.back().isSpace()));
    return plain ? path : quotedPath(path);
}
