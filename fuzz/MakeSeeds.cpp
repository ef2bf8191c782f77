// Writes the seed corpora of the fuzz targets from what the project ships: the scenario
// files, the virtual disks they describe, the replies fdhost gets for them and the event-log
// records they render. Run from the project folder: fuzz_make_seeds scenarios fuzz/corpus
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/ConfigCipher.h"
#include "emu/DiskImages.h"
#include "emu/EventLogService.h"
#include "fdhost/ConfigFile.h"

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& dir, const std::string& name, const std::vector<std::uint8_t>& bytes) {
  fs::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

void DiskSeeds(const nlohmann::json& disk, const fs::path& out, const std::string& name) {
  std::vector<std::uint8_t> seed;
  const bool nvme = disk.value("kind", "") == "nvme";
  seed.push_back(nvme ? 1 : 0);
  auto append = [&seed](const emu::Block& block) {
    seed.insert(seed.end(), block.begin(),
                block.begin() + std::min<std::size_t>(512, block.size()));
  };
  if (nvme) {
    append(emu::BuildNvmeIdentify(disk));
    append(emu::BuildNvmeLog(disk));
  } else {
    append(emu::BuildIdentify(disk));
    append(emu::BuildSmartData(disk));
    append(emu::BuildSmartThresholds(disk));
  }
  Write(out / "disk_record", name, seed);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fuzz_make_seeds SCENARIO_DIR CORPUS_DIR\n");
    return 2;
  }
  const fs::path scenarios = argv[1];
  const fs::path out = argv[2];
  int disks = 0;
  for (const auto& entry : fs::directory_iterator(scenarios)) {
    if (entry.path().extension() != ".json")
      continue;
    std::ifstream in(entry.path());
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string stem = entry.path().stem().string();
    Write(out / "scenario", stem + ".json", Bytes(text));
    const auto scenario = nlohmann::json::parse(text);
    if (scenario.contains("disks")) {
      for (const auto& disk : scenario["disks"])
        DiskSeeds(disk, out, stem + "-" + std::to_string(disks++));
    }
    if (scenario.contains("config")) {
      // The stored file fdhost would install for the scenario.
      Write(out / "config_frame", stem + ".stored",
            config::SealConfigText(fdhost::ConfigXml(scenario["config"])));
    }
  }
  Write(
      out / "config_frame", "realtek-on.stored",
      config::SealConfigText(fdhost::ConfigXml({{"realtek", {{"IsSupportRealtekCallback", 1}}}})));
  // Event records as the System log renders them.
  for (const auto& [provider, id] : std::vector<std::pair<std::string, int>>{
           {"Disk", 7}, {"Disk", 51}, {"volmgr", 161}, {"BTHUSB", 7}}) {
    emu::EventRecord record;
    record.provider = provider;
    record.eventId = static_cast<std::uint32_t>(id);
    record.timeMs = 1772352000000;
    Write(out / "event_xml", provider + "-" + std::to_string(id) + ".xml",
          Bytes(emu::EventLogService::RenderXml(record)));
  }
  // Each request with no payload, an empty one and the device type bytes 0, 1 and 0xFF.
  for (int handler = 0; handler < 15; ++handler) {
    const auto first = static_cast<std::uint8_t>(handler << 1);
    Write(out / "payload", "handler" + std::to_string(handler) + "-null",
          {std::uint8_t(first | 1)});
    for (std::uint8_t type : {0, 1, 0xFF})
      Write(out / "payload", "handler" + std::to_string(handler) + "-" + std::to_string(type),
            {first, type});
  }
  return 0;
}
