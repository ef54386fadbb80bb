// Windows metafiles: the format by the header, and its size and rendering by the player of that
// format. Every record is read through bounds-checked accessors.
#include "Metafile.h"

#include "Emf.h"
#include "Wmf.h"

#include <QtEndian>

namespace Metafile {

Format format(const QByteArray& bytes)
{
    if (bytes.size() >= 44) {
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
        if (qFromLittleEndian<quint32>(p) == 1 && qFromLittleEndian<quint32>(p + 40) == Emf::Signature)
            return Format::Enhanced;
    }
    if (bytes.size() >= 4 && qFromLittleEndian<quint32>(bytes.constData()) == Wmf::PlaceableKey)
        return Format::Placeable;
    return Format::None;
}

QSize ownSize(const QByteArray& bytes)
{
    switch (format(bytes)) {
    case Format::Enhanced: {
        Emf::Header h;
        return Emf::readHeader(bytes, h) ? Emf::size(h) : QSize();
    }
    case Format::Placeable: {
        Wmf::Header h;
        return Wmf::readHeader(bytes, h) ? Wmf::size(h) : QSize();
    }
    case Format::None:
        break;
    }
    return {};
}

QImage render(const QByteArray& bytes)
{
    switch (format(bytes)) {
    case Format::Enhanced:
        return Emf::render(bytes);
    case Format::Placeable:
        return Wmf::render(bytes);
    case Format::None:
        break;
    }
    return {};
}

} // namespace Metafile
