#include "postprocess/commatext.h"

namespace {

// Blanks and control characters.
bool isSpace(QChar c)
{
    return c.unicode() <= u' ';
}

bool needsQuotes(const QString &item)
{
    return std::any_of(item.begin(), item.end(),
                       [](QChar c) { return isSpace(c) || c == u',' || c == u'"'; });
}

QString quoted(QString item)
{
    item.replace(QLatin1String("\""), QLatin1String("\"\""));
    return u'"' + item + u'"';
}

// Reads a quoted item starting at the quote; pos ends after the closing quote.
QString readQuoted(const QString &text, qsizetype &pos)
{
    QString item;
    for (++pos; pos < text.size(); ++pos) {
        if (text[pos] != u'"') {
            item += text[pos];
        } else if (pos + 1 < text.size() && text[pos + 1] == u'"') {
            item += u'"';
            ++pos;
        } else {
            ++pos;
            break;
        }
    }
    return item;
}

QString readPlain(const QString &text, qsizetype &pos)
{
    const qsizetype start = pos;
    while (pos < text.size() && !isSpace(text[pos]) && text[pos] != u',')
        ++pos;
    return text.mid(start, pos - start);
}

void skipSpaces(const QString &text, qsizetype &pos)
{
    while (pos < text.size() && isSpace(text[pos]))
        ++pos;
}

} // namespace

QString joinCommaText(const QStringList &items)
{
    QStringList parts;
    for (const QString &item : items)
        parts.append(needsQuotes(item) ? quoted(item) : item);
    return parts.join(u',');
}

QStringList splitCommaText(const QString &text)
{
    QStringList items;
    qsizetype pos = 0;
    skipSpaces(text, pos);
    while (pos < text.size()) {
        items.append(text[pos] == u'"' ? readQuoted(text, pos) : readPlain(text, pos));
        skipSpaces(text, pos);
        if (pos < text.size() && text[pos] == u',') {
            ++pos;
            if (pos == text.size())
                items.append(QString()); // a comma at the end leaves an empty last item
            skipSpaces(text, pos);
        }
    }
    return items;
}
