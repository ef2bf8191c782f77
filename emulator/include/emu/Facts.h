#pragma once
// Every fact of the virtual laptop, declared once: its dotted path, its type, its default
// and what it means. A '*' in a path stands for any key of a map or any index of a list.
// From this table come the healthy laptop's defaults, the checks that refuse an unknown or
// ill-typed fact in a scenario, the typed accessors the emulator reads facts through (a
// misspelt path does not compile), and the fact tables of scenarios/README.md.
#include <cstddef>
#include <string_view>

namespace emu {

enum class FactType {
  Integer,   // a JSON integer, or a text in decimal or with a "0x" prefix
  Boolean,   // true or false (0 and 1 are taken too)
  Text,      // a text
  Texts,     // a list of texts
  Integers,  // a list of integers
  Results,   // an integer, or a list of them taken one by one (the last repeats)
  Hex,       // a text of hexadecimal bytes
  List,      // a list; its elements are declared by PATH.* entries, or free
  Map,       // an object with keys of the scenario's choosing; PATH.* declares its entries
  Any,       // any JSON value, read as the meaning says
};

struct FactDecl {
  std::string_view path;
  FactType type;
  std::string_view defaults;  // JSON text; empty: none (absent, or derived as the meaning says)
  std::string_view meaning;   // one line, Markdown
};

// clang-format off
inline constexpr FactDecl kFacts[] = {
  {"product.index", FactType::Integer, "1", "product index (`ProductAdapt::MachineType`)"},
  {"product.name", FactType::Text, "\"Velmora Book 14\"", "product name in report records"},
  {"product.supported_plugins", FactType::Texts, "[]", "plug-in names the feature catalogue supports"},
  {"product.supported_properties", FactType::List, "[]", "list of `[name, value]` pairs the catalogue supports"},
  {"product.features.wifi_gpio", FactType::Boolean, "false", "the product can re-power the Wi-Fi module through its GPIO line"},
  {"product.features.wifi_bios_repair", FactType::Boolean, "false", "the product can take the Wi-Fi repair flag in its firmware"},
  {"product.features.bt_gpio", FactType::Boolean, "false", "the product can re-power the Bluetooth module through its GPIO line"},
  {"product.feature_status.wifi_gpio", FactType::Integer, "0", "status the capability query of the Wi-Fi GPIO re-power returns (0 success)"},
  {"product.feature_status.wifi_bios_repair", FactType::Integer, "0", "status the query of the Wi-Fi firmware flag returns"},
  {"product.feature_status.bt_gpio", FactType::Integer, "0", "status the query of the Bluetooth GPIO re-power returns"},
  {"drivers.versions", FactType::Map, "{\"0\": \"22.200.0.6\", \"1\": \"22.200.0.4\", \"9\": \"10.0.22621.2506\", \"13\": \"10.0.22621.1\"}", "driver version texts by device type"},
  {"drivers.versions.*", FactType::Text, "\"\"", "driver version text of device type N (0 Wi-Fi, 1 Bluetooth, 9 USB port, 13 monitor)"},
  {"drivers.error_codes", FactType::Map, "{}", "driver error codes by hardware id"},
  {"drivers.error_codes.*", FactType::Integer, "0", "driver error code of the device with hardware id ID; a driver reset clears it"},
  {"bios_switches", FactType::Map, "{\"0\": {\"readable\": true, \"state\": true}, \"1\": {\"readable\": true, \"state\": true}}", "the BIOS switches by device type N (0 and 1 readable and on)"},
  {"bios_switches.*.readable", FactType::Boolean, "false", "the switch of device type N can be read"},
  {"bios_switches.*.state", FactType::Boolean, "false", "the switch of device type N is on"},
  {"wmi_methods", FactType::Map, "{\"1540\": {\"ok\": true, \"output_hex\": \"0001\"}}", "methods of \"ROOT\\\\WMI\" by method ID (decimal)"},
  {"wmi_methods.*.ok", FactType::Boolean, "false", "the method call succeeds"},
  {"wmi_methods.*.output_hex", FactType::Hex, "\"\"", "the bytes the method returns"},
  {"boot_tick_ms", FactType::Integer, "60000", "tick count at t = 0"},
  {"host.executable", FactType::Text, "\"C:\\\\Program Files\\\\Velmora\\\\Service\\\\VelmoraService.exe\"", "the host's executable; the configuration file lies in `config\\` beside it. The ANSI calls give and take paths in Windows-1252, the virtual Windows's ANSI code page"},
  {"host.plugin_dir", FactType::Text, "\"C:\\\\Program Files\\\\Velmora\\\\Service\"", "the plug-in's folder"},
  {"wifi.hardware_id", FactType::Text, "\"PCI\\\\VEN_8086&DEV_2725&SUBSYS_00248086\"", "the wireless card's hardware id; \"\" for no card"},
  {"wifi.problem_code", FactType::Integer, "0", "its problem code (0 healthy, 10 cannot start)"},
  {"wifi.manufacturer_type", FactType::Integer, "2", "`CNetworkAdapter::GetWifiManuType` (1: Realtek)"},
  {"wifi.driver_version", FactType::Text, "\"22.200.0.6\"", "`CNetworkCard::GetDriverVersion`"},
  {"bluetooth.name", FactType::Text, "\"Intel(R) Wireless Bluetooth(R)\"", "the adapter's name; \"\" when it has none"},
  {"bluetooth.hardware_id", FactType::Text, "\"USB\\\\VID_8087&PID_0032\"", "the adapter's hardware id; \"\" when absent"},
  {"bluetooth.error_state", FactType::Integer, "0", "`GetDeviceErrorState`"},
  {"bluetooth.in_usb_class", FactType::Integer, "0", "`IsInUSBClassEx` result"},
  {"bluetooth.usb_class_code", FactType::Integer, "0", "`IsInUSBClassEx` out-value"},
  {"bluetooth.in_unknown_class", FactType::Integer, "0", "`IsInUnKownClass`"},
  {"bluetooth.usb_repair_result", FactType::Integer, "0", "`RepairInUSBDriver`"},
  {"bluetooth.external_devices", FactType::Texts, "[]", "hardware ids of external Bluetooth devices"},
  {"devices", FactType::List, "[]", "more devices; the Wi-Fi card, the adapter and the monitors are in the tree already. Uninstalling a device sets `present` false (and `uninstalled` true) until the next hardware rescan finds it again"},
  {"devices.*.class", FactType::Text, "\"\"", "the device's setup class `{GUID}`"},
  {"devices.*.hardware_ids", FactType::Texts, "[]", "its hardware ids"},
  {"devices.*.read_error", FactType::Integer, "0", "reading its hardware ids fails with this error"},
  {"devices.*.present", FactType::Boolean, "true", "the device is present"},
  {"devices.*.uninstalled", FactType::Boolean, "false", "the device was uninstalled and not found again yet"},
  {"devices.*.soft_components", FactType::Texts, "[]", "its software components"},
  {"devices.*.uninstall_result", FactType::Integer, "0", "what uninstalling it returns"},
  {"setup_api.class_devs_error", FactType::Integer, "0", "make `SetupDiGetClassDevsW` fail with the error number"},
  {"setup_api.class_installer_error", FactType::Integer, "0", "make `SetupDiCallClassInstaller` fail with the error number"},
  {"registry", FactType::Map, "{}", "keys and values: `{ \"HKLM\\\\SOFTWARE\\\\X\": { \"Numbers\": 3, \"Text\": \"a\" } }` (numbers are REG_DWORD, texts REG_SZ, `{ \"REG_EXPAND_SZ\": \"%SystemRoot%\\\\x.dll\" }` an expandable string; read back as UTF-16). A key's parents exist without being listed; enumeration lists subkeys and values by name, letter case ignored"},
  {"registry.*", FactType::Map, "", "one key's values by name"},
  {"registry_errors.create_key", FactType::Integer, "0", "make the host's registry helper fail to create a key with the error number"},
  {"registry_errors.delete_key", FactType::Integer, "0", "make it fail to delete a key"},
  {"registry_errors.set_value", FactType::Integer, "0", "make it fail to write a value"},
  {"registry_errors.get_value", FactType::Integer, "0", "make it fail to read a value"},
  {"privileges.open_token_error", FactType::Integer, "0", "make `OpenProcessToken` fail with the error number"},
  {"privileges.lookup_error", FactType::Integer, "0", "make `LookupPrivilegeValueW` fail"},
  {"privileges.adjust_error", FactType::Integer, "0", "make `AdjustTokenPrivileges` fail"},
  {"firmware.write_error", FactType::Integer, "0", "make `SetFirmwareEnvironmentVariableA` fail"},
  {"firmware.variables", FactType::Map, "", "firmware variables written so far, by name (kept by the emulator)"},
  {"firmware.variables.*", FactType::Map, "", "one variable"},
  {"firmware.variables.*.guid", FactType::Text, "", "the variable's GUID"},
  {"firmware.variables.*.data_hex", FactType::Hex, "", "its bytes"},
  {"realtek.installed", FactType::Text, "\"none\"", "where \"RtkBTReset.dll\" lies: \"windows\" (C:\\Windows), \"plugin_dir\" or \"none\""},
  {"realtek.start_results", FactType::Results, "0", "results of the library's start-watch calls in order, the last repeating (0 success)"},
  {"realtek.stop_results", FactType::Results, "0", "results of its stop-watch calls"},
  {"realtek.reset_results", FactType::Results, "0", "results of its reset calls"},
  {"touchpad.installed", FactType::Boolean, "true", "\"TactraHidAPI.dll\" lies beside the plug-in"},
  {"touchpad.firmware", FactType::Text, "\"3.1.0.18\"", "the firmware version the library reads (\"1.2.3.4\"); null: the read fails"},
  {"touchpad.init_result", FactType::Integer, "0", "result of the library's init call (0 success)"},
  {"touchpad.register_result", FactType::Integer, "0", "result of its callback registration"},
  {"touchpad.unregister_result", FactType::Integer, "0", "result of its callback removal"},
  {"config", FactType::Map, "", "the device function switch file as sections: `{ \"realtek\": { \"IsSupportRealtekCallback\": \"1\" } }`; absent: no file"},
  {"config.*", FactType::Map, "", "one section's keys and values"},
  {"config.*.*", FactType::Any, "", "one key's value (a text, or a number written as its text)"},
  {"config_xml", FactType::Text, "", "the same as plain XML text, sealed as it is"},
  {"config_file_hex", FactType::Hex, "", "the stored bytes themselves (for short or damaged files)"},
  {"config_folder", FactType::Text, "\"host\"", "where the file lies: \"host\" (`config\\` beside the host executable, where the switch query looks) or \"plugin_dir\" (`config\\` in the plug-in's folder, where the display audio delay reader looks); the same place while both folders are one. A `set` of any `config` fact during the run seals and lays the file anew (null facts: the file goes)"},
  {"disks", FactType::List, "[]", "the physical disks, see \"Disks\" below"},
  {"disk_state.*.smart_enabled", FactType::Boolean, "", "S.M.A.R.T. of disk N was enabled while the plug-in ran (kept by the emulator)"},
  {"volumes", FactType::Map, "{}", "drive letters: `{ \"C\": { \"disk\": 0 }, \"D\": { \"disks\": [1, 2] }, \"E\": { \"type\": 2 } }`"},
  {"volumes.*", FactType::Map, "", "one drive letter's volume"},
  {"volumes.*.disk", FactType::Integer, "", "the one disk of the volume"},
  {"volumes.*.disks", FactType::Integers, "", "the disks a spanned volume lies on"},
  {"volumes.*.type", FactType::Integer, "3", "`GetDriveTypeW` of the letter (3 fixed)"},
  {"controllers.ide", FactType::List, "[]", "WMI IDE controllers: `[{ \"Name\": ..., \"DeviceID\": ..., \"devices\": [{ \"Name\": ..., \"DeviceID\": ... }] }]`"},
  {"controllers.scsi", FactType::List, "[]", "WMI SCSI controllers, the same way"},
  {"controllers.usb", FactType::List, "[]", "WMI USB controllers, the same way"},
  {"services", FactType::Map, "{\"Winmgmt\": {\"state\": \"running\"}}", "services by name; started and stopped through the service manager or the hardware library (`StartServiceByName`, `StopServiceByName`, `IsServiceRunning`)"},
  {"services.*", FactType::Map, "", "one service; an unlisted service does not exist"},
  {"services.*.state", FactType::Text, "\"running\"", "\"running\" or \"stopped\" (\"start_pending\" while a start takes its time)"},
  {"services.*.start", FactType::Text, "\"ok\"", "what a start does: \"ok\", \"fail\" or \"after_sc\" (starts only after \"sc config NAME start= auto\")"},
  {"services.*.start_delay_ms", FactType::Integer, "0", "how long a start takes"},
  {"services.*.running_at_ms", FactType::Integer, "0", "when a pending start completes (kept by the emulator)"},
  {"services.*.configured_auto", FactType::Boolean, "false", "the start type was set to automatic (kept by the emulator)"},
  {"programs", FactType::Map, "{}", "programs by their executable's file name (letter case ignored). Started (by `CreateProcessW` or another program's `starts`) a program runs `runs_ms` of virtual time, or fails to start with `start_error`. The effect `start:NAME` applies when it starts, `exit:NAME` when it ends by itself"},
  {"programs.*.runs_ms", FactType::Integer, "0", "how long it runs (0: it ends at once; null: until killed)"},
  {"programs.*.exit_code", FactType::Integer, "0", "its exit code"},
  {"programs.*.start_error", FactType::Integer, "0", "it cannot start: the error number"},
  {"programs.*.starts", FactType::Texts, "[]", "programs it starts, e.g. [\"Setup.exe\"]"},
  {"programs.*.protected", FactType::Boolean, "false", "it runs as a protected process: opening it for more than waiting, terminating or a limited query is refused (ERROR_ACCESS_DENIED, a process line with op \"access_denied\")"},
  {"processes", FactType::Texts, "[]", "executable names running from t = 0 (they run until killed, unless their program has `runs_ms`)"},
  {"config_manager.locate_error", FactType::Integer, "0", "make `CM_Locate_DevNodeW` fail with that CONFIGRET"},
  {"config_manager.reenumerate_error", FactType::Integer, "0", "make `CM_Reenumerate_DevNode` fail with that CONFIGRET; re-enumerating the root is a hardware rescan"},
  {"wmi.connect_error", FactType::Integer, "0", "an HRESULT that makes `ConnectServer` fail"},
  {"wmi.timeout_classes", FactType::Texts, "[]", "WMI classes whose enumerations time out"},
  {"files", FactType::Map, "{}", "more files on the C: drive: `{ \"C:\\\\path\": \"content\" }`"},
  {"files.*", FactType::Text, "", "one file's content"},
  {"links", FactType::Map, "{}", "links on the C: drive, laid after `files`: `{ \"C:\\\\path\": { \"to\": \"C:\\\\target\", \"kind\": \"symbolic\" } }`. A symbolic link is a reparse point that opening follows; a hard link is a second name of the target file"},
  {"links.*.to", FactType::Text, "", "the existing file or folder it leads to"},
  {"links.*.kind", FactType::Text, "\"symbolic\"", "\"symbolic\" or \"hard\""},
  {"usb_hubs", FactType::Map, "{}", "`UsbDeviceInterface::GetAllUsbPortDeviceTypeMp`: `{ \"HUB_ID\": [[\"port\", \"key\", \"value\"], ...] }`"},
  {"usb_hubs.*", FactType::List, "", "one hub's `[port, key, value]` entries"},
  {"monitors.addresses", FactType::Integers, "[4357]", "`MonitorDeviceInterface::GetMonitorAddressList` (the built-in panel first)"},
  {"monitors.hardware_ids", FactType::Texts, "[\"MONITOR\\\\BOE0A1B\"]", "the devices of the monitor class (the built-in panel first)"},
  {"screen.width", FactType::Integer, "1920", "the screen's width in pixels; toolkit windows open centred on it"},
  {"screen.height", FactType::Integer, "1080", "its height in pixels"},
  {"screen.scale_percent", FactType::Integer, "100", "the display scale (`CResourceManager::Scale`): layout pixels × scale / 100"},
  {"screen.direction", FactType::Text, "\"ltr\"", "the toolkit's layout direction: \"ltr\" or \"rtl\" (`UICulture::getDirection` gives 1)"},
  {"toolkit_layouts", FactType::Map, "", "the host's own layouts in place of the emulator's (`emulator/res/layout/`), by name: `{ \"res/layout/fix/FixRemindDlg.xml\": \"<Window size=\\\"440,220\\\">...</Window>\" }`. A layout is a root element with `size=\"w,h\"` whose descendants are controls with `name`, `pos=\"left,top,right,bottom\"` (in the window, at 100 %), `text`, `userdata`, `visible=\"false\"`; one that cannot be read (or nests deeper than 32 levels) gives a `ui` line \"layout_error\" and no window"},
  {"toolkit_layouts.*", FactType::Text, "", "one layout's XML text"},
  {"disabled_devices", FactType::Texts, "[]", "hardware ids standing disabled (kept by the emulator as devices are disabled and enabled; fdhost reports any still present after unload)"},
  {"effects", FactType::Map, "{}", "what actions change: `{ \"ACTION\": { \"dotted.path\": value } }`, applied each time the action happens. Actions: `gpio_repower`, `rescan`, `bt_usb_repair`, `realtek_reset`, `enable:HWID`, `disable:HWID`, `uninstall:HWID`, `start:PROGRAM`, `exit:PROGRAM`. Paths may pick list elements: `{ \"rescan\": { \"devices.1.soft_components\": [\"SWC\\\\X\"] } }`"},
  {"effects.*", FactType::Map, "", "one action's changes, dotted path to value; each path is checked as a `set` is"},
  // One physical drive, "\\.\PhysicalDrive" + number.
  {"disks.*.number", FactType::Integer, "", "physical drive number"},
  {"disks.*.kind", FactType::Text, "\"ata\"", "\"ata\" or \"nvme\""},
  {"disks.*.paths", FactType::Texts, "", "the command paths it answers: \"ata_pass_through\", \"legacy\", \"scsi_miniport\", \"silicon_image\", \"predict_failure\", \"sat\", \"prolific\", \"sunplus\", \"io_data\", \"logitec1\", \"logitec2\", \"jmicron\", \"cypress\", \"nvme_storage_query\", \"nvme_samsung\", \"nvme_intel\", \"nvme_jmicron\", \"nvme_asmedia\" (ATA: pass-through and legacy; NVMe: storage query)"},
  {"disks.*.model", FactType::Text, "", "model name"},
  {"disks.*.serial", FactType::Text, "", "serial number"},
  {"disks.*.firmware", FactType::Text, "", "firmware revision"},
  {"disks.*.sectors", FactType::Integer, "976773168", "capacity: LBA48 sector count"},
  {"disks.*.lba28", FactType::Integer, "", "LBA28 sector count (min(sectors, 0x0FFFFFFF))"},
  {"disks.*.chs", FactType::Integers, "[16383, 16, 63]", "`[cylinders, heads, sectors]`"},
  {"disks.*.sata", FactType::Integer, "3", "SATA generation supported"},
  {"disks.*.negotiated", FactType::Integer, "", "SATA generation negotiated (the supported one)"},
  {"disks.*.word76", FactType::Integer, "", "raw IDENTIFY word 76"},
  {"disks.*.word77", FactType::Integer, "", "raw IDENTIFY word 77"},
  {"disks.*.word80", FactType::Integer, "2032", "raw IDENTIFY word 80 (ACS-3)"},
  {"disks.*.word81", FactType::Integer, "283", "raw IDENTIFY word 81"},
  {"disks.*.word88", FactType::Integer, "16511", "raw IDENTIFY word 88"},
  {"disks.*.smart", FactType::Boolean, "true", "S.M.A.R.T. feature set"},
  {"disks.*.lba48", FactType::Boolean, "true", "48-bit addressing"},
  {"disks.*.apm", FactType::Boolean, "false", "advanced power management"},
  {"disks.*.apm_enabled", FactType::Boolean, "true", "APM enabled (when supported)"},
  {"disks.*.aam", FactType::Boolean, "false", "automatic acoustic management"},
  {"disks.*.aam_enabled", FactType::Boolean, "true", "AAM enabled (when supported)"},
  {"disks.*.ncq", FactType::Boolean, "true", "native command queuing"},
  {"disks.*.trim", FactType::Boolean, "false", "data set management (TRIM)"},
  {"disks.*.devsleep", FactType::Boolean, "false", "DevSleep"},
  {"disks.*.nv_cache", FactType::Boolean, "false", "non-volatile cache"},
  {"disks.*.rotation", FactType::Integer, "7200", "IDENTIFY word 217 (1 = SSD)"},
  {"disks.*.form_factor", FactType::Integer, "3", "IDENTIFY word 168 (3: 2.5 inch)"},
  {"disks.*.buffer_sectors", FactType::Integer, "0", "IDENTIFY word 21"},
  {"disks.*.attributes", FactType::List, "[]", "S.M.A.R.T. attributes"},
  {"disks.*.attributes.*.id", FactType::Integer, "0", "attribute id"},
  {"disks.*.attributes.*.flags", FactType::Integer, "50", "status flags"},
  {"disks.*.attributes.*.current", FactType::Integer, "100", "current value"},
  {"disks.*.attributes.*.worst", FactType::Integer, "100", "worst value"},
  {"disks.*.attributes.*.raw", FactType::Integer, "0", "raw value (48 bits)"},
  {"disks.*.attributes.*.threshold", FactType::Integer, "0", "threshold"},
  {"disks.*.attributes.*.reserved", FactType::Integer, "0", "the entry's last byte"},
  {"disks.*.smart_enabled", FactType::Boolean, "true", "S.M.A.R.T. reads fail until ENABLE when false"},
  {"disks.*.identify_hex", FactType::Hex, "", "a raw 512-byte IDENTIFY block instead"},
  {"disks.*.smart_data_hex", FactType::Hex, "", "a raw 512-byte S.M.A.R.T. data block instead"},
  {"disks.*.smart_thresholds_hex", FactType::Hex, "", "a raw 512-byte thresholds block instead"},
  {"disks.*.version", FactType::Integer, "66560", "NVMe version (1.4)"},
  {"disks.*.pci_vendor", FactType::Integer, "5197", "NVMe PCI vendor id (0x144D)"},
  {"disks.*.log", FactType::Map, "{}", "NVMe health log: `temperature_k`, `available_spare`, `spare_threshold`, `percentage_used`, `critical_warning`, `data_units_read`, `data_units_written`, `host_read_commands`, `host_write_commands`, `busy_minutes`, `power_cycles`, `power_on_hours`, `unsafe_shutdowns`, `media_errors`, `error_log_entries`"},
  {"disks.*.log.*", FactType::Integer, "0", "one NVMe health log field"},
  {"disks.*.nvme_identify_hex", FactType::Hex, "", "a raw NVMe identify block instead"},
  {"disks.*.nvme_log_hex", FactType::Hex, "", "a raw NVMe health log block instead"},
  {"disks.*.faults", FactType::Map, "{}", "`{ \"fail\": [paths], \"empty_model\": [paths], \"zero\": [paths], \"short\": [paths], \"log_needs_all_namespaces\": true }`"},
  {"disks.*.faults.*", FactType::Any, "", "command paths with that fault, or `log_needs_all_namespaces`"},
  {"disks.*.scsi_port", FactType::Integer, "0", "SCSI port number"},
  {"disks.*.scsi_target", FactType::Integer, "", "target id on the port (the drive number)"},
  {"disks.*.target", FactType::Integer, "160", "device byte (0xA0 or 0xB0)"},
  {"disks.*.removable", FactType::Boolean, "false", "removable media (geometry and descriptor)"},
  {"disks.*.bus_type", FactType::Integer, "", "descriptor bus type (7 USB; 11 SATA or 17 NVMe by default)"},
  {"disks.*.wmi", FactType::Any, "", "`Win32_DiskDrive` properties overriding the derived ones (`Model`, `DeviceID`, `Size`, `MediaType`, `InterfaceType`, `PNPDeviceID`, `FirmwareRevision`, ...); `false` hides the disk from WMI"},
  {"disks.*.failure_predict", FactType::Boolean, "false", "the disk is in the WMI failure-predict classes"},
  {"disks.*.vendor_capacity_mb", FactType::Integer, "", "what `CDisk::GetTotalVendorCapacityM` answers for the disk's index (sectors × 512 / 10^6)"},
  {"disks.*.controller_id", FactType::Text, "", "the SCSI controller its PnP entity is associated with (NVMe link)"},
  {"disks.*.pcie", FactType::Map, "", "that controller's link: `{ \"current_speed\": 3, \"current_width\": 4, \"max_speed\": 4, \"max_width\": 4 }` (speed = PCIe generation)"},
  {"disks.*.pcie.*", FactType::Integer, "", "one link property"},
};
// clang-format on

// One declared fact, found at compile time: a path that is not declared, or is declared with
// another type, does not compile.
struct FactRef {
  std::size_t index;
  const FactDecl& Decl() const { return kFacts[index]; }
};

consteval FactRef FactOf(std::string_view path, FactType type) {
  for (std::size_t i = 0; i < std::size(kFacts); ++i) {
    if (kFacts[i].path == path) {
      if (kFacts[i].type != type)
        throw "the fact is declared with another type";
      return FactRef{i};
    }
  }
  throw "no such fact";
}

}  // namespace emu
