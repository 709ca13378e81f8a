// Name-list decoder: any text decodes without crash, and encoding the decoded entries and decoding
// again gives the same entries.
#include "model/NameList.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace dedezuviv::model;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto names = DecodeNameList(text);
    const auto encoded = EncodeNameList(names);
    if (DecodeNameList(encoded) != names)
        std::abort();
    return 0;
}
