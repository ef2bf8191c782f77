// fdconf: seals a plain device function switch XML file into its stored form, and opens a
// stored file back to XML.
//   fdconf seal PLAIN.xml STORED.xml
//   fdconf open STORED.xml [PLAIN.xml]
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "config/ConfigCipher.h"
#include "config/FuncSwitchConfig.h"

namespace {

const char kHelp[] = R"(usage: fdconf seal PLAIN.xml STORED.xml
       fdconf open STORED.xml [PLAIN.xml]

The device function switch file (config\DeviceFuncSwitchConf.xml beside the host) is stored
sealed: a 256-byte header and the XML enciphered with the plug-in's key. seal writes the
stored form of a plain XML file; open writes the XML of a stored file (to standard output
without PLAIN.xml), or says why it cannot: too short, damaged, or sealed with another key.

  --help      this text

Exit status: 0 done; 1 a file could not be read, written or deciphered; 2 bad usage.
)";

int Usage() {
  std::cerr << "usage: fdconf seal PLAIN.xml STORED.xml\n"
               "       fdconf open STORED.xml [PLAIN.xml]\n"
               "       fdconf --help\n";
  return 2;
}

bool ReadAll(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool WriteAll(const std::string& path, const void* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

int Seal(const std::string& plainPath, const std::string& storedPath) {
  std::string text;
  if (!ReadAll(plainPath, text)) {
    std::cerr << "fdconf: cannot read " << plainPath << "\n";
    return 1;
  }
  if (text.find("<config") == std::string::npos) {
    std::cerr << "fdconf: warning: " << plainPath << " has no <config> element\n";
  }
  const auto stored = config::SealConfigText(text);
  if (stored.empty() || !WriteAll(storedPath, stored.data(), stored.size())) {
    std::cerr << "fdconf: cannot write " << storedPath << "\n";
    return 1;
  }
  return 0;
}

int Open(const std::string& storedPath, const std::string& plainPath) {
  std::string bytes;
  if (!ReadAll(storedPath, bytes)) {
    std::cerr << "fdconf: cannot read " << storedPath << "\n";
    return 1;
  }
  if (bytes.size() < config::kMinStoredSize) {
    std::cerr << "fdconf: " << storedPath << " is too short (" << bytes.size()
              << " bytes; a stored file has a 256-byte header and at least one 16-byte block)\n";
    return 1;
  }
  std::uint8_t* plain = nullptr;
  std::uint32_t length = 0;
  if (config::DecryptConfigBuffer(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                  static_cast<std::uint32_t>(bytes.size()), plain, length) != 1) {
    std::cerr << "fdconf: " << storedPath
              << " cannot be deciphered (damaged, or not sealed with this module's key)\n";
    return 1;
  }
  const bool ok =
      plainPath.empty()
          ? static_cast<bool>(std::cout.write(reinterpret_cast<const char*>(plain), length))
          : WriteAll(plainPath, plain, length);
  delete[] plain;
  if (!ok) {
    std::cerr << "fdconf: cannot write " << (plainPath.empty() ? "the output" : plainPath) << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::cout << kHelp;
    return 0;
  }
  if (argc >= 4 && std::strcmp(argv[1], "seal") == 0 && argc == 4)
    return Seal(argv[2], argv[3]);
  if (argc >= 3 && std::strcmp(argv[1], "open") == 0 && argc <= 4) {
    return Open(argv[2], argc == 4 ? argv[3] : "");
  }
  return Usage();
}
