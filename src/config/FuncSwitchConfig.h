#pragma once
// The device function switch configuration: an enciphered XML file beside the host
// executable, read anew on every query.
#include <cstdint>
#include <string>

namespace config {

// Relative to the host executable's folder.
extern const char* const kFuncSwitchConfigPath;  // "config\\DeviceFuncSwitchConf.xml"

// True exactly when the key's value in the section, read as atoi reads it, is 1.
bool ReadFuncSwitch(const std::string& section, const std::string& key);

// The plain text of a stored file; empty when missing, too short, unreadable or not deciphered.
std::string ReadEncryptedTextFile(const std::wstring& path);

// Takes a whole stored file. Returns 1 with a new buffer (release with delete[]) and the
// plain length, or 0 with no buffer.
int DecryptConfigBuffer(const std::uint8_t* data, std::uint32_t size, std::uint8_t*& out,
                        std::uint32_t& outLength);

// In XML text: the text of config/section/key under the first top-level "config" element.
// False when the text does not parse or an element is missing.
bool FindConfigValue(const std::string& xmlText, const std::string& section, const std::string& key,
                     std::string& value);

}  // namespace config
