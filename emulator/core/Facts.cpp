// The declared facts put to work: the defaults document, the checks of a scenario's facts
// and "set" inputs, and the Markdown tables of the scenario format's documentation.
#include <algorithm>
#include <array>
#include <string>

#include "FactTable.h"
#include "emu/Laptop.h"
#include "emu/Transcript.h"

namespace emu {

namespace {

constexpr std::size_t kFactCount = std::size(kFacts);

std::vector<std::string_view> Split(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = path.find('.', start);
    parts.push_back(path.substr(start, dot == std::string_view::npos ? dot : dot - start));
    if (dot == std::string_view::npos)
      return parts;
    start = dot + 1;
  }
}

struct Parsed {
  std::array<std::vector<std::string_view>, kFactCount> parts;
  std::array<nlohmann::json, kFactCount> defaults;
  Parsed() {
    for (std::size_t i = 0; i < kFactCount; ++i) {
      parts[i] = Split(kFacts[i].path);
      if (!kFacts[i].defaults.empty())
        defaults[i] = nlohmann::json::parse(kFacts[i].defaults);
    }
  }
};

const Parsed& Table() {
  static const Parsed* parsed = new Parsed();
  return *parsed;
}

bool IsPattern(const std::vector<std::string_view>& parts) {
  return std::find(parts.begin(), parts.end(), "*") != parts.end();
}

// Whether the declared parts match the given ones, as a whole or (prefix) as their start.
bool Matches(const std::vector<std::string_view>& declared, const std::vector<std::string>& given,
             bool prefix) {
  if (prefix ? declared.size() <= given.size() : declared.size() != given.size())
    return false;
  for (std::size_t i = 0; i < given.size(); ++i) {
    if (declared[i] != "*" && declared[i] != given[i])
      return false;
  }
  return true;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& part : parts)
    out += (out.empty() ? "" : ".") + part;
  return out;
}

bool IsInteger(const nlohmann::json& value) {
  try {
    ParseNumber(value);
    return !value.is_boolean();
  } catch (const std::invalid_argument&) {
    return false;
  }
}

bool AllOf(const nlohmann::json& value, bool (*each)(const nlohmann::json&)) {
  return value.is_array() && std::all_of(value.begin(), value.end(), each);
}

bool IsText(const nlohmann::json& value) {
  return value.is_string();
}

bool IsHex(const nlohmann::json& value) {
  if (!value.is_string())
    return false;
  try {
    FromHex(value.get<std::string>());
    return true;
  } catch (const std::invalid_argument&) {
    return false;
  }
}

// What the value should have been, empty when it is of the type.
std::string TypeMismatch(const nlohmann::json& value, FactType type) {
  switch (type) {
    case FactType::Integer:
      return IsInteger(value) ? "" : "an integer (or a \"0x\" text)";
    case FactType::Boolean:
      return value.is_boolean() || (value.is_number_integer() && value.get<std::int64_t>() >= 0 &&
                                    value.get<std::int64_t>() <= 1)
                 ? ""
                 : "true or false";
    case FactType::Text:
      return value.is_string() ? "" : "a text";
    case FactType::Texts:
      return AllOf(value, IsText) ? "" : "a list of texts";
    case FactType::Integers:
      return AllOf(value, IsInteger) ? "" : "a list of integers";
    case FactType::Results:
      return IsInteger(value) || AllOf(value, IsInteger) ? "" : "an integer or a list of them";
    case FactType::Hex:
      return IsHex(value) ? "" : "a text of hexadecimal bytes";
    case FactType::List:
      return value.is_array() ? "" : "a list";
    case FactType::Map:
      return value.is_object() ? "" : "an object";
    case FactType::Any:
      return "";
  }
  return "";
}

const char* const kActions[] = {"gpio_repower",  "rescan",  "bt_usb_repair",
                                "realtek_reset", "enable:", "disable:",
                                "uninstall:",    "start:",  "exit:"};

std::string CheckEffect(const std::string& action, const nlohmann::json& changes) {
  const bool known = std::any_of(std::begin(kActions), std::end(kActions), [&](const char* a) {
    const std::string_view name(a);
    return name.back() == ':' ? action.rfind(name, 0) == 0 : action == name;
  });
  if (!known)
    return "\"effects." + action + "\": no such action";
  for (const auto& [path, value] : changes.items()) {
    if (std::string wrong = CheckFactAt(path, value); !wrong.empty())
      return "\"effects." + action + "\": " + wrong;
  }
  return "";
}

// Checks the node found at the given path (a '*' of a declaration matches any key or index).
std::string CheckNode(const nlohmann::json& node, std::vector<std::string>& parts) {
  if (node.is_null())
    return "";  // null removes a default, or stands for "absent"
  const auto& table = Table();
  const FactDecl* decl = nullptr;
  bool hasChildren = false;
  for (std::size_t i = 0; i < kFactCount; ++i) {
    if (Matches(table.parts[i], parts, false))
      decl = &kFacts[i];
    else if (Matches(table.parts[i], parts, true))
      hasChildren = true;
  }
  const std::string where = Join(parts);
  if (!decl && !hasChildren)
    return "\"" + where + "\" is not a fact of the laptop";
  if (decl) {
    if (const std::string wanted = TypeMismatch(node, decl->type); !wanted.empty())
      return "\"" + where + "\" is " + wanted + ", not " + node.dump();
    if (decl->path == "effects.*")
      return CheckEffect(parts.back(), node);
  }
  if (!hasChildren)
    return "";
  if (!node.is_object() && !node.is_array())
    return "\"" + where + "\" is an object of facts, not " + node.dump();
  std::size_t index = 0;
  for (const auto& [key, value] : node.items()) {
    parts.push_back(node.is_array() ? std::to_string(index++) : key);
    std::string wrong = CheckNode(value, parts);
    parts.pop_back();
    if (!wrong.empty())
      return wrong;
  }
  return "";
}

std::string MarkdownCell(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '|')
      out += "\\|";
    else
      out += c;
  }
  return out;
}

}  // namespace

const std::vector<std::string_view>& FactPathParts(FactRef fact) {
  return Table().parts[fact.index];
}

const nlohmann::json& FactDefault(FactRef fact) {
  return Table().defaults[fact.index];
}

nlohmann::json FactDefaults() {
  nlohmann::json doc = nlohmann::json::object();
  const auto& table = Table();
  for (std::size_t i = 0; i < kFactCount; ++i) {
    if (IsPattern(table.parts[i]) || table.defaults[i].is_null())
      continue;
    nlohmann::json* node = &doc;
    for (const auto part : table.parts[i])
      node = &(*node)[std::string(part)];
    *node = table.defaults[i];
  }
  return doc;
}

std::string CheckFacts(const nlohmann::json& laptop) {
  if (!laptop.is_object())
    return "the laptop's facts are an object";
  std::vector<std::string> parts;
  for (const auto& [key, value] : laptop.items()) {
    parts.assign(1, key);
    if (std::string wrong = CheckNode(value, parts); !wrong.empty())
      return wrong;
  }
  return "";
}

std::string CheckFactAt(const std::string& path, const nlohmann::json& value) {
  std::vector<std::string> parts;
  for (const auto part : Split(path))
    parts.emplace_back(part);
  return CheckNode(value, parts);
}

std::string FactTableMarkdown(bool disks) {
  constexpr std::string_view kDiskPrefix = "disks.*.";
  std::string out = disks ? "| key | meaning | default |\n|---|---|---|\n"
                          : "| path | meaning | default |\n|---|---|---|\n";
  for (const FactDecl& fact : kFacts) {
    const bool ofDisk = fact.path.rfind(kDiskPrefix, 0) == 0;
    if (ofDisk != disks)
      continue;
    const std::string_view name = disks ? fact.path.substr(kDiskPrefix.size()) : fact.path;
    out += "| `" + std::string(name) + "` | " + MarkdownCell(fact.meaning) + " | " +
           (fact.defaults.empty() ? "" : "`" + MarkdownCell(fact.defaults) + "`") + " |\n";
  }
  return out;
}

}  // namespace emu
