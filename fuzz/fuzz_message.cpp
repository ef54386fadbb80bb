// Fuzz target: the ticker messages' decipher and line split.
#include "FuzzMain.h"
#include "data/MessageCipher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    QStringList lines;
    MessageCipher::decipherLines(bytes, &lines);
    MessageCipher::splitLines(bytes, &lines);
    return 0;
}
