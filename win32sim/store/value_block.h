// A value's name and data in one block, as the store writes them: the name's length, seven bits a byte,
// low ones first, the high bit set in every byte but the last (one byte for a
// name of up to 127 characters); the name; the data.
#pragma once

#include <cstdint>
#include <string_view>

#include "win32sim/registry.h"

namespace win32sim {

inline std::string_view NameInBlock(const char* block)
{
    size_t length = 0;
    for (unsigned shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(*block++);
        length |= size_t(byte & 0x7F) << shift;
        if (byte < 0x80)
            return std::string_view(block, length);
    }
}

inline ByteView DataInBlock(const char* block, uint32_t size)
{
    const std::string_view name = NameInBlock(block);
    return ByteView(reinterpret_cast<const BYTE*>(name.data() + name.size()), size);
}

}  // namespace win32sim
