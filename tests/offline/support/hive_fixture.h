// Hive files for the offline tests, made by an independent writer: chntpw's
// `reged -I` imports .reg text into a copy of a minimal hive, and `reged -x`
// reads a hive back as .reg text.
#pragma once

#include <cstdint>
#include <string>

namespace qalm::testing {

// The prefix every key of the .reg text starts with, naming the hive's root.
inline const char* const kSystemPrefix = "HKEY_LOCAL_MACHINE\\SYSTEM";
inline const char* const kSoftwarePrefix = "HKEY_LOCAL_MACHINE\\SOFTWARE";

// Writes the hive at path. regText: "Windows Registry Editor Version 5.00",
// then keys under prefix, without comments. Throws when reged fails.
void MakeHive(const std::string& path, const std::string& prefix, const std::string& regText);

// Every key and value of the hive, as reged exports them.
std::string ExportHive(const std::string& path, const std::string& prefix);

// Lists the key's subkeys in an index-only `li` record, as some hives Windows
// XP writes do, instead of the `lf` record reged writes.
void ListSubkeysByIndexOnly(const std::string& path, const std::string& keyPath);

// Puts a NUL in place of the character at `at` of a name the hive holds once,
// as a name a byte a character is stored: as it stands.
void PutNulInName(const std::string& path, const std::string& name, size_t at);

// Sets a dword of the base block and, unless asked not to, its checksum to match.
void SetBaseBlockDword(const std::string& path, size_t offset, uint32_t value, bool fixChecksum = true);
uint32_t BaseBlockDword(const std::string& path, size_t offset);

}  // namespace qalm::testing
