#pragma once
// The virtual laptop's registry: keys by path (letter case ignored, as on Windows), each
// with named values of type REG_DWORD (a number) or REG_SZ (a text). A key exists when it
// was stored or when a key below it was (Windows has no key without its parents).
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace emu {

// ASCII letters in lower case, as the registry compares names.
std::string FoldCase(const std::string& text);

class VirtualRegistry {
 public:
  static VirtualRegistry& Instance();

  // From the scenario: { "HKLM\\SOFTWARE\\X": { "Name": 3, "Other": "text" } }.
  void Load(const nlohmann::json& keys);
  nlohmann::json Dump() const;

  bool KeyExists(const std::string& key) const;
  void CreateKey(const std::string& key);
  // Removes the key and everything below it; false when it did not exist.
  bool DeleteKey(const std::string& key);
  std::optional<nlohmann::json> GetValue(const std::string& key, const std::string& name) const;
  // False when the key does not exist.
  bool SetValue(const std::string& key, const std::string& name, nlohmann::json value);

  // What an open key handle sees: its subkey names and its values, both in the order
  // Windows enumerates them here (by name, letter case ignored).
  struct KeyView {
    std::vector<std::string> subkeys;
    std::vector<std::pair<std::string, nlohmann::json>> values;
  };
  std::optional<KeyView> View(const std::string& key) const;
  // Grows with every change of any key, so that a view taken at one revision may be reused
  // while the revision stays.
  std::uint64_t Revision() const { return revision_.load(std::memory_order_acquire); }

 private:
  VirtualRegistry() = default;
  static std::string Fold(const std::string& text);
  bool ExistsLocked(const std::string& folded) const;
  struct Key {
    std::string path;
    std::map<std::string, std::pair<std::string, nlohmann::json>> values;  // folded name
  };
  void Changed() { revision_.fetch_add(1, std::memory_order_acq_rel); }
  mutable std::mutex mu_;
  std::map<std::string, Key> keys_;  // folded path
  std::atomic<std::uint64_t> revision_{0};
};

}  // namespace emu
