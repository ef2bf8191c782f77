#pragma once
// A sysfs tree in a temporary folder, as the kernel lays it out for a few disks: block/NAME
// with size, queue values and a device link into devices/.../H:C:T:L (or .../nvme/nvmeN).
#include <filesystem>
#include <fstream>
#include <string>

class FakeSysfs {
 public:
  FakeSysfs() {
    root_ = std::filesystem::temp_directory_path() /
            ("fd-sysfs-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "block");
  }
  ~FakeSysfs() { std::filesystem::remove_all(root_); }
  FakeSysfs(const FakeSysfs&) = delete;
  FakeSysfs& operator=(const FakeSysfs&) = delete;

  std::string Root() const { return root_.string(); }

  // A disk whose device directory is devicePath (relative to devices/); files go into the
  // device directory (model, vendor, rev, serial, firmware_rev).
  void AddDisk(const std::string& name, const std::string& devicePath, std::uint64_t sectors,
               std::initializer_list<std::pair<const char*, const char*>> deviceFiles,
               bool rotational = false, bool removable = false) {
    const auto device = root_ / "devices" / devicePath;
    std::filesystem::create_directories(device);
    for (const auto& [file, text] : deviceFiles)
      Write(device / file, text);
    const auto block = root_ / "block" / name;
    std::filesystem::create_directories(block / "queue");
    Write(block / "size", std::to_string(sectors) + "\n");
    Write(block / "removable", removable ? "1\n" : "0\n");
    Write(block / "queue" / "rotational", rotational ? "1\n" : "0\n");
    Write(block / "queue" / "logical_block_size", "512\n");
    std::filesystem::create_directory_symlink(device, block / "device");
  }
  void AddOther(const std::string& name) {
    std::filesystem::create_directories(root_ / "block" / name);
  }
  static void Write(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path) << text;
  }

 private:
  std::filesystem::path root_;
};
