#include "ProtocolFuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return ozmProtocolFuzzOneInput(data, size);
}
