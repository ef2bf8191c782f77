#include "fdhost/DiskReplyDecoder.h"

#include <cstdio>

namespace fdhost {

namespace {

class Reader {
 public:
  explicit Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  std::uint64_t Little(std::size_t width) {
    Need(width);
    std::uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;)
      value = value << 8 | bytes_[at_ + i];
    at_ += width;
    return value;
  }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Little(4)); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  std::uint8_t U8() { return static_cast<std::uint8_t>(Little(1)); }
  std::string Text() {
    const std::uint32_t units = U32();
    Need(std::size_t{units} * 2);
    std::string out;
    for (std::uint32_t i = 0; i < units; ++i) {
      const auto unit = static_cast<std::uint32_t>(Little(2));
      if (unit < 0x80) {
        out.push_back(static_cast<char>(unit));
      } else if (unit < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
        out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
      } else {
        out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
        out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
      }
    }
    return out;
  }
  bool AtEnd() const { return at_ == bytes_.size(); }

 private:
  void Need(std::size_t n) const {
    if (at_ + n > bytes_.size()) {
      throw DecodeError("payload ends at byte " + std::to_string(bytes_.size()) + ", " +
                        std::to_string(n) + " more expected at byte " + std::to_string(at_));
    }
  }
  const std::vector<std::uint8_t>& bytes_;
  std::size_t at_ = 0;
};

nlohmann::ordered_json Attributes(Reader& r, int count) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (int i = 0; i < count; ++i) {
    nlohmann::ordered_json a;
    a["id"] = r.U8();
    a["flags"] = r.Little(2);
    a["current"] = r.U8();
    a["worst"] = r.U8();
    a["threshold"] = r.U8();
    if (a["id"] != 0)
      list.push_back(a);
  }
  return list;
}

}  // namespace

nlohmann::ordered_json DecodeDiskReply(std::uint32_t requestId,
                                       const std::vector<std::uint8_t>& payload) {
  if (requestId < 0x380001 || requestId > 0x380003) {
    throw DecodeError("not a disk information request: 0x" + std::to_string(requestId));
  }
  Reader r(payload);
  nlohmann::ordered_json reply;
  reply["request"] = requestId == 0x380001   ? "hard disks"
                     : requestId == 0x380002 ? "SSDs"
                                             : "features";
  reply["result"] = r.U32();
  const std::uint32_t count = r.U32();
  nlohmann::ordered_json records = nlohmann::ordered_json::array();
  for (std::uint32_t n = 0; n < count; ++n) {
    nlohmann::ordered_json d;
    if (requestId == 0x380003) {
      d["disk_index"] = r.U8();
      for (const char* name :
           {"IsSsd", "IsSmartSupported", "IsLba48Supported", "IsAamSupported", "IsApmSupported",
            "IsNcqSupported", "IsNvCacheSupported", "IsDeviceSleepSupported", "IsTrimSupported"}) {
        d[name] = r.U32();
      }
      d["power_on_count"] = r.I32();
      d["power_on_hours"] = r.I32();
      d["firmware"] = r.Text();
      d["interface"] = r.Text();
    } else {
      d["interface"] = r.Text();
      d["interface_type"] = r.U32();
      d["model"] = r.Text();
      d["power_on_count"] = r.I32();
      d["power_on_hours"] = r.I32();
      d["firmware"] = r.Text();
      if (requestId == 0x380002)
        d["raw_value_quirk"] = r.U32();
      d["disk_index"] = r.U8();
      d["attributes"] = Attributes(r, requestId == 0x380001 ? 24 : 22);
    }
    records.push_back(d);
  }
  if (!r.AtEnd())
    throw DecodeError("bytes left after the last record");
  reply["records"] = records;
  return reply;
}

std::string DiskReplyText(const nlohmann::ordered_json& reply) {
  std::string out = reply["request"].get<std::string>() + ": " +
                    std::to_string(reply["records"].size()) + " record(s)\n";
  for (const auto& d : reply["records"]) {
    out += "  disk " + d["disk_index"].dump() + ": " + d.value("model", std::string()) + " [" +
           d["interface"].get<std::string>() + "] firmware " + d["firmware"].get<std::string>() +
           ", power-on " + d["power_on_hours"].dump() + " h, " + d["power_on_count"].dump() +
           " cycles\n";
    if (d.contains("IsSsd")) {
      out += "    ";
      for (auto& [key, value] : d.items()) {
        if (key.rfind("Is", 0) == 0)
          out += key + "=" + value.dump() + " ";
      }
      out += "\n";
    }
    for (const auto& a : d.value("attributes", nlohmann::ordered_json::array())) {
      char line[96];
      std::snprintf(line, sizeof line,
                    "    %3d  flags %04x  current %3d  worst %3d  threshold %3d\n",
                    a["id"].get<int>(), a["flags"].get<int>(), a["current"].get<int>(),
                    a["worst"].get<int>(), a["threshold"].get<int>());
      out += line;
    }
  }
  return out;
}

}  // namespace fdhost
