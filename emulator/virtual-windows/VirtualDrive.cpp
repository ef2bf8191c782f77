#include "emu/VirtualDrive.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace emu {

namespace fs = std::filesystem;

VirtualDrive& VirtualDrive::Instance() {
  static VirtualDrive* instance = new VirtualDrive();
  return *instance;
}

VirtualDrive::VirtualDrive() {
  std::string pattern = (fs::temp_directory_path() / "fdemu-drive-XXXXXX").string();
  if (!mkdtemp(pattern.data()))
    return;
  root_ = pattern;
  // The folder goes with the process (the instance itself is never destroyed).
  std::atexit([] {
    std::error_code ec;
    fs::remove_all(Instance().root_, ec);
  });
}

void VirtualDrive::Reset() {
  if (root_.empty())
    return;
  std::error_code ec;
  fs::remove_all(fs::path(root_) / "C", ec);
}

std::string VirtualDrive::HostPath(const std::string& windowsPath) const {
  if (root_.empty() || windowsPath.size() < 2 || windowsPath[1] != ':')
    return "";
  if (windowsPath[0] != 'C' && windowsPath[0] != 'c')
    return "";
  std::string rest = windowsPath.substr(2);
  for (auto& c : rest) {
    if (c == '\\')
      c = '/';
  }
  fs::path path = fs::path(root_) / "C";
  for (const auto& part : fs::path(rest)) {
    const std::string name = part.string();
    if (name.empty() || name == "/" || name == ".")
      continue;
    if (name == "..")
      return "";  // stays inside the drive
    path /= name;
  }
  return path.string();
}

bool VirtualDrive::IsFolder(const std::string& windowsPath) const {
  const std::string host = HostPath(windowsPath);
  std::error_code ec;
  return !host.empty() && fs::is_directory(host, ec);
}

std::vector<std::string> VirtualDrive::List(const std::string& windowsFolder) const {
  std::vector<std::string> names;
  const std::string host = HostPath(windowsFolder);
  std::error_code ec;
  if (host.empty() || !fs::is_directory(host, ec))
    return names;
  for (const auto& entry : fs::directory_iterator(host, ec)) {
    if (entry.is_regular_file(ec))
      names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::string folder = windowsFolder;
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
    folder.pop_back();
  for (auto& name : names)
    name = folder + "\\" + name;
  return names;
}

bool VirtualDrive::Exists(const std::string& windowsPath) const {
  const std::string host = HostPath(windowsPath);
  std::error_code ec;
  return !host.empty() && fs::exists(host, ec);
}

bool VirtualDrive::WriteFile(const std::string& windowsPath,
                             const std::vector<std::uint8_t>& bytes) {
  const std::string host = HostPath(windowsPath);
  if (host.empty())
    return false;
  std::error_code ec;
  fs::create_directories(fs::path(host).parent_path(), ec);
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool VirtualDrive::Remove(const std::string& windowsPath) {
  const std::string host = HostPath(windowsPath);
  std::error_code ec;
  return !host.empty() && fs::remove(host, ec);
}

bool VirtualDrive::Link(const std::string& windowsPath, const std::string& windowsTarget,
                        LinkKind kind) {
  const std::string host = HostPath(windowsPath);
  const std::string target = HostPath(windowsTarget);
  std::error_code ec;
  if (host.empty() || target.empty() || !fs::exists(target, ec))
    return false;
  fs::create_directories(fs::path(host).parent_path(), ec);
  fs::remove(host, ec);
  if (kind == LinkKind::Hard)
    fs::create_hard_link(target, host, ec);
  else
    fs::create_symlink(target, host, ec);
  return !ec;
}

std::string VirtualDrive::Folder(const std::string& windowsPath) {
  const auto slash = windowsPath.find_last_of("\\/");
  return slash == std::string::npos ? "" : windowsPath.substr(0, slash);
}

}  // namespace emu
