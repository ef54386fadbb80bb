// The cipher of the ticker messages stored in MESSAGE.Message.
//
// Algorithm: RC4 (the Rivest stream cipher, as in RFC 6229) with a 48-bit key given as twelve
// hexadecimal digits. The plain text is UTF-8, one message per line, lines separated by CR LF.
// Enciphering and deciphering are the same operation; the builder and the program share it.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace MessageCipher {

// The key that the program holds.
inline constexpr const char* KeyHex = "5A17C3E98B42";

// RC4 over data with a key of raw bytes (1 to 256 of them); an empty key leaves data unchanged.
QByteArray rc4(const QByteArray& key, const QByteArray& data);
QByteArray keyBytes(const QString& hex = QString::fromLatin1(KeyHex));

QByteArray encipher(const QByteArray& plain);
QByteArray decipher(const QByteArray& stored);

// Enciphers the lines as the program expects to find them.
QByteArray encipherLines(const QStringList& lines);

// Deciphers a stored blob and splits it into lines (CR LF, LF or CR end a line; a final line
// break does not start an empty line). False when the deciphered bytes are not UTF-8 text.
bool decipherLines(const QByteArray& stored, QStringList* lines);

// The line split alone, for bytes that are already plain.
bool splitLines(const QByteArray& plain, QStringList* lines);

} // namespace MessageCipher
