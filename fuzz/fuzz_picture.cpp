// Fuzz target: a stored picture through the signature dispatch, the decoders and the
// metafile player, both for the fitted view and at full size.
#include "FuzzMain.h"
#include "pictures/Metafile.h"
#include "pictures/Picture.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzInitApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    Picture::decode(bytes, QSize(280, 180));
    Picture::decode(bytes);
    Metafile::ownSize(bytes);
    return 0;
}
