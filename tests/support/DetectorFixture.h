#pragma once
// Detector tests: a fresh emulator and freshly loaded detector state, with helpers to set
// laptop facts and to read what was reported.
#include <string>
#include <utility>
#include <vector>

#include "DeviceMonitor/DetectorState.h"
#include "EmuFixture.h"
#include "common/CallbackGate.h"
#include "emu/VirtualRegistry.h"
#include "fdhost/ConfigFile.h"
#include "ipc/DispatcherState.h"
#include "platform/Sleep.h"

class DetectorTest : public EmuTest {
 protected:
  void SetUp() override {
    EmuTest::SetUp();
    gate::Open();  // host threads may come in, as after Init
    detector::ResetDetectorState();
    auto& state = dispatcher::GetState();
    state.btRecheckPending = false;
    state.realtekCallbackSupported = false;
    state.bthUsbEventSubscription = nullptr;
    dispatcher::SetDriverVersions(L"W1", L"B1");
  }

  // The laptop: defaults with these facts merged over them, and its configuration file.
  static void Use(const std::string& json) {
    emu::LoadLaptop(nlohmann::json::parse(json));
    fdhost::InstallConfigFile();
  }

  // (event id, content) of every report so far.
  static std::vector<std::pair<std::string, std::string>> Reports() {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& line : Lines("report"))
      out.emplace_back(line["event"], line["content"]);
    return out;
  }

  static std::vector<std::string> ReportIds() {
    std::vector<std::string> out;
    for (const auto& [id, content] : Reports())
      out.push_back(id);
    return out;
  }

  static std::vector<std::string> DeviceOps() {
    std::vector<std::string> out;
    for (const auto& line : Lines("device"))
      out.push_back(line["op"]);
    return out;
  }

  static nlohmann::json Registry() { return emu::VirtualRegistry::Instance().Dump(); }

  // Lets every started thread finish its waits.
  static void Settle(std::uint32_t ms = 600000) { platform::Sleep(ms); }
};

constexpr char kFlagKey[] = "HKLM\\SOFTWARE\\Velmora\\RepairFailFlag";
