#pragma once
// Product capability queries of the repairs.
class SystemEnvironment {
 public:
  static bool IsSupportWifiGpio();
  static bool IsSupportWifiBiosRepair();
  static bool IsSupportBtGpio();
};
