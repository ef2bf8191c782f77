#include "emu/Laptop.h"

#include <charconv>
#include <stdexcept>

#include "FactTable.h"

namespace emu {

namespace {

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t dot = path.find('.', start);
    parts.push_back(path.substr(start, dot == std::string::npos ? dot : dot - start));
    if (dot == std::string::npos)
      break;
    start = dot + 1;
  }
  return parts;
}

// A path part that indexes a list: all digits, within the list.
bool IsIndexInto(const nlohmann::json& node, const std::string& part, std::size_t& index) {
  if (!node.is_array() || part.empty() ||
      part.find_first_not_of("0123456789") != std::string::npos || part.size() > 9)
    return false;
  index = static_cast<std::size_t>(std::stoul(part));
  return index < node.size();
}

}  // namespace

Laptop& Laptop::Instance() {
  static Laptop* instance = new Laptop();
  return *instance;
}

Laptop::Laptop() : state_(FactDefaults()) {}

void Laptop::Load(const nlohmann::json& overrides) {
  nlohmann::json state = FactDefaults();
  if (!overrides.is_null())
    state.merge_patch(overrides);
  std::lock_guard lock(mu_);
  state_ = std::move(state);
  ++revision_;
}

std::uint64_t Laptop::Revision() const {
  std::lock_guard lock(mu_);
  return revision_;
}

nlohmann::json Laptop::State() const {
  std::lock_guard lock(mu_);
  return state_;
}

const nlohmann::json* Laptop::Find(FactRef fact, Keys keys) const {
  const nlohmann::json* node = &state_;
  auto key = keys.begin();
  for (const std::string_view part : FactPathParts(fact)) {
    const std::string_view name = part == "*" && key != keys.end() ? *key++ : part;
    if (node->is_array()) {
      std::size_t index = 0;
      const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), index);
      if (error != std::errc() || end != name.data() + name.size() || index >= node->size())
        return nullptr;
      node = &(*node)[index];
      continue;
    }
    if (!node->is_object())
      return nullptr;
    const auto it = node->find(name);
    if (it == node->end())
      return nullptr;
    node = &*it;
  }
  return node->is_null() ? nullptr : node;
}

std::int64_t Laptop::Int(FactRef fact, Keys keys) const {
  {
    std::lock_guard lock(mu_);
    if (const nlohmann::json* node = Find(fact, keys); node && node->is_number_integer())
      return node->get<std::int64_t>();
    else if (node)
      return ParseNumber(*node);
  }
  return ParseNumber(FactDefault(fact));
}

bool Laptop::Bool(FactRef fact, Keys keys) const {
  {
    std::lock_guard lock(mu_);
    if (const nlohmann::json* node = Find(fact, keys)) {
      if (node->is_boolean())
        return node->get<bool>();
      if (node->is_number_integer())
        return node->get<std::int64_t>() != 0;
    }
  }
  const nlohmann::json& fallback = FactDefault(fact);
  return fallback.is_boolean() && fallback.get<bool>();
}

std::string Laptop::Text(FactRef fact, Keys keys) const {
  {
    std::lock_guard lock(mu_);
    if (const nlohmann::json* node = Find(fact, keys); node && node->is_string())
      return node->get<std::string>();
  }
  const nlohmann::json& fallback = FactDefault(fact);
  return fallback.is_string() ? fallback.get<std::string>() : std::string();
}

nlohmann::json Laptop::Json(FactRef fact, Keys keys) const {
  std::lock_guard lock(mu_);
  const nlohmann::json* node = Find(fact, keys);
  return node ? *node : nlohmann::json();
}

void Laptop::Put(FactRef fact, Keys keys, nlohmann::json value) {
  std::string path;
  auto key = keys.begin();
  for (const std::string_view part : FactPathParts(fact)) {
    path += path.empty() ? "" : ".";
    path += part == "*" && key != keys.end() ? *key++ : part;
  }
  Set(path, std::move(value));
}

nlohmann::json Laptop::Get(const std::string& path) const {
  std::lock_guard lock(mu_);
  const nlohmann::json* node = &state_;
  for (const auto& part : SplitPath(path)) {
    if (std::size_t index = 0; IsIndexInto(*node, part, index)) {
      node = &(*node)[index];
      continue;
    }
    if (!node->is_object())
      return nullptr;
    auto it = node->find(part);
    if (it == node->end())
      return nullptr;
    node = &*it;
  }
  return *node;
}

void Laptop::Set(const std::string& path, nlohmann::json value) {
  std::lock_guard lock(mu_);
  nlohmann::json* node = &state_;
  for (const auto& part : SplitPath(path)) {
    if (std::size_t index = 0; IsIndexInto(*node, part, index)) {
      node = &(*node)[index];
      continue;
    }
    if (!node->is_object())
      *node = nlohmann::json::object();
    node = &(*node)[part];
  }
  *node = std::move(value);
  ++revision_;
}

bool Laptop::ApplyEffect(const std::string& action) {
  nlohmann::json changes;
  {
    std::lock_guard lock(mu_);
    auto effects = state_.find("effects");
    if (effects == state_.end() || !effects->is_object())
      return false;
    auto it = effects->find(action);
    if (it == effects->end() || !it->is_object())
      return false;
    changes = *it;
  }
  for (auto& [path, value] : changes.items())
    Set(path, value);
  return true;
}

std::int64_t Laptop::NextResult(FactRef fact) {
  std::lock_guard lock(mu_);
  nlohmann::json* node = Find(fact, {});
  if (!node)
    return ParseNumber(FactDefault(fact));
  if (!node->is_array())
    return ParseNumber(*node);
  if (node->empty())
    return ParseNumber(FactDefault(fact));
  const std::int64_t value = ParseNumber(node->front());
  if (node->size() > 1) {
    node->erase(node->begin());
    ++revision_;
  }
  return value;
}

std::int64_t Laptop::StartEpochMs() const {
  std::lock_guard lock(mu_);
  return startEpochMs_;
}

void Laptop::SetStartEpochMs(std::int64_t ms) {
  std::lock_guard lock(mu_);
  startEpochMs_ = ms;
}

std::int64_t ParseNumber(const nlohmann::json& value) {
  if (value.is_number_integer())
    return value.get<std::int64_t>();
  if (value.is_boolean())
    return value.get<bool>() ? 1 : 0;
  if (value.is_string()) {
    const std::string text = value.get<std::string>();
    std::size_t used = 0;
    try {
      const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
      const long long parsed = std::stoll(hex ? text.substr(2) : text, &used, hex ? 16 : 10);
      if (used == text.size() - (hex ? 2 : 0))
        return parsed;
    } catch (const std::exception&) {
    }
    throw std::invalid_argument("not a number: \"" + text + "\"");
  }
  throw std::invalid_argument("not a number: " + value.dump());
}

}  // namespace emu
