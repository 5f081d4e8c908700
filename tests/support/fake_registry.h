// An in-memory registry: keys are found without regard to ASCII letter case, values keep their
// type, and a key can be marked as refusing access.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "platform/registry.h"

namespace quenlo::testing {

class FakeRegistry final : public platform::Registry {
 public:
  enum class ValueType { String, ExpandString, Dword, Binary };
  struct StoredValue {
    ValueType type = ValueType::String;
    std::string data;  // for strings: the text as stored, including any embedded NUL
  };

  std::unique_ptr<platform::RegistryKey> Open(platform::RegistryRoot root, const std::string& path,
                                              bool create) override;
  bool DeleteKey(platform::RegistryRoot root, const std::string& path) override;

  // Arranging and inspecting, bypassing the accessor.
  void SetValue(platform::RegistryRoot root, const std::string& path, const std::string& name,
                StoredValue value);
  void SetString(platform::RegistryRoot root, const std::string& path, const std::string& name,
                 const std::string& text) {
    SetValue(root, path, name, {ValueType::String, text});
  }
  std::optional<StoredValue> Value(platform::RegistryRoot root, const std::string& path,
                                   const std::string& name) const;
  bool KeyExists(platform::RegistryRoot root, const std::string& path) const;
  void CreateKey(platform::RegistryRoot root, const std::string& path);
  // Opening this key (and creating it) fails from now on, as for a user without full access.
  void DenyAccess(platform::RegistryRoot root, const std::string& path);
  // Writes of values fail from now on.
  void FailWrites(bool fail) { failWrites_ = fail; }

  // Every key and value as text ("HKLM\PATH" -> name -> data), to compare whole states.
  std::map<std::string, std::map<std::string, std::string>> Snapshot() const {
    const std::lock_guard lock(mutex_);
    std::map<std::string, std::map<std::string, std::string>> snapshot;
    for (const auto& [id, values] : keys_) {
      auto& key = snapshot[std::to_string(static_cast<std::uint32_t>(id.first)) + "\\" + id.second];
      for (const auto& [name, value] : values) key[name] = value.data;
    }
    return snapshot;
  }

  // Number of keys currently open through accessors: 0 when every accessor closed its key.
  int openKeys() const { return openKeys_; }

 private:
  class Key;
  using KeyId = std::pair<platform::RegistryRoot, std::string>;  // path upper-cased and trimmed
  using Values = std::map<std::string, StoredValue>;             // name upper-cased
  static KeyId Id(platform::RegistryRoot root, const std::string& path);

  // The install's threads share the registry (the journal's announcements, the registry steps).
  mutable std::recursive_mutex mutex_;
  std::map<KeyId, Values> keys_;
  std::set<KeyId> denied_;
  std::atomic<bool> failWrites_ = false;
  std::atomic<int> openKeys_ = 0;
};

}  // namespace quenlo::testing
