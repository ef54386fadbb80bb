// Printf-style formatting of the program's texts (%d, %s with optional width), so that the
// string table keeps its texts exactly as the users see them.
#pragma once

#include <QString>
#include <QVariant>
#include <initializer_list>

// Replaces each %d, %Nd, %s, %Ns in order by the next argument; N right-aligns in N places and
// never cuts a wider value. "%%" gives a single "%". Surplus conversions stay as they are.
QString Format(const QString& pattern, std::initializer_list<QVariant> args);

// Trims leading and trailing blanks and control characters (everything up to U+0020).
QString TrimText(const QString& text);

// Quotes a text for SQL: doubles every apostrophe and wraps it in apostrophes.
QString SqlQuote(const QString& text);

// A number as SQL text: decimal, no blanks.
QString SqlInt(qint64 value);

// Parses a whole decimal number (surrounding blanks allowed); throws TError with
// "'%s' is not a valid integer value" when the text is not one.
int StrToInt(const QString& text);
