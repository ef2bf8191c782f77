#include "emu/VirtualRegistry.h"

#include <algorithm>

namespace emu {

std::string FoldCase(const std::string& text) {
  std::string out = text;
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

VirtualRegistry& VirtualRegistry::Instance() {
  static VirtualRegistry* instance = new VirtualRegistry();
  return *instance;
}

std::string VirtualRegistry::Fold(const std::string& text) {
  return FoldCase(text);
}

void VirtualRegistry::Load(const nlohmann::json& keys) {
  std::lock_guard lock(mu_);
  Changed();
  keys_.clear();
  if (!keys.is_object())
    return;
  for (auto& [path, values] : keys.items()) {
    Key& key = keys_[Fold(path)];
    key.path = path;
    if (!values.is_object())
      continue;
    for (auto& [name, value] : values.items())
      key.values[Fold(name)] = {name, value};
  }
}

nlohmann::json VirtualRegistry::Dump() const {
  std::lock_guard lock(mu_);
  nlohmann::json out = nlohmann::json::object();
  for (const auto& [folded, key] : keys_) {
    nlohmann::json values = nlohmann::json::object();
    for (const auto& [n, v] : key.values)
      values[v.first] = v.second;
    out[key.path] = values;
  }
  return out;
}

bool VirtualRegistry::ExistsLocked(const std::string& folded) const {
  if (keys_.count(folded))
    return true;
  auto below = keys_.lower_bound(folded + "\\");
  return below != keys_.end() && below->first.rfind(folded + "\\", 0) == 0;
}

bool VirtualRegistry::KeyExists(const std::string& key) const {
  std::lock_guard lock(mu_);
  return ExistsLocked(Fold(key));
}

std::optional<VirtualRegistry::KeyView> VirtualRegistry::View(const std::string& key) const {
  std::lock_guard lock(mu_);
  const std::string folded = Fold(key);
  if (!ExistsLocked(folded))
    return std::nullopt;
  KeyView view;
  if (auto k = keys_.find(folded); k != keys_.end()) {
    for (const auto& [f, value] : k->second.values)
      view.values.push_back(value);
  }
  // Every key below names one child: the first part of its path after the prefix. Folding
  // keeps byte lengths, so the stored spelling is cut at the same places.
  const std::string prefix = folded + "\\";
  std::map<std::string, std::string> children;  // folded name -> stored spelling
  for (auto it = keys_.lower_bound(prefix); it != keys_.end() && it->first.rfind(prefix, 0) == 0;
       ++it) {
    const std::size_t end = it->first.find('\\', prefix.size());
    const std::size_t length = (end == std::string::npos ? it->first.size() : end) - prefix.size();
    children.emplace(it->first.substr(prefix.size(), length),
                     it->second.path.substr(prefix.size(), length));
  }
  for (auto& [f, name] : children)
    view.subkeys.push_back(std::move(name));
  return view;
}

void VirtualRegistry::CreateKey(const std::string& key) {
  std::lock_guard lock(mu_);
  Changed();
  auto& entry = keys_[Fold(key)];
  if (entry.path.empty())
    entry.path = key;
}

bool VirtualRegistry::DeleteKey(const std::string& key) {
  std::lock_guard lock(mu_);
  Changed();
  const std::string folded = Fold(key);
  // A key exists as the parent of a stored one too, and goes with its descendants.
  const bool existed = ExistsLocked(folded);
  keys_.erase(folded);
  for (auto it = keys_.lower_bound(folded + "\\");
       it != keys_.end() && it->first.rfind(folded + "\\", 0) == 0;) {
    it = keys_.erase(it);
  }
  return existed;
}

std::optional<nlohmann::json> VirtualRegistry::GetValue(const std::string& key,
                                                        const std::string& name) const {
  std::lock_guard lock(mu_);
  auto k = keys_.find(Fold(key));
  if (k == keys_.end())
    return std::nullopt;
  auto v = k->second.values.find(Fold(name));
  if (v == k->second.values.end())
    return std::nullopt;
  return v->second.second;
}

bool VirtualRegistry::SetValue(const std::string& key, const std::string& name,
                               nlohmann::json value) {
  std::lock_guard lock(mu_);
  const std::string folded = Fold(key);
  if (!ExistsLocked(folded))
    return false;
  Changed();
  Key& entry = keys_[folded];
  if (entry.path.empty())
    entry.path = key;
  entry.values[Fold(name)] = {name, std::move(value)};
  return true;
}

}  // namespace emu
