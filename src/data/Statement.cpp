// Named-to-positional parameter translation.
#include "Statement.h"

#include <QHash>

TStatement TStatement::parseUncached(const QString& text)
{
    TStatement st;
    st.positional.reserve(text.size());
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == u'\'' || c == u'"') {
            // a quoted text runs to the matching quote; a doubled quote stays inside it
            const qsizetype start = i++;
            while (i < n) {
                if (text.at(i) == c) {
                    if (i + 1 < n && text.at(i + 1) == c) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            st.positional += QStringView(text).mid(start, i - start);
            continue;
        }
        if (c == u'-' && i + 1 < n && text.at(i + 1) == u'-') {
            const qsizetype start = i;
            while (i < n && text.at(i) != u'\n')
                ++i;
            st.positional += QStringView(text).mid(start, i - start);
            continue;
        }
        if (c == u':' && i + 1 < n && (text.at(i + 1).isLetter() || text.at(i + 1) == u'_') &&
            !(i > 0 && text.at(i - 1) == u':')) {
            qsizetype j = i + 1;
            while (j < n && (text.at(j).isLetterOrNumber() || text.at(j) == u'_'))
                ++j;
            st.paramNames.append(text.mid(i + 1, j - i - 1));
            st.positional += u'?';
            i = j;
            continue;
        }
        st.positional += c;
        ++i;
    }
    return st;
}

TStatement TStatement::parse(const QString& text)
{
    static QHash<QString, TStatement> cache;
    auto it = cache.constFind(text);
    if (it != cache.constEnd())
        return *it;
    if (cache.size() > 512)
        cache.clear(); // QTmp texts vary; keep the cache small
    return *cache.insert(text, parseUncached(text)); // copied out: later inserts may rehash
}
