#include "shownname.h"

#include <algorithm>

namespace {

bool isControl(char32_t u)
{
    return u < 0x20 || (u >= 0x7f && u < 0xa0);
}

// Characters that show nothing themselves but change how the text around
// them is laid out: the format characters (right-to-left overrides and
// isolates, zero-width spaces and joiners, tags) and the line and paragraph
// separators, which a terminal may take for a line break.
bool isInvisible(char32_t u)
{
    switch (QChar::category(u)) {
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

bool needsEscape(char32_t u)
{
    return isControl(u) || (u >= 0xa0 && isInvisible(u));
}

// The character at `at`, a surrogate pair taken whole; `at` moves past it.
char32_t nextCharacter(QStringView text, qsizetype &at)
{
    const QChar c = text[at++];
    if (c.isHighSurrogate() && at < text.size() && text[at].isLowSurrogate())
        return QChar::surrogateToUcs4(c, text[at++]);
    return c.unicode();
}

bool anyToEscape(QStringView text)
{
    for (qsizetype at = 0; at < text.size();) {
        if (needsEscape(nextCharacter(text, at)))
            return true;
    }
    return false;
}

} // namespace

QString escapeControls(QStringView text)
{
    if (!anyToEscape(text))
        return text.toString();
    QString shown;
    shown.reserve(text.size() + 8);
    for (qsizetype at = 0; at < text.size();) {
        const char32_t c = nextCharacter(text, at);
        if (c == u'\n')
            shown += QStringLiteral("\\n");
        else if (c == u'\r')
            shown += QStringLiteral("\\r");
        else if (c == u'\t')
            shown += QStringLiteral("\\t");
        else if (isControl(c))
            shown +=
                QStringLiteral("\\x") + QString::number(c, 16).toUpper().rightJustified(2, u'0');
        else if (needsEscape(c))
            shown += QStringLiteral("\\u{") + QString::number(c, 16).toUpper() + u'}';
        else
            shown += QString::fromUcs4(&c, 1);
    }
    return shown;
}

QString quotedPath(const QString &path)
{
    return u'"' + escapeControls(path) + u'"';
}

QString shownPath(const QString &path)
{
    const bool plain = !anyToEscape(path) &&
                       (path.isEmpty() || (!path.front().isSpace() && !path.back().isSpace()));
    return plain ? path : quotedPath(path);
}

QString shownBytes(const QByteArray &bytes)
{
    QString shown;
    for (qsizetype i = 0; i < bytes.size();) {
        const uchar lead = uchar(bytes[i]);
        const qsizetype length = lead < 0x80 ? 1 : lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : 2;
        const QByteArray sequence = bytes.mid(i, length);
        const QString text = QString::fromUtf8(sequence);
        if (sequence.size() == length && text.toUtf8() == sequence &&
            text != QChar(QChar::ReplacementCharacter)) {
            shown += text;
            i += length;
        } else {
            shown +=
                QStringLiteral("\\x") + QString::number(lead, 16).toUpper().rightJustified(2, u'0');
            ++i;
        }
    }
    return shown;
}
