#include "config/FuncSwitchConfig.h"

#include <rapidxml/rapidxml.hpp>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "config/ConfigCipher.h"
#include "hostapi/Registry.h"
#include "hostapi/StringConv.h"
#include "platform/File.h"

namespace config {

const char* const kFuncSwitchConfigPath = "config\\DeviceFuncSwitchConf.xml";

namespace {
constexpr std::size_t kMaxPath = 260;

const rapidxml::xml_node<>* Child(const rapidxml::xml_node<>* parent, const std::string& name) {
  for (auto* node = parent->first_node(); node; node = node->next_sibling()) {
    if (node->type() == rapidxml::node_element && name == node->name())
      return node;
  }
  return nullptr;
}
}  // namespace

bool FindConfigValue(const std::string& xmlText, const std::string& section, const std::string& key,
                     std::string& value) {
  std::vector<char> text(xmlText.begin(), xmlText.end());
  text.push_back('\0');
  rapidxml::xml_document<> doc;
  try {
    doc.parse<0>(text.data());
  } catch (const rapidxml::parse_error&) {
    return false;  // not well-formed: the answer is off, like every other failure
  }
  const auto* root = Child(&doc, "config");
  const auto* sectionNode = root ? Child(root, section) : nullptr;
  const auto* keyNode = sectionNode ? Child(sectionNode, key) : nullptr;
  if (!keyNode)
    return false;
  value.assign(keyNode->value(), keyNode->value_size());
  return true;
}

bool ReadFuncSwitch(const std::string& section, const std::string& key) {
  const std::string exe = platform::GetProcessExecutablePathA();
  const auto slash = exe.find_last_of('\\');
  if (exe.empty() || exe.size() > kMaxPath || slash == std::string::npos)
    return false;
  const std::string path = exe.substr(0, slash + 1) + kFuncSwitchConfigPath;
  if (!platform::PathFileExistsA(path))
    return false;
  const std::string text = ReadEncryptedTextFile(DE::ANSIToUnicode(path));
  if (text.empty())
    return false;
  std::string value;
  if (!FindConfigValue(text, section, key, value))
    return false;
  return std::atoi(value.c_str()) == 1;
}

std::string ReadEncryptedTextFile(const std::wstring& path) {
  if (path.empty() || !DE::FileExists(path))
    return "";
  std::uint64_t size = 0;
  if (!platform::GetFileSizeByPath(path, size))
    size = 0;
  // A switch file holds a few sections of a few keys; one past this size is not one, and is
  // treated as unreadable rather than read whole into a privileged process.
  constexpr std::uint64_t kMaxStoredSize = 1 << 20;
  if (size < kMinStoredSize || size > kMaxStoredSize)
    return "";
  const std::vector<std::uint8_t> bytes = platform::ReadFileBytes(path, size);
  if (bytes.empty())
    return "";
  std::uint8_t* plain = nullptr;
  std::uint32_t plainLength = 0;
  if (DecryptConfigBuffer(bytes.data(), static_cast<std::uint32_t>(bytes.size()), plain,
                          plainLength) != 1 ||
      !plain) {
    return "";
  }
  std::string text(reinterpret_cast<const char*>(plain), plainLength);
  delete[] plain;
  return text;
}

int DecryptConfigBuffer(const std::uint8_t* data, std::uint32_t size, std::uint8_t*& out,
                        std::uint32_t& outLength) {
  out = nullptr;
  if (!data || size < kMinStoredSize)
    return 0;
  std::uint8_t initialBlock[kBlockSize];
  std::memcpy(initialBlock, data + kInitialBlockOffset, kBlockSize);
  const std::uint32_t bodyLength = size - static_cast<std::uint32_t>(kHeaderSize);
  std::vector<std::uint8_t> body(data + kHeaderSize, data + size);
  outLength = bodyLength;
  out = new std::uint8_t[bodyLength]();
  if (ConfigCipherDecrypt(initialBlock, body.data(), bodyLength, out, outLength) == 0)
    return 1;
  delete[] out;
  out = nullptr;
  return 0;
}

}  // namespace config
