// The Windows storage controls carried out through the Linux transport: the CDBs and NVMe
// commands sent, and the Windows answer buffers, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <functional>

#include "AtaPassThrough.h"
#include "LinuxMachine.h"
#include "StorageControls.h"
#include "platform/Storage.h"

namespace {

using linuxdisk::AtaTaskFile;

std::string Hex(const std::uint8_t* p, std::size_t n) {
  std::string out;
  char b[3];
  for (std::size_t i = 0; i < n; ++i) {
    std::snprintf(b, sizeof b, "%02x", p[i]);
    out += b;
  }
  return out;
}

// The registers a drive returns, as descriptor-format sense with the ATA Status Return
// descriptor.
std::vector<std::uint8_t> StatusSense(std::uint8_t status, std::uint8_t error = 0) {
  return {0x72,  0x01, 0x00, 0x1d, 0,    0,    0,    0x0e, 0x09, 0x0c, 0x00,
          error, 0x00, 0x01, 0x00, 0x01, 0x00, 0x4f, 0x00, 0xc2, 0xa0, status};
}

// Answers from a script: each SCSI command is recorded and gets the next answer.
class ScriptedTransport : public linuxdisk::Transport {
 public:
  struct Answer {
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> sense;
    std::uint8_t status = 0;
  };
  std::vector<linuxdisk::ScsiCommand> sent;
  std::vector<std::vector<std::uint8_t>> sentData;  // what each data-out command carried
  std::vector<linuxdisk::NvmeAdminCommand> admin;
  std::deque<Answer> answers;
  int refuseWith = 0;  // the kernel refuses every command with this errno

  bool Scsi(linuxdisk::ScsiCommand& c, int* error) override {
    if (refuseWith) {
      *error = refuseWith;
      return false;
    }
    sent.push_back(c);
    sentData.emplace_back(c.dataIn || !c.data ? nullptr : c.data,
                          c.dataIn || !c.data ? nullptr : c.data + c.dataLength);
    Answer a = answers.empty() ? Answer{} : answers.front();
    if (!answers.empty())
      answers.pop_front();
    if (c.dataIn && c.data && !a.data.empty())
      std::memcpy(c.data, a.data.data(), std::min<std::size_t>(a.data.size(), c.dataLength));
    c.residual =
        c.dataLength > a.data.size() ? c.dataLength - static_cast<std::uint32_t>(a.data.size()) : 0;
    std::copy(a.sense.begin(), a.sense.end(), c.sense.begin());
    c.senseLength = static_cast<std::uint8_t>(a.sense.size());
    c.status = a.status;
    return true;
  }
  bool NvmeAdmin(linuxdisk::NvmeAdminCommand& c, int*) override {
    admin.push_back(c);
    for (std::uint32_t i = 0; i < c.dataLength; ++i)
      c.data[i] = static_cast<std::uint8_t>(i);
    return true;
  }
};

struct Fixture {
  ScriptedTransport transport;
  linuxdisk::DiskDevice device;
  Fixture(bool nvme = false) {
    device.disk.name = nvme ? "nvme0n1" : "sda";
    device.disk.nvme = nvme;
    device.disk.vendor = nvme ? "" : "ATA";
    device.disk.model = nvme ? "QEMU NVMe Ctrl" : "QEMU HARDDISK";
    device.disk.revision = nvme ? "8.2.0" : "2.5+";
    device.disk.serial = nvme ? "fdnvme0001" : "";
    device.disk.busType = nvme ? linuxdisk::kBusNvme : linuxdisk::kBusSata;
    device.disk.sectors = 2097152;
    device.disk.host = 1;
    device.disk.channel = 0;
    device.disk.target = 2;
    device.disk.lun = 0;
    device.transport = &transport;
    device.disk.nvmeController = nvme ? 0 : -1;
  }
  bool Control(DWORD code, const std::vector<std::uint8_t>& in, std::vector<std::uint8_t>& out,
               DWORD* returned, DWORD* error) {
    return linuxdisk::StorageControl(device, code, in.data(), static_cast<DWORD>(in.size()),
                                     out.data(), static_cast<DWORD>(out.size()), returned, error);
  }
};

TEST(AtaPassThrough, CdbsForTheReadersCommands) {
  AtaTaskFile identify{0, 1, 1, 0, 0, 0xA0, 0xEC};
  auto cdb = linuxdisk::AtaPassThrough16(identify, true);
  EXPECT_EQ(Hex(cdb.data(), 16), "85080e00000001000100000000a0ec00");
  // Windows sizes the transfer by the buffer and leaves IDENTIFY's count 0; SAT sizes it by
  // the count, so the CDB carries the one block read.
  AtaTaskFile windowsIdentify{0, 0, 0, 0, 0, 0xA0, 0xEC};
  cdb = linuxdisk::AtaPassThrough16(windowsIdentify, true);
  EXPECT_EQ(Hex(cdb.data(), 16), "85080e00000001000000000000a0ec00");
  AtaTaskFile readData{0xD0, 1, 1, 0x4F, 0xC2, 0xA0, 0xB0};
  cdb = linuxdisk::AtaPassThrough16(readData, true);
  EXPECT_EQ(Hex(cdb.data(), 16), "85080e00d000010001004f00c2a0b000");
  AtaTaskFile enable{0xD8, 1, 1, 0x4F, 0xC2, 0xA0, 0xB0};
  cdb = linuxdisk::AtaPassThrough16(enable, false);
  EXPECT_EQ(Hex(cdb.data(), 16), "85062000d800010001004f00c2a0b000");
}

TEST(AtaPassThrough, RegistersFromBothSenseFormats) {
  AtaTaskFile regs;
  const auto descriptor = StatusSense(0x50);
  ASSERT_TRUE(linuxdisk::ReturnedRegisters(descriptor.data(), descriptor.size(), regs));
  EXPECT_EQ((std::vector<int>{regs.error, regs.sectorCount, regs.lbaLow, regs.lbaMid, regs.lbaHigh,
                              regs.device, regs.status}),
            (std::vector<int>{0, 1, 1, 0x4f, 0xc2, 0xa0, 0x50}));
  // Fixed format: error, status, device, count in the information field, LBA after it.
  const std::uint8_t fixed[18] = {0x70, 0,    0x01, 0x04, 0x51, 0xa0, 0x01, 10, 0,
                                  0x01, 0xf4, 0x2c, 0x00, 0x1d, 0,    0,    0,  0};
  AtaTaskFile f;
  ASSERT_TRUE(linuxdisk::ReturnedRegisters(fixed, sizeof fixed, f));
  EXPECT_EQ(
      (std::vector<int>{f.error, f.status, f.device, f.sectorCount, f.lbaLow, f.lbaMid, f.lbaHigh}),
      (std::vector<int>{4, 0x51, 0xa0, 1, 1, 0xf4, 0x2c}));
  // Fixed sense of another kind, sense without ATA registers, or too short.
  std::uint8_t illegal[18];
  std::memcpy(illegal, fixed, sizeof illegal);
  illegal[2] = 0x05;
  EXPECT_FALSE(linuxdisk::ReturnedRegisters(illegal, sizeof illegal, f));
  const std::uint8_t other[16] = {0x72, 0x05, 0x20, 0x00, 0, 0, 0, 0x08,
                                  0x02, 0x06, 0,    0,    0, 0, 0, 0};
  EXPECT_FALSE(linuxdisk::ReturnedRegisters(other, sizeof other, f));
  EXPECT_FALSE(linuxdisk::ReturnedRegisters(other, 4, f));
}

// ATA_PASS_THROUGH_EX as the reader fills it for IDENTIFY DEVICE.
std::vector<std::uint8_t> IdentifyRequest() {
  std::vector<std::uint8_t> in(52 + 512, 0);
  in[0] = 48;                  // Length
  in[2] = 0x02;                // AtaFlags: data in
  in[8] = 0x00, in[9] = 0x02;  // DataTransferLength 512
  in[12] = 3;                  // TimeOutValue
  in[24] = 52;                 // DataBufferOffset
  const std::uint8_t task[8] = {0, 1, 1, 0, 0, 0xA0, 0xEC, 0};
  std::memcpy(in.data() + 40, task, 8);
  return in;
}

TEST(StorageControls, AtaPassThroughCarriesIdentify) {
  Fixture f;
  std::vector<std::uint8_t> block(512);
  for (int i = 0; i < 512; ++i)
    block[i] = static_cast<std::uint8_t>(i * 7);
  f.transport.answers.push_back({block, StatusSense(0x50), 2});
  const auto in = IdentifyRequest();
  std::vector<std::uint8_t> out(in.size(), 0xEE);
  DWORD returned = 0, error = 0;
  ASSERT_TRUE(f.Control(platform::IOCTL_ATA_PASS_THROUGH, in, out, &returned, &error));
  EXPECT_EQ(returned, 564u);
  ASSERT_EQ(f.transport.sent.size(), 1u);
  EXPECT_EQ(Hex(f.transport.sent[0].cdb.data(), 16), "85080e00000001000100000000a0ec00");
  EXPECT_EQ(f.transport.sent[0].dataLength, 512u);
  EXPECT_EQ(Hex(out.data(), 40), Hex(in.data(), 40));  // the header as sent
  EXPECT_EQ(Hex(out.data() + 40, 8),
            "000101"
            "4fc2a050"
            "00");  // the drive's registers
  EXPECT_EQ(std::memcmp(out.data() + 52, block.data(), 512), 0);
}

TEST(StorageControls, FailuresMapToWindowsErrors) {
  Fixture f;
  const auto in = IdentifyRequest();
  std::vector<std::uint8_t> out(in.size());
  DWORD returned = 0, error = 0;
  // A bridge that knows no ATA PASS-THROUGH: ILLEGAL REQUEST, invalid opcode.
  f.transport.answers.push_back({{}, {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x20, 0}, 2});
  EXPECT_FALSE(f.Control(platform::IOCTL_ATA_PASS_THROUGH, in, out, &returned, &error));
  EXPECT_EQ(error, linuxdisk::kErrorInvalidFunction);
  // The drive aborts the command (status ERR, error ABRT).
  f.transport.answers.push_back({{}, StatusSense(0x51, 0x04), 2});
  EXPECT_FALSE(f.Control(platform::IOCTL_ATA_PASS_THROUGH, in, out, &returned, &error));
  EXPECT_EQ(error, linuxdisk::kErrorIoDevice);
  // The kernel refuses pass-through without CAP_SYS_RAWIO: access denied, and noted so that
  // the user is told what is missing.
  f.transport.refuseWith = EPERM;
  f.device.disk.devicePath = "/dev/sda";
  const std::size_t notedBefore = linuxdisk::Machine().OpenFailures().size();
  EXPECT_FALSE(f.Control(platform::IOCTL_ATA_PASS_THROUGH, in, out, &returned, &error));
  EXPECT_EQ(error, 5u);
  ASSERT_EQ(linuxdisk::Machine().OpenFailures().size(), notedBefore + 1);
  EXPECT_EQ(linuxdisk::Machine().OpenFailures().back().devicePath, "/dev/sda");
  f.transport.refuseWith = EIO;
  EXPECT_FALSE(f.Control(platform::IOCTL_ATA_PASS_THROUGH, in, out, &returned, &error));
  EXPECT_EQ(error, linuxdisk::kErrorIoDevice);
  f.transport.refuseWith = 0;
  // A short request, an unknown control, and NVMe queries to a SATA disk.
  std::vector<std::uint8_t> tiny(20);
  EXPECT_FALSE(f.Control(platform::IOCTL_ATA_PASS_THROUGH, tiny, out, &returned, &error));
  EXPECT_EQ(error, 87u);
  EXPECT_FALSE(f.Control(platform::IOCTL_SCSI_MINIPORT, in, out, &returned, &error));
  EXPECT_EQ(error, linuxdisk::kErrorInvalidFunction);
  EXPECT_FALSE(f.Control(platform::IOCTL_STORAGE_PREDICT_FAILURE, in, out, &returned, &error));
  EXPECT_EQ(error, linuxdisk::kErrorInvalidFunction);
}

TEST(StorageControls, LegacySmartReadAndEnable) {
  Fixture f;
  std::vector<std::uint8_t> in(33, 0);
  in[0] = 0x00, in[1] = 0x02;  // cBufferSize 512
  const std::uint8_t regs[8] = {0xD0, 1, 1, 0x4F, 0xC2, 0xA0, 0xB0, 0};
  std::memcpy(in.data() + 4, regs, 8);
  f.transport.answers.push_back({std::vector<std::uint8_t>(512, 0x5A), StatusSense(0x50), 2});
  std::vector<std::uint8_t> out(528, 0xEE);
  DWORD returned = 0, error = 0;
  ASSERT_TRUE(f.Control(platform::SMART_RCV_DRIVE_DATA, in, out, &returned, &error));
  EXPECT_EQ(returned, 528u);
  EXPECT_EQ(Hex(out.data(), 16),
            "00020000"
            "000000000000000000000000");
  EXPECT_EQ(out[16], 0x5A);
  EXPECT_EQ(out[527], 0x5A);
  // ENABLE OPERATIONS: no data; the registers come back in the buffer.
  in[4] = 0xD8;
  f.transport.answers.push_back({{}, StatusSense(0x50), 2});
  std::vector<std::uint8_t> small(24, 0xEE);
  ASSERT_TRUE(f.Control(platform::SMART_SEND_DRIVE_COMMAND, in, small, &returned, &error));
  EXPECT_EQ(returned, 24u);
  EXPECT_EQ(Hex(f.transport.sent[1].cdb.data(), 16), "85062000d800010001004f00c2a0b000");
  EXPECT_EQ(Hex(small.data(), 24),
            "08000000"
            "000000000000000000000000"
            "0001014fc2a05000");
}

// SCSI_PASS_THROUGH with its sense room and data buffer, as the bridge paths send them.
std::vector<std::uint8_t> PassThrough(const std::vector<std::uint8_t>& cdb, bool dataIn,
                                      std::uint32_t length) {
  std::vector<std::uint8_t> in(92 + (dataIn ? 0 : length), 0);
  in[0] = 56;
  in[6] = static_cast<std::uint8_t>(cdb.size());
  in[7] = 24;
  in[8] = dataIn ? 1 : 0;
  std::memcpy(in.data() + 12, &length, 4);
  in[16] = 2;
  in[24] = 92;
  in[32] = 60;
  std::memcpy(in.data() + 36, cdb.data(), cdb.size());
  return in;
}

TEST(StorageControls, ScsiPassThroughSendsTheCdbAsGiven) {
  Fixture f;
  const std::vector<std::uint8_t> sat12 = {0xA1, 0x08, 0x2E, 0x00, 0x01, 0x00,
                                           0x00, 0x00, 0xA0, 0xEC, 0x00, 0x00};
  f.transport.answers.push_back({std::vector<std::uint8_t>(500, 0x11), {}, 0});
  const auto in = PassThrough(sat12, true, 512);
  std::vector<std::uint8_t> out(92 + 512, 0xEE);
  DWORD returned = 0, error = 0;
  ASSERT_TRUE(f.Control(platform::IOCTL_SCSI_PASS_THROUGH, in, out, &returned, &error));
  ASSERT_EQ(f.transport.sent.size(), 1u);
  EXPECT_EQ(f.transport.sent[0].cdbLength, 12);
  EXPECT_EQ(Hex(f.transport.sent[0].cdb.data(), 12), Hex(sat12.data(), 12));
  EXPECT_EQ(out[2], 0);                            // ScsiStatus
  EXPECT_EQ(Hex(out.data() + 12, 4), "f4010000");  // 500 bytes moved
  EXPECT_EQ(out[7], 0);                            // no sense
  EXPECT_EQ(out[92], 0x11);
  EXPECT_EQ(returned, 92u + 500u);
  // CHECK CONDITION: the command failed.
  f.transport.answers.push_back({{}, {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24, 0}, 2});
  EXPECT_FALSE(f.Control(platform::IOCTL_SCSI_PASS_THROUGH, in, out, &returned, &error));
  EXPECT_EQ(error, linuxdisk::kErrorInvalidFunction);
  // Data out: the bytes after the header go to the device.
  auto send = PassThrough({0xB5, 0xFE, 0, 5, 0, 0, 0, 0, 0, 2, 0, 0}, false, 512);
  send[92] = 0x42;
  std::vector<std::uint8_t> answer(92 + 512);
  f.transport.answers.push_back({{}, {}, 0});
  ASSERT_TRUE(f.Control(platform::IOCTL_SCSI_PASS_THROUGH, send, answer, &returned, &error));
  EXPECT_FALSE(f.transport.sent.back().dataIn);
  ASSERT_EQ(f.transport.sentData.back().size(), 512u);
  EXPECT_EQ(f.transport.sentData.back()[0], 0x42);
}

TEST(StorageControls, DeviceDescriptorGeometryAndAddress) {
  Fixture f;
  std::vector<std::uint8_t> query(12, 0);  // StorageDeviceProperty, standard query
  std::vector<std::uint8_t> out(256, 0xEE);
  DWORD returned = 0, error = 0;
  ASSERT_TRUE(f.Control(platform::IOCTL_STORAGE_QUERY_PROPERTY, query, out, &returned, &error));
  // Version 40, size 64; removable 0, queueing 1; vendor at 40, product at 44, revision at
  // 58; no serial; bus type 11 (SATA); then the texts.
  EXPECT_EQ(returned, 63u);
  EXPECT_EQ(Hex(out.data(), 40),
            "28000000"
            "3f000000"
            "0000"
            "0001"
            "28000000"
            "2c000000"
            "3a000000"
            "00000000"
            "0b000000"
            "00000000"
            "00000000");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out.data()) + 40), "ATA");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out.data()) + 44), "QEMU HARDDISK");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out.data()) + 58), "2.5+");
  std::vector<std::uint8_t> geometry(24);
  ASSERT_TRUE(f.Control(platform::IOCTL_DISK_GET_DRIVE_GEOMETRY, {}, geometry, &returned, &error));
  // 2,097,152 sectors: 130 cylinders of 255 × 63, fixed media, 512 bytes a sector.
  EXPECT_EQ(Hex(geometry.data(), 24),
            "8200000000000000"
            "0c000000"
            "ff000000"
            "3f000000"
            "00020000");
  std::vector<std::uint8_t> address(8);
  ASSERT_TRUE(f.Control(platform::IOCTL_SCSI_GET_ADDRESS, {}, address, &returned, &error));
  EXPECT_EQ(Hex(address.data(), 8), "0800000001000200");
}

// STORAGE_PROPERTY_QUERY with the NVMe protocol block, as the reader sends it.
std::vector<std::uint8_t> NvmeQuery(std::uint32_t type, std::uint32_t value, std::uint32_t sub,
                                    std::uint32_t length) {
  std::vector<std::uint8_t> in(48 + 4096, 0);
  const std::uint32_t words[] = {49, 0, 3, type, value, sub, 40, length};
  std::memcpy(in.data(), words, sizeof words);
  return in;
}

TEST(StorageControls, NvmeQueriesBecomeAdminCommands) {
  Fixture f(true);
  auto in = NvmeQuery(1, 1, 0, 4096);
  std::vector<std::uint8_t> out(in.size(), 0xEE);
  DWORD returned = 0, error = 0;
  ASSERT_TRUE(f.Control(platform::IOCTL_STORAGE_QUERY_PROPERTY, in, out, &returned, &error));
  ASSERT_EQ(f.transport.admin.size(), 1u);
  EXPECT_EQ(f.transport.admin[0].opcode, 0x06);
  EXPECT_EQ(f.transport.admin[0].cdw10, 1u);
  EXPECT_EQ(f.transport.admin[0].dataLength, 4096u);
  EXPECT_EQ(Hex(out.data(), 48), Hex(in.data(), 48));
  EXPECT_EQ(out[48 + 5], 5);  // the controller's bytes at 48
  EXPECT_EQ(returned, 48u + 4096u);
  // The SMART / Health log of all namespaces: 512 bytes, NUMD 127, log id 2.
  in = NvmeQuery(2, 2, 0xFFFFFFFF, 512);
  ASSERT_TRUE(f.Control(platform::IOCTL_STORAGE_QUERY_PROPERTY, in, out, &returned, &error));
  EXPECT_EQ(f.transport.admin[1].opcode, 0x02);
  EXPECT_EQ(f.transport.admin[1].nsid, 0xFFFFFFFFu);
  EXPECT_EQ(f.transport.admin[1].cdw10, 0x007F0002u);
  EXPECT_EQ(returned, 48u + 512u);
  // ATA commands do not reach an NVMe disk.
  const auto identify = IdentifyRequest();
  std::vector<std::uint8_t> ata(identify.size());
  EXPECT_FALSE(f.Control(platform::IOCTL_ATA_PASS_THROUGH, identify, ata, &returned, &error));
  EXPECT_EQ(error, linuxdisk::kErrorInvalidFunction);
  // The device descriptor names the NVMe bus and the serial.
  std::vector<std::uint8_t> query(12, 0), descriptor(256);
  ASSERT_TRUE(
      f.Control(platform::IOCTL_STORAGE_QUERY_PROPERTY, query, descriptor, &returned, &error));
  EXPECT_EQ(descriptor[28], 17);
  EXPECT_NE(descriptor[24], 0);
}

}  // namespace
