// Fuzz target: the animation frame list of RES.BLOB, with its frames decoded.
#include "FuzzMain.h"
#include "pictures/FrameList.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzInitApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    ReadFrameEntries(bytes);
    ParseFrameList(bytes);
    return 0;
}
