// GDI colours and stock objects of the metafile player.
#include "MetafileGdi.h"

#include <cmath>

namespace Metafile {

QColor colorRef(quint32 c)
{
    return QColor(int(c & 0xff), int((c >> 8) & 0xff), int((c >> 16) & 0xff));
}

bool finite(const QTransform& t)
{
    for (qreal v : {t.m11(), t.m12(), t.m13(), t.m21(), t.m22(), t.m23(), t.m31(), t.m32(), t.m33()})
        if (!std::isfinite(v)) return false;
    return true;
}

bool stockObject(quint32 index, GdiObject& out)
{
    out = GdiObject();
    switch (index & 0x7fffffff) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 18: {
        static const QColor shades[] = {Qt::white, QColor(192, 192, 192), QColor(128, 128, 128),
                                        QColor(64, 64, 64), Qt::black};
        out.kind = GdiObject::Brush;
        const quint32 i = index & 0x7fffffff;
        out.brush.color = i == 18 ? QColor(Qt::white) : shades[i];
        return true;
    }
    case 5:
        out.kind = GdiObject::Brush;
        out.brush.null = true;
        return true;
    case 6:
    case 7:
    case 19:
        out.kind = GdiObject::Pen;
        out.pen.color = (index & 0x7fffffff) == 6 ? QColor(Qt::white) : QColor(Qt::black);
        return true;
    case 8:
        out.kind = GdiObject::Pen;
        out.pen.null = true;
        return true;
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
    case 16:
    case 17:
        out.kind = GdiObject::Font;
        if ((index & 0x7fffffff) == 10 || (index & 0x7fffffff) == 11 || (index & 0x7fffffff) == 16)
            out.font.face = QStringLiteral("Monospace");
        return true;
    default:
        return false;
    }
}

} // namespace Metafile
