#pragma once
// The blocks a virtual disk answers with, built from a scenario's description of the disk
// (or taken as raw hex from it).
#include <cstdint>
#include <vector>

#include <nlohmann/json.hpp>

namespace emu {

using Block = std::vector<std::uint8_t>;

// IDENTIFY DEVICE, 512 bytes with the integrity word (0xA5 and checksum) in word 255.
Block BuildIdentify(const nlohmann::json& disk);
// S.M.A.R.T. READ DATA and READ THRESHOLDS, 512 bytes each, with their checksum byte.
Block BuildSmartData(const nlohmann::json& disk);
Block BuildSmartThresholds(const nlohmann::json& disk);
// NVMe Identify Controller (4096 bytes) and SMART / Health log (512 bytes).
Block BuildNvmeIdentify(const nlohmann::json& disk);
Block BuildNvmeLog(const nlohmann::json& disk);

// IDENTIFY words as text: 8 four-digit hex words a line, as /proc/ide/*/identify shows them.
std::string IdentifyWordsText(const Block& identify);

}  // namespace emu
