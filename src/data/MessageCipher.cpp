// RC4 and the line split of the ticker messages.
#include "MessageCipher.h"

#include <QStringDecoder>

#include <array>
#include <utility>

namespace MessageCipher {

QByteArray rc4(const QByteArray& key, const QByteArray& data)
{
    if (key.isEmpty())
        return data;
    std::array<quint8, 256> s;
    for (int i = 0; i < 256; ++i)
        s[i] = quint8(i);
    const int keyLen = int(std::min<qsizetype>(key.size(), 256));
    quint8 j = 0;
    for (int i = 0; i < 256; ++i) {
        j = quint8(j + s[i] + quint8(key[i % keyLen]));
        std::swap(s[i], s[j]);
    }
    QByteArray out(data.size(), Qt::Uninitialized);
    quint8 a = 0;
    quint8 b = 0;
    for (qsizetype n = 0; n < data.size(); ++n) {
        a = quint8(a + 1);
        b = quint8(b + s[a]);
        std::swap(s[a], s[b]);
        out[n] = char(quint8(data[n]) ^ s[quint8(s[a] + s[b])]);
    }
    return out;
}

QByteArray keyBytes(const QString& hex)
{
    return QByteArray::fromHex(hex.toLatin1());
}

QByteArray encipher(const QByteArray& plain)
{
    return rc4(keyBytes(), plain);
}

QByteArray decipher(const QByteArray& stored)
{
    return rc4(keyBytes(), stored);
}

QByteArray encipherLines(const QStringList& lines)
{
    QByteArray plain;
    for (const QString& l : lines) {
        plain += l.toUtf8();
        plain += "\r\n";
    }
    return encipher(plain);
}

bool splitLines(const QByteArray& plain, QStringList* lines)
{
    lines->clear();
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(plain);
    if (decoder.hasError())
        return false;
    for (QChar c : text)
        if (c.unicode() < 0x20 && c != u'\r' && c != u'\n' && c != u'\t')
            return false; // binary garbage, not text
    QString current;
    bool pending = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines->append(current);
            current.clear();
            pending = false;
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else {
            current += c;
            pending = true;
        }
    }
    if (pending)
        lines->append(current);
    return true;
}

bool decipherLines(const QByteArray& stored, QStringList* lines)
{
    return splitLines(decipher(stored), lines);
}

} // namespace MessageCipher
