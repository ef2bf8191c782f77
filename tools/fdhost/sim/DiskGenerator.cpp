// Random disks: SATA hard disks and SSDs, NVMe drives, USB bridges, removable sticks, and
// broken ones (paths that fail or answer short or empty, garbage IDENTIFY or S.M.A.R.T.
// blocks, S.M.A.R.T. switched off).
#include <string>

#include "fdhost/sim/Generator.h"

namespace fdhost::sim {

namespace {

using nlohmann::json;

json Attributes(emu::Random& random) {
  json attributes = json::array();
  for (const int id : {1, 5, 9, 12, 177, 194, 197, 198, 231, 241}) {
    if (!random.Chance(50))
      continue;
    const auto current = random.Between(1, 253);
    attributes.push_back({{"id", id},
                          {"current", current},
                          {"worst", random.Between(1, current)},
                          {"threshold", random.Pick(std::vector<int>{0, 0, 5, 36, 97})},
                          {"raw", random.Pick(std::vector<std::int64_t>{
                                      0, 1, 38, 3712, 0xDA753 + 100, 0xFFFFFFFFFFFF})}});
  }
  return attributes;
}

json AtaDisk(emu::Random& random, int number) {
  static const std::vector<std::string> models = {
      "ST1000LM048-2E7172",    "Samsung SSD 870 EVO 500GB", "WDC WD5000LPCX-24C6HT0",
      "INTEL SSDSC2KW256G8",   "SAMSUNG HD204UI",           "KINGSTON SA400S37240G",
      "Crucial_CT500MX500SSD1"};
  json disk = {{"number", number},
               {"model", random.Pick(models)},
               {"serial", "SIM" + std::to_string(random.Below(1000000))},
               {"firmware", "FW" + std::to_string(random.Below(100))},
               {"rotation", random.Pick(std::vector<int>{1, 5400, 7200, 0})},
               {"attributes", Attributes(random)}};
  if (random.Chance(20))
    disk["paths"] = {random.Pick(
        std::vector<std::string>{"legacy", "scsi_miniport", "silicon_image", "predict_failure"})};
  if (random.Chance(15))
    disk["sectors"] = random.Pick(std::vector<std::int64_t>{0, 1000, 268435455, 7814037168});
  return disk;
}

json NvmeDisk(emu::Random& random, int number) {
  json disk = {
      {"number", number},
      {"kind", "nvme"},
      {"model", random.Pick(std::vector<std::string>{
                    "Velmora NVMe SSD 512GB", "Samsung SSD 980 PRO 1TB", "INTEL SSDPEKNW512G8"})},
      {"log",
       {{"temperature_k", random.Between(280, 360)},
        {"power_on_hours", random.Between(0, 50000)},
        {"percentage_used", random.Between(0, 255)},
        {"critical_warning", random.Pick(std::vector<int>{0, 0, 4})},
        {"unsafe_shutdowns", random.Between(0, 300)}}}};
  if (random.Chance(30))
    disk["paths"] = {
        random.Pick(std::vector<std::string>{"nvme_samsung", "nvme_intel", "nvme_storage_query"})};
  return disk;
}

// A disk behind a USB bridge, as the bridge's own command path.
json UsbDisk(emu::Random& random, int number) {
  const bool nvme = random.Chance(30);
  json disk = nvme ? NvmeDisk(random, number) : AtaDisk(random, number);
  disk["paths"] = {
      nvme ? random.Pick(std::vector<std::string>{"nvme_jmicron", "nvme_asmedia"})
           : random.Pick(std::vector<std::string>{"sat", "prolific", "sunplus", "io_data",
                                                  "logitec1", "logitec2", "jmicron", "cypress"})};
  disk["bus_type"] = 7;
  disk["wmi"] = {{"InterfaceType", "USB"}};
  return disk;
}

void Break(emu::Random& random, json& disk, std::vector<std::string>& choices) {
  switch (random.Below(5)) {
    case 0:
      disk["identify_hex"] = RandomHex(random, 512, 70);
      choices.push_back("disk with a garbage IDENTIFY block");
      break;
    case 1:
      disk["smart_data_hex"] = RandomHex(random, 512, 70);
      choices.push_back("disk with garbage S.M.A.R.T. data");
      break;
    case 2:
      disk["smart_enabled"] = false;
      choices.push_back("disk with S.M.A.R.T. off");
      break;
    default: {
      const std::string fault =
          random.Pick(std::vector<std::string>{"fail", "empty_model", "zero", "short"});
      const json paths = disk.value(
          "paths", json::array({disk.value("kind", "ata") == "nvme" ? "nvme_storage_query"
                                                                    : "ata_pass_through"}));
      disk["faults"] = {{fault, paths}};
      choices.push_back("disk whose commands " + fault);
    }
  }
}

}  // namespace

void GenerateDisks(emu::Random& random, json& s, std::vector<std::string>& choices) {
  json disks = json::array();
  const auto count = random.Between(0, 3);
  for (int number = 0; number < count; ++number) {
    json disk;
    switch (random.Below(5)) {
      case 0:
      case 1:
        disk = AtaDisk(random, number);
        break;
      case 2:
        disk = NvmeDisk(random, number);
        break;
      case 3:
        disk = UsbDisk(random, number);
        break;
      default:
        disk = AtaDisk(random, number);
        disk["removable"] = true;
        disk["wmi"] = {{"MediaType", "Removable Media"}, {"InterfaceType", "USB"}};
    }
    if (random.Chance(25))
      Break(random, disk, choices);
    disks.push_back(disk);
  }
  s["disks"] = disks;
  if (count > 0)
    s["volumes"] = {{"C", {{"disk", 0}}}};
  if (count > 1 && random.Chance(50))
    s["volumes"]["D"] = {{"disks", {0, 1}}};
  choices.push_back(std::to_string(count) + " disk(s)");
}

}  // namespace fdhost::sim
