// Text helpers shared by all windows: formatting, trimming and SQL quoting.
#include "Format.h"

#include "Error.h"
#include "Strings.h"

QString Format(const QString& pattern, std::initializer_list<QVariant> args)
{
    QString out;
    out.reserve(pattern.size() + 16);
    auto arg = args.begin();
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c != u'%') {
            out += c;
            continue;
        }
        if (i + 1 < pattern.size() && pattern.at(i + 1) == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        int width = 0;
        while (j < pattern.size() && pattern.at(j).isDigit()) {
            width = width * 10 + pattern.at(j).digitValue();
            ++j;
        }
        if (j >= pattern.size() || (pattern.at(j) != u'd' && pattern.at(j) != u's') || arg == args.end()) {
            out += c;
            continue;
        }
        QString value = pattern.at(j) == u'd' ? QString::number(arg->toLongLong()) : arg->toString();
        ++arg;
        if (value.size() < width)
            value = QString(width - value.size(), u' ') + value;
        out += value;
        i = j;
    }
    return out;
}

QString TrimText(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text.at(start).unicode() <= 0x20)
        ++start;
    while (end > start && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(start, end - start);
}

QString SqlQuote(const QString& text)
{
    QString doubled = text;
    doubled.replace(u'\'', QStringLiteral("''"));
    return u'\'' + doubled + u'\'';
}

QString SqlInt(qint64 value)
{
    return QString::number(value);
}

int StrToInt(const QString& text)
{
    const QString trimmed = TrimText(text);
    bool ok = false;
    const int value = trimmed.toInt(&ok);
    if (!ok)
        throw TError(Format(Str::NotValidInteger, {trimmed}));
    return value;
}
