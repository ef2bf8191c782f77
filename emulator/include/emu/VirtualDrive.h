#pragma once
// The virtual laptop's C: drive, kept in a temporary folder of this process.
#include <cstdint>
#include <string>
#include <vector>

namespace emu {

class VirtualDrive {
 public:
  static VirtualDrive& Instance();

  // Empties the drive.
  void Reset();
  // The host path of a Windows path ("C:\\Windows\\x.dll"); empty when it is not on C:.
  std::string HostPath(const std::string& windowsPath) const;
  bool Exists(const std::string& windowsPath) const;
  bool IsFolder(const std::string& windowsPath) const;
  // Creates the folders on the way. False when the path is not on C:.
  bool WriteFile(const std::string& windowsPath, const std::vector<std::uint8_t>& bytes);
  bool Remove(const std::string& windowsPath);
  // Makes the path a link to an existing target on the drive: a symbolic link (a reparse
  // point, followed when opened) or a hard link (a second name of the target file). Creates
  // the folders on the way; false when either path is not on C: or the link cannot be made.
  enum class LinkKind { Symbolic, Hard };
  bool Link(const std::string& windowsPath, const std::string& windowsTarget, LinkKind kind);
  // The files (not folders) of a folder as Windows paths (the folder as given, a backslash,
  // the name), by name; empty when the folder does not exist.
  std::vector<std::string> List(const std::string& windowsFolder) const;

  // The folder part and the file name of a Windows path.
  static std::string Folder(const std::string& windowsPath);

 private:
  VirtualDrive();
  std::string root_;
};

}  // namespace emu
