// What the generated machines are made of: a fixed pseudo-random sequence and
// value data in the registry's own formats.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace qalm::bench {

// A fixed sequence, the same on every machine and library.
class Sequence {
public:
    uint64_t Next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }
    size_t Below(size_t limit) { return static_cast<size_t>(Next() % limit); }

private:
    uint64_t state_ = 0x9E3779B97F4A7C15ull;
};

inline std::string Hex(uint64_t value, int digits)
{
    char text[24];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return std::string(text).substr(0, static_cast<size_t>(digits));
}

inline std::string Guid(Sequence& random)
{
    return "{" + Hex(random.Next(), 8) + "-" + Hex(random.Next(), 4) + "-" + Hex(random.Next(), 4) + "-" +
           Hex(random.Next(), 4) + "-" + Hex(random.Next(), 12) + "}";
}

inline std::vector<BYTE> Text(const std::string& text)
{
    std::vector<BYTE> data(text.begin(), text.end());
    data.push_back(0);
    return data;
}

inline std::vector<BYTE> MultiText(const std::vector<std::string>& items)
{
    std::vector<BYTE> data;
    for (const std::string& item : items) {
        data.insert(data.end(), item.begin(), item.end());
        data.push_back(0);
    }
    data.push_back(0);
    return data;
}

inline std::vector<BYTE> Dword(uint32_t value)
{
    return {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
            static_cast<BYTE>(value >> 24)};
}

inline std::vector<BYTE> Binary(Sequence& random, size_t size)
{
    std::vector<BYTE> data(size);
    for (BYTE& byte : data)
        byte = static_cast<BYTE>(random.Next());
    return data;
}

}  // namespace qalm::bench
