#pragma once
// The host's product adaptation (HardwareHal): product index and capabilities.
namespace ProductAdapt {

class MachineType {
 public:
  static MachineType& GetInstance();
  int GetProductIndex();

 private:
  MachineType() = default;
};

// Each query returns a status (0 success) and the capability in its out argument.
class ProductFeature {
 public:
  static ProductFeature& GetInstance();
  int GetWifiGpioStatus(bool& supported);
  int GetWifiBiosRepairStatus(bool& supported);
  int GetBtGpioStatus(bool& supported);

 private:
  ProductFeature() = default;
};

}  // namespace ProductAdapt
