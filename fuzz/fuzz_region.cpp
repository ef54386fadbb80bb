// Fuzz target: the window-shape region (RGNDATA) reader, and the writer on what it read.
#include "FuzzMain.h"
#include "widgets/PlasmaRegion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QRegion region = ParseRegionData(FuzzBytes(data, size));
    const QByteArray again = WriteRegionData(region);
    if (ParseRegionData(again) != region)
        __builtin_trap(); // what was read must write and read back unchanged
    return 0;
}
