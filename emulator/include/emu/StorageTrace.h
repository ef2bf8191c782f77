#pragma once
// What the plug-in asked of the virtual disks, in order, for tests and diagnostics.
#include <mutex>
#include <string>
#include <vector>

namespace emu {

struct StorageRequest {
  std::string device;   // "PhysicalDrive0", "Scsi1:"
  std::string request;  // "ATA_PASS_THROUGH", "SMART_RCV_DRIVE_DATA", ...
  std::string command;  // "EC", "B0/D0", "identify", "log", ...
  bool ok = false;
  std::string inHex;  // the request's first bytes (up to 96), lower-case hex
};

class StorageTrace {
 public:
  static StorageTrace& Instance();
  void Clear();
  void Add(StorageRequest request);
  std::vector<StorageRequest> All() const;

 private:
  StorageTrace() = default;
  mutable std::mutex mu_;
  std::vector<StorageRequest> requests_;
};

}  // namespace emu
