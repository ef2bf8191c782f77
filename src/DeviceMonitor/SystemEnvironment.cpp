#include "DeviceMonitor/SystemEnvironment.h"

#include <string>

#include "hostapi/ProductAdapt.h"
#include "platform/DebugOutput.h"

namespace {

using Query = int (ProductAdapt::ProductFeature::*)(bool&);

// A status other than 0 is noted for an attached debugger, not the log.
bool Ask(Query query, const wchar_t* name, const wchar_t* function) {
  bool supported = false;
  const int status = (ProductAdapt::ProductFeature::GetInstance().*query)(supported);
  if (status != 0) {
    platform::OutputDebugStringW(L"result=" + std::to_wstring(status) + L" " + name + L"=" +
                                 (supported ? L"1" : L"0") + L"(" + function + L")\n");
  }
  return supported;
}

}  // namespace

bool SystemEnvironment::IsSupportWifiGpio() {
  return Ask(&ProductAdapt::ProductFeature::GetWifiGpioStatus, L"IsSupportWifiGpio",
             L"SystemEnvironment::IsSupportWifiGpio");
}

bool SystemEnvironment::IsSupportWifiBiosRepair() {
  return Ask(&ProductAdapt::ProductFeature::GetWifiBiosRepairStatus, L"IsSupportWifiBiosRepair",
             L"SystemEnvironment::IsSupportWifiBiosRepair");
}

bool SystemEnvironment::IsSupportBtGpio() {
  return Ask(&ProductAdapt::ProductFeature::GetBtGpioStatus, L"IsSupportBtGpio",
             L"SystemEnvironment::IsSupportBtGpio");
}
