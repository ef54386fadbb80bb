// Road signs drawn as small vector drawings, so that each can be written as a metafile or painted.
#pragma once

#include "MetafileWriter.h"

#include <QStringList>

namespace Signs {

inline constexpr int Size = 360;

// The names of every sign the generator knows (file names without extension).
QStringList names();

// The sign drawn on a square of Size pixels; an unknown name gives an empty drawing.
TMetafileWriter draw(const QString& name);

} // namespace Signs
