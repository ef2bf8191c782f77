#pragma once
// Repairs of the Wi-Fi card on the host's request: the driver reinstall from the package
// kept on the computer, the removal of installed wireless software, hardware rescans, the
// stored-driver check and the winsock reset.
#include <cstdint>
#include <string>
#include <vector>

// Results of the reinstall.
constexpr std::uint32_t kReinstallCardWorks = 0;
constexpr std::uint32_t kReinstallNoInstaller = 2;
constexpr std::uint32_t kReinstallNoScript = 24;  // EXIT_RUNINSTALLBAT_FAIL
constexpr std::uint32_t kReinstallCardStillFails = 26;
// Result of the software removal when an uninstall command could not be run.
constexpr std::uint32_t kUninstallFailed = 12;

extern const wchar_t* const kStoredDriverFolder;  // "C://Windows//OriginalDriver//WifiDriver"

class CProcessWifiRepair {
 public:
  // Reinstalls the driver unless the card works; one reinstall at a time in the process.
  static std::uint32_t ReInsatllDriver();
  // Asks Windows to re-enumerate the device tree.
  static void ScanForHardwareChange();
  // Runs the quiet uninstall of every installed wireless software package: 0 or 12.
  static std::uint32_t UnistaProsWifiSoft();
  // Runs a command line hidden and waits for it (up to 10 minutes). Unless alreadyQuoted,
  // a line without double quotes is put in quotes. False when it cannot be started.
  static bool RunExecute(const std::wstring& commandLine, bool alreadyQuoted);
};

// One installed wireless software package, from its Uninstall subkey.
struct WirelessSoftwareEntry {
  std::wstring subkeyName;
  std::wstring displayName;
  std::wstring publisher;
  std::wstring displayVersion;
  std::wstring uninstallString;
  std::wstring quietUninstallString;
};

void FindWirelessSoftwareEntries(std::vector<WirelessSoftwareEntry>& entries);
// The MsiExec install command of the braced product code in the text; empty when it holds
// no usable code.
std::wstring BuildMsiInstallCommand(const std::wstring& text);

// The card has a hardware id / also works (problem code 0 or 22).
bool IsWifiCardPresent();
bool IsWifiCardWorking();
// flag = 1 when the installed driver's version is the stored installer's name.
void IsStoredWifiDriverInstalled(std::uint32_t& flag);
// The stored installer's file name without its extension: the version it installs.
std::wstring GetStoredDriverVersion(const std::wstring& installerPath);

// netsh winsock reset, waited for up to 30 s.
void ResetWinsock();
