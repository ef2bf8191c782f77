#pragma once
// The real transport: SG_IO and NVME_IOCTL_ADMIN_CMD on an open disk device.
#include "Transport.h"

namespace linuxdisk {

class SgTransport : public Transport {
 public:
  explicit SgTransport(int fd) : fd_(fd) {}
  bool Scsi(ScsiCommand& command, int* error) override;
  bool NvmeAdmin(NvmeAdminCommand& command, int* error) override;

 private:
  int fd_;
};

}  // namespace linuxdisk
