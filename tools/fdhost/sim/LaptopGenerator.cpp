// Random laptops: each part of the machine is drawn on its own, around the healthy defaults,
// from the values that mean something to the plug-in (problem codes it repairs or reports,
// the fix check's registry states, the configuration switches, disks of every kind).
#include <string>

#include "fdhost/sim/Generator.h"

namespace fdhost::sim {

namespace {

using nlohmann::json;

// The folder of the host's executable, where its install script and debug log lie.
std::string HostFolder(const json& s) {
  if (!s.contains("host"))
    return "C:\\Program Files\\Velmora\\Service";
  const std::string exe = s["host"]["executable"];
  return exe.substr(0, exe.find_last_of('\\'));
}

constexpr char kRealtekWifi[] = "PCI\\VEN_10EC&DEV_C852&SUBSYS_C852103C";
constexpr char kRealtekBluetooth[] = "USB\\VID_0BDA&PID_C852";
constexpr char kNetworkClass[] = "{4D36E972-E325-11CE-BFC1-08002BE10318}";
constexpr char kBiometricClass[] = "{53D29EF7-377C-4D14-864B-EB3A85769359}";
constexpr char kMediaClass[] = "{4D36E96C-E325-11CE-BFC1-08002BE10318}";
constexpr char kDisplayClass[] = "{4D36E968-E325-11CE-BFC1-08002BE10318}";

void Product(emu::Random& random, json& s, std::vector<std::string>& choices) {
  json product = {{"index", random.Pick(std::vector<int>{1, 2, 5, 8})}};
  if (random.Chance(60))
    product["supported_plugins"] = {"orba_plugin_hardware_report"};
  if (random.Chance(60))
    product["supported_properties"] = json::array({{"OrbLoginGuide", "china"}});
  for (const char* feature : {"wifi_gpio", "wifi_bios_repair", "bt_gpio"}) {
    product["features"][feature] = random.Chance(50);
    product["feature_status"][feature] = random.Pick(std::vector<int>{0, 0, 0, 1, 5});
  }
  s["product"] = product;
  choices.push_back("product " + product["index"].dump());
}

void Wireless(emu::Random& random, json& s, std::vector<std::string>& choices) {
  const bool realtek = random.Chance(40);
  json wifi = json::object();
  const auto card = random.Below(10);
  if (card == 0) {
    wifi["hardware_id"] = "";
    choices.push_back("no Wi-Fi card");
  } else {
    if (realtek)
      wifi["hardware_id"] = kRealtekWifi;
    wifi["problem_code"] = random.Pick(std::vector<int>{0, 0, 0, 0, 10, 10, 22, 28, 43, 45});
    choices.push_back("Wi-Fi code " + wifi["problem_code"].dump());
  }
  wifi["manufacturer_type"] = realtek ? 1 : random.Pick(std::vector<int>{1, 2, 3});
  if (random.Chance(20))
    wifi["driver_version"] = random.Pick(std::vector<std::string>{"", "21.90.0.1", "22.200.0.6"});
  s["wifi"] = wifi;

  json bt = json::object();
  if (realtek) {
    bt["name"] = "Realtek Bluetooth Adapter";
    bt["hardware_id"] = kRealtekBluetooth;
  }
  if (random.Chance(20)) {
    bt["name"] = "";
    if (random.Chance(60))
      bt["hardware_id"] = "";
    choices.push_back("Bluetooth unnamed");
  }
  bt["error_state"] = random.Pick(std::vector<int>{0, 0, 0, 0, 10, 43});
  bt["in_usb_class"] = random.Pick(std::vector<int>{0, 0, 1});
  bt["usb_class_code"] = random.Pick(std::vector<int>{0, 28, 43});
  bt["in_unknown_class"] = random.Pick(std::vector<int>{0, 0, 1});
  bt["usb_repair_result"] = random.Pick(std::vector<int>{0, 5});
  if (random.Chance(15))
    bt["external_devices"] = {"BTHENUM\\{0000110B-0000-1000-8000-00805F9B34FB}_VID&0001004C"};
  s["bluetooth"] = bt;

  const std::string installed =
      random.Pick(std::vector<std::string>{"none", "windows", "plugin_dir", "windows"});
  s["realtek"] = {{"installed", installed},
                  {"start_results", {random.Pick(std::vector<int>{0, 0, 1})}},
                  {"reset_results", {random.Pick(std::vector<int>{0, 1}), 0}}};
  if (realtek)
    choices.push_back("Realtek module, library " + installed);

  // What repairs do to the machine.
  if (random.Chance(50))
    s["effects"]["gpio_repower"] = {{"wifi.problem_code", 0}};
  if (random.Chance(30))
    s["effects"]["bt_usb_repair"] = {{"bluetooth.name", "Intel(R) Wireless Bluetooth(R)"},
                                     {"bluetooth.hardware_id", "USB\\VID_8087&PID_0032"}};
  s["bios_switches"] = {{"0", {{"readable", random.Chance(80)}, {"state", random.Chance(80)}}},
                        {"1", {{"readable", random.Chance(80)}, {"state", random.Chance(80)}}}};
  s["wmi_methods"] = {
      {"1540", {{"ok", random.Chance(85)}, {"output_hex", RandomHex(random, random.Below(3))}}}};
}

void Touchpad(emu::Random& random, json& s, std::vector<std::string>& choices) {
  json touchpad = {{"installed", random.Chance(85)},
                   {"init_result", random.Pick(std::vector<int>{0, 0, 0, 1})},
                   {"register_result", random.Pick(std::vector<int>{0, 0, 0, 1})}};
  if (random.Chance(10))
    touchpad["firmware"] = nullptr;
  s["touchpad"] = touchpad;
  if (!touchpad["installed"].get<bool>())
    choices.push_back("no touchpad library");
}

// The switch file: good sections, damaged bytes, unreadable XML, or none.
void Configuration(emu::Random& random, json& s, std::vector<std::string>& choices) {
  auto onOff = [&random] { return random.Chance(75) ? "1" : "0"; };
  switch (random.Below(6)) {
    case 0:
      choices.push_back("no configuration file");
      return;
    case 1:
      s["config_file_hex"] = RandomHex(random, random.Below(80));
      choices.push_back("damaged configuration file");
      return;
    case 2:
      s["config_xml"] = random.Chance(50) ? "<root><usb ReportUsbDeviceType=\"1\"" : "not xml";
      choices.push_back("configuration file of broken XML");
      return;
    default:
      break;
  }
  s["config"] = {{"realtek", {{"IsSupportRealtekCallback", onOff()}}},
                 {"usb", {{"ReportUsbDeviceType", onOff()}}},
                 {"monitor",
                  {{"ReportMonitorDeviceType", onOff()},
                   {"DisplayAudioRepair", onOff()},
                   {"PointDelay", std::to_string(random.Between(0, 12000))},
                   {"ScanDelay", std::to_string(random.Between(0, 8000))}}}};
  if (random.Chance(10))
    s["config_folder"] = "plugin_dir";
  choices.push_back("configuration file");
}

// The start-up fix check's registry: healthy, or the EventLog registration lost on a build
// where the repair applies (with or without the Netkeeper program it looks for).
void FixCheckRegistry(emu::Random& random, json& s, std::vector<std::string>& choices) {
  if (random.Chance(60))
    return;
  s["registry"]["HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion"] = {
      {"BuildBranch", random.Pick(std::vector<std::string>{"rs5_release", "19h1_release",
                                                           "vb_release", "co_release"})}};
  if (random.Chance(80))
    s["registry"]["HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netkeeper.exe"] =
        {{"Path", "C:\\Program Files\\Netkeeper"}};
  json eventLog = {{"Start", random.Pick(std::vector<int>{2, 2, 3})}, {"Type", 32}};
  if (random.Chance(25))
    eventLog["ServiceDll"] = "%SystemRoot%\\System32\\wevtsvc.dll";
  s["registry"]["HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog"] = eventLog;
  choices.push_back("EventLog registration " +
                    std::string(eventLog.contains("ServiceDll") ? "present" : "lost"));
}

// Devices the request handlers act on, processes and services the repairs touch, and the
// driver installer's files.
void DevicesAndPrograms(emu::Random& random, json& s, std::vector<std::string>& choices) {
  json devices = json::array();
  if (random.Chance(60)) {
    devices.push_back({{"class", kNetworkClass}, {"hardware_ids", {"USB\\VID_0BDA&PID_8153"}}});
    devices.push_back({{"class", kBiometricClass},
                       {"hardware_ids", {"USB\\VID_27C6&PID_639C"}},
                       {"read_error", random.Pick(std::vector<int>{0, 13})}});
    devices.push_back({{"class", kMediaClass},
                       {"hardware_ids", {"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0287"}},
                       {"uninstall_result", random.Pick(std::vector<int>{0, 0, 5})}});
    devices.push_back({{"class", kMediaClass},
                       {"hardware_ids", {"HDAUDIO\\FUNC_01&VEN_8086&DEV_2818&SUBSYS_80860101"}},
                       {"soft_components", json::array()}});
    devices.push_back({{"class", kDisplayClass},
                       {"hardware_ids", {"PCI\\VEN_10DE&DEV_25A2"}},
                       {"present", random.Chance(70)}});
    s["drivers"]["error_codes"] = {
        {"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0287", random.Pick(std::vector<int>{0, 22, 43})}};
    s["effects"]["rescan"] = {
        {"devices.3.soft_components", {"SWC\\VEN_8086&AID_0300&SUBSYS_80860101"}}};
    s["registry"]
     ["HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Render\\{0.0.0."
      "00000000}.{8d2e61c4-3f0a-4b6e-b1d7-52a9e0c47f38}\\Properties"] = {
         {"{a45c254e-df1c-4efd-8020-67d146a850e0},2", "VLM 27Q (Intel(R) Display Audio Output)"}};
    choices.push_back("devices to act on");
  }
  s["devices"] = devices;
  if (random.Chance(40)) {
    s["processes"] = {"DOsd.exe", "DHotKey.exe", "OSDListener.exe"};
    s["services"] = {{"OSDMainService",
                      {{"state", random.Pick(std::vector<std::string>{"running", "stopped"})},
                       {"start", random.Pick(std::vector<std::string>{"ok", "fail", "after_sc"})},
                       {"start_delay_ms", random.Pick(std::vector<int>{0, 0, 5000})}}},
                     {"PGFNEXSrv", {{"state", "running"}}},
                     {"Winmgmt", {{"state", "running"}}},
                     {"Spooler", {{"state", "stopped"}}}};
    s["registry"]["HKLM\\SYSTEM\\ControlSet001\\services\\OSDMainService"] = {{"Start", 3}};
    choices.push_back("hot-key services");
  }
  // WMI stopped: the disk reader starts it, with sc's help when it must.
  if (random.Chance(20)) {
    s["services"]["Winmgmt"] = {
        {"state", "stopped"},
        {"start", random.Pick(std::vector<std::string>{"ok", "after_sc", "after_sc", "fail"})}};
    choices.push_back("WMI stopped");
  }
  s["programs"]["netsh.exe"] = {{"runs_ms", random.Pick(std::vector<int>{0, 3000, 40000})}};
  if (random.Chance(40)) {
    s["files"]["C:\\Windows\\OriginalDriver\\WifiDriver\\22.200.0.6.exe"] = "MZ";
    s["files"][HostFolder(s) + "\\config\\DeviceCfg\\InstallOTAWifiDriver.bat"] =
        "@echo off\r\nstart Setup.exe /s\r\n";
    s["programs"]["InstallOTAWifiDriver.bat"] = {{"runs_ms", 30000}, {"starts", {"Setup.exe"}}};
    s["programs"]["Setup.exe"] = {{"runs_ms", random.Pick(std::vector<json>{60000, nullptr})},
                                  {"exit_code", random.Pick(std::vector<int>{0, 1})}};
    s["effects"]["exit:Setup.exe"] = {{"wifi.problem_code", 0}};
    choices.push_back("Wi-Fi driver package");
  }
}

// Where the host is installed (now and then in a folder named in Windows-1252) and what lies
// where the disk reader deletes its debug log: nothing, a stale log, or a link to another
// file that must keep its bytes.
void HostInstall(emu::Random& random, json& s, std::vector<std::string>& choices) {
  if (random.Chance(15)) {
    const std::string folder = "C:\\Programme\\Velmora Ger\u00e4t\\Dienst";
    s["host"] = {{"executable", folder + "\\VelmoraService.exe"}, {"plugin_dir", folder}};
    choices.push_back("host in a non-ASCII folder");
  }
  const std::string log = HostFolder(s) + "\\VelmoraService.log";
  const std::string hosts = "C:\\Windows\\System32\\drivers\\etc\\hosts";
  switch (random.Below(5)) {
    case 0:
      s["files"][log] = "a stale debug log\n";
      choices.push_back("stale disk debug log");
      break;
    case 1:
    case 2: {
      const bool hard = random.Chance(50);
      s["files"][hosts] = "127.0.0.1 localhost\n";
      s["links"][log] = {{"to", hosts}, {"kind", hard ? "hard" : "symbolic"}};
      choices.push_back(std::string("disk debug log a ") + (hard ? "hard" : "symbolic") + " link");
      break;
    }
    default:
      break;
  }
}

void Screens(emu::Random& random, json& s, std::vector<std::string>& choices) {
  json addresses = {4357};
  json ids = {"MONITOR\\BOE0A1B"};
  for (std::int64_t i = random.Between(0, 2); i > 0; --i) {
    addresses.push_back(8453 + i);
    ids.push_back("MONITOR\\VLM270" + std::to_string(i));
  }
  s["monitors"] = {{"addresses", addresses}, {"hardware_ids", ids}};
  json hubs = json::object();
  for (std::int64_t h = random.Between(0, 2); h > 0; --h) {
    json ports = json::array();
    for (std::int64_t p = random.Between(1, 3); p > 0; --p) {
      ports.push_back({"Port_#000" + std::to_string(p), "Port" + std::to_string(p),
                       random.Pick(std::vector<std::string>{"HID", "Camera", "Storage", ""})});
    }
    hubs["USB\\ROOT_HUB30\\4&1A2B3C4D&0&" + std::to_string(h)] = ports;
  }
  s["usb_hubs"] = hubs;
  choices.push_back(std::to_string(addresses.size()) + " monitor(s), " +
                    std::to_string(hubs.size()) + " hub(s)");
  if (random.Chance(20))
    s["screen"] = {{"width", 2880}, {"height", 1800}, {"scale_percent", 150}, {"direction", "rtl"}};
}

}  // namespace

void GenerateDisks(emu::Random& random, json& s, std::vector<std::string>& choices);

void GenerateLaptop(emu::Random& random, Generated& out) {
  json& s = out.scenario;
  HostInstall(random, s, out.choices);
  Product(random, s, out.choices);
  Wireless(random, s, out.choices);
  Touchpad(random, s, out.choices);
  Configuration(random, s, out.choices);
  FixCheckRegistry(random, s, out.choices);
  DevicesAndPrograms(random, s, out.choices);
  Screens(random, s, out.choices);
  GenerateDisks(random, s, out.choices);
}

}  // namespace fdhost::sim
