#pragma once
// Reads the answers to the three disk information requests (0x380001 hard disks, 0x380002
// SSDs, 0x380003 features) back into JSON, for people and for tests.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace fdhost {

struct DecodeError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Throws DecodeError for a payload that is short, has trailing bytes or an unknown request id.
nlohmann::ordered_json DecodeDiskReply(std::uint32_t requestId,
                                       const std::vector<std::uint8_t>& payload);

// A readable text of a decoded reply.
std::string DiskReplyText(const nlohmann::ordered_json& reply);

}  // namespace fdhost
