// What the Wi-Fi repairs test: the card's presence and health, and the stored driver.
#include "hostapi/HardwareSdk.h"
#include "hostapi/SystemSdk.h"
#include "repair/ProcessWifiRepair.h"

namespace {
constexpr int kWirelessCard = 0;
constexpr std::uint32_t kNoProblem = 0;
constexpr std::uint32_t kDisabled = 22;
}  // namespace

const wchar_t* const kStoredDriverFolder = L"C://Windows//OriginalDriver//WifiDriver";

bool IsWifiCardPresent() {
  return !CNetworkCard().GetWireLessCardHardID().empty();
}

bool IsWifiCardWorking() {
  CNetworkCard card;
  if (card.GetWireLessCardHardID().empty())
    return false;
  const std::uint32_t code = card.GetProblemCode(kWirelessCard);
  return code == kNoProblem || code == kDisabled;
}

std::wstring GetStoredDriverVersion(const std::wstring& installerPath) {
  const std::size_t slash = installerPath.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? installerPath : installerPath.substr(slash + 1);
  const std::size_t dot = name.find_last_of(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

void IsStoredWifiDriverInstalled(std::uint32_t& flag) {
  flag = 0;
  const std::wstring installed = CNetworkCard().GetDriverVersion(kWirelessCard);
  for (const auto& file : CFileProcess().GetTypeFiles(kStoredDriverFolder, L".exe")) {
    const std::wstring stored = GetStoredDriverVersion(file);
    if (stored.empty())
      continue;
    if (stored == installed)
      flag = 1;
    return;
  }
}
