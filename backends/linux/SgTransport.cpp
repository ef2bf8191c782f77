#include "SgTransport.h"

#include "LinuxMachine.h"

#include <linux/nvme_ioctl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace linuxdisk {

namespace {

// The command and what came back, for people chasing a disk that does not answer.
void TraceScsi(const ScsiCommand& c, const sg_io_hdr_t& io) {
  std::string line = "fddisk:   cdb";
  char b[8];
  for (int i = 0; i < c.cdbLength; ++i) {
    std::snprintf(b, sizeof b, " %02x", c.cdb[i]);
    line += b;
  }
  std::snprintf(b, sizeof b, "%02x", io.status);
  line += std::string(" -> status ") + b + ", sense";
  for (int i = 0; i < io.sb_len_wr; ++i) {
    std::snprintf(b, sizeof b, " %02x", c.sense[i]);
    line += b;
  }
  std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace

bool SgTransport::Scsi(ScsiCommand& command, int* error) {
  sg_io_hdr_t io;
  std::memset(&io, 0, sizeof io);
  io.interface_id = 'S';
  io.cmd_len = command.cdbLength;
  io.cmdp = command.cdb.data();
  io.dxfer_direction = command.dataLength == 0
                           ? SG_DXFER_NONE
                           : (command.dataIn ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV);
  io.dxferp = command.data;
  io.dxfer_len = command.dataLength;
  io.sbp = command.sense.data();
  io.mx_sb_len = static_cast<unsigned char>(command.sense.size());
  io.timeout = command.timeoutMs;
  if (ioctl(fd_, SG_IO, &io) != 0) {
    *error = errno;
    return false;
  }
  if (Machine().traceCommands)
    TraceScsi(command, io);
  command.status = io.status;
  command.senseLength = io.sb_len_wr;
  command.residual = static_cast<std::uint32_t>(io.resid);
  // The host adapter or the driver failed the transfer (a driver status of 8 only says that
  // sense data came back).
  const int driver = io.driver_status & 0x0F;
  if (io.host_status != 0 || (driver != 0 && driver != 8)) {
    *error = EIO;
    return false;
  }
  return true;
}

bool SgTransport::NvmeAdmin(NvmeAdminCommand& command, int* error) {
  nvme_admin_cmd cmd;
  std::memset(&cmd, 0, sizeof cmd);
  cmd.opcode = command.opcode;
  cmd.nsid = command.nsid;
  cmd.addr = reinterpret_cast<std::uintptr_t>(command.data);
  cmd.data_len = command.dataLength;
  cmd.cdw10 = command.cdw10;
  cmd.cdw11 = command.cdw11;
  cmd.timeout_ms = 20000;
  const int status = ioctl(fd_, NVME_IOCTL_ADMIN_CMD, &cmd);
  if (status != 0) {
    *error = status < 0 ? errno : status;
    return false;
  }
  command.result = cmd.result;
  return true;
}

}  // namespace linuxdisk
