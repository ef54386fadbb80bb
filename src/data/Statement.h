// A statement with named parameters (":NAME") turned into one with positional ones ("?"),
// so that every engine binds the same way. Quoted texts and comments are left alone.
#pragma once

#include <QString>
#include <QStringList>

struct TStatement
{
    QString positional;
    QStringList paramNames; // in order of appearance, repeated names repeated

    // Parsed statements are kept, since the same few texts run again and again.
    static TStatement parse(const QString& text);
    static TStatement parseUncached(const QString& text);
};
