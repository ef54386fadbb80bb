// Traffic situations seen from above: roads, signs at the approaches, vehicles with their way.
#pragma once

#include <QImage>
#include <QStringList>

namespace Scenes {

inline constexpr int Width = 560;
inline constexpr int Height = 400;

QStringList names();
QImage draw(const QString& name);

// A vehicle of a category moving along a road, frame by frame (for the category animations).
QImage vehicleFrame(const QString& kind, int frame, int frames, QSize size);

// The picture of a topic group: its number, a motif and its name.
QImage groupPicture(int group, const QString& name);

} // namespace Scenes
