// UTF-16LE, the text of Unicode exports and of NT hives, to and from the UTF-8
// the registry holds.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qalm {

// REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ: the data a Unicode export holds as UTF-16.
bool IsStringType(DWORD type);

// Decodes UTF-16LE into UTF-8 and answers how many bytes it used. An unpaired
// surrogate becomes U+FFFD; a character cut off at the end is left for the
// next call unless this is the final piece.
size_t DecodeUtf16Le(const unsigned char* bytes, size_t count, bool final, std::string& out);

// UTF-8 as UTF-16LE bytes; a byte that starts no UTF-8 character is taken as Latin-1.
void AppendUtf16Le(std::string& out, std::string_view utf8);

// String data from a Unicode export; data of odd length is not UTF-16 and stays as it is.
std::vector<BYTE> Utf16LeToUtf8(const std::vector<BYTE>& data);
// The same into out, whose memory a caller converting many strings reuses.
void Utf16LeToUtf8(const BYTE* data, size_t size, std::vector<BYTE>& out);
// String data for a Unicode export.
std::vector<BYTE> Utf8ToUtf16Le(const std::vector<BYTE>& data);

}  // namespace qalm
