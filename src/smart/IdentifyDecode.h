#pragma once
// Decoding of the 512-byte IDENTIFY DEVICE block into the record.
#include <cstdint>
#include <string>

#include "smart/AtaSmartInfo.h"

namespace smart {

std::uint16_t IdentifyWord(const std::uint8_t* identify, int word);

// Words [first, first + count) as text: two characters per word, high byte first; reverse
// takes the bytes as stored. Trailing blanks are trimmed.
std::string AtaString(const std::uint8_t* identify, int firstWord, int wordCount, bool reverse);

// Model, serial and firmware with their reversed variants, ModelSerial, and the
// temperature multiplier of the models that need one.
void DecodeNames(ATA_SMART_INFO& asi);
// MajorVersion with its text and the minor version text (words 80 and 81).
void DecodeVersions(ATA_SMART_INFO& asi);
std::string MinorVersionText(std::uint16_t word81);
// Interface, maximum and current transfer modes and TransferModeType (words 63, 76, 77, 88).
void DecodeTransferModes(ATA_SMART_INFO& asi);
// Feature flags, rotation rate and form factor, each by the major version that defines it.
void DecodeFeatures(ATA_SMART_INFO& asi);
// CHS, LBA28 and LBA48 sizes. Returns whether words 60-61 hold the value 0x01100003.
bool DecodeCapacity(ATA_SMART_INFO& asi);

// NVMe: names and version text from the Identify Controller bytes in IdentifyDevice, and
// the values and 15 pseudo-attributes of the SMART / Health log in SmartReadData.
void DecodeNvmeIdentify(ATA_SMART_INFO& asi);
void DecodeNvmeLog(ATA_SMART_INFO& asi);

// Model + serial without the characters \ / : * ? " < > |.
std::string ModelSerialOf(const std::string& model, const std::string& serial);

}  // namespace smart
