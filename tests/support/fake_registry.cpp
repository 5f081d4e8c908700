#include "tests/support/fake_registry.h"

#include "base/path.h"

namespace quenlo::testing {

class FakeRegistry::Key final : public platform::RegistryKey {
 public:
  Key(FakeRegistry& owner, KeyId id) : owner_(owner), id_(std::move(id)) { ++owner_.openKeys_; }
  ~Key() override { --owner_.openKeys_; }  // the count is atomic

  platform::RegistryValue Read(const std::string& name) override {
    const std::lock_guard lock(owner_.mutex_);
    platform::RegistryValue result;
    const auto& values = owner_.keys_[id_];
    const auto found = values.find(UpperCaseAscii(name));
    if (found == values.end()) return result;
    const StoredValue& stored = found->second;
    if (stored.type != ValueType::String && stored.type != ValueType::ExpandString) {
      result.kind = platform::RegistryValue::Kind::NotString;
      return result;
    }
    result.kind = platform::RegistryValue::Kind::String;
    result.text = stored.data.substr(0, stored.data.find('\0'));
    return result;
  }

  bool WriteString(const std::string& name, const std::string& text) override {
    const std::lock_guard lock(owner_.mutex_);
    if (owner_.failWrites_) return false;
    owner_.keys_[id_][UpperCaseAscii(name)] = StoredValue{ValueType::String, text};
    return true;
  }

  bool DeleteValue(const std::string& name) override {
    const std::lock_guard lock(owner_.mutex_);
    if (owner_.failWrites_) return false;
    owner_.keys_[id_].erase(UpperCaseAscii(name));
    return true;
  }

  bool WriteDword(const std::string& name, std::uint32_t value) override {
    const std::lock_guard lock(owner_.mutex_);
    if (owner_.failWrites_) return false;
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    owner_.keys_[id_][UpperCaseAscii(name)] = StoredValue{ValueType::Dword, data};
    return true;
  }

 private:
  FakeRegistry& owner_;
  KeyId id_;
};

FakeRegistry::KeyId FakeRegistry::Id(platform::RegistryRoot root, const std::string& path) {
  return {root, UpperCaseAscii(platform::TrimKeyPath(path))};
}

std::unique_ptr<platform::RegistryKey> FakeRegistry::Open(platform::RegistryRoot root,
                                                          const std::string& path, bool create) {
  const std::lock_guard lock(mutex_);
  const KeyId id = Id(root, path);
  if (denied_.contains(id)) return nullptr;
  if (!keys_.contains(id)) {
    if (!create) return nullptr;
    CreateKey(root, path);
  }
  return std::make_unique<Key>(*this, id);
}

bool FakeRegistry::DeleteKey(platform::RegistryRoot root, const std::string& path) {
  const std::lock_guard lock(mutex_);
  const KeyId id = Id(root, path);
  if (id.second.empty() || failWrites_) return false;
  // Any key at or below `path` goes, as with the real registry; a denied one stays and fails it.
  bool deleted = true;
  for (auto key = keys_.begin(); key != keys_.end();) {
    const bool below =
        key->first.first == root &&
        (key->first.second == id.second || key->first.second.starts_with(id.second + "\\"));
    if (below && denied_.contains(key->first)) deleted = false;
    key = below && !denied_.contains(key->first) ? keys_.erase(key) : std::next(key);
  }
  return deleted;
}

void FakeRegistry::CreateKey(platform::RegistryRoot root, const std::string& path) {
  const std::lock_guard lock(mutex_);
  // Like the real registry, creating a key creates every key above it.
  const std::string trimmed = platform::TrimKeyPath(path);
  for (std::size_t pos = trimmed.find('\\'); pos != std::string::npos;
       pos = trimmed.find('\\', pos + 1)) {
    keys_[Id(root, trimmed.substr(0, pos))];
  }
  keys_[Id(root, trimmed)];
}

void FakeRegistry::SetValue(platform::RegistryRoot root, const std::string& path,
                            const std::string& name, StoredValue value) {
  const std::lock_guard lock(mutex_);
  CreateKey(root, path);
  keys_[Id(root, path)][UpperCaseAscii(name)] = std::move(value);
}

std::optional<FakeRegistry::StoredValue> FakeRegistry::Value(platform::RegistryRoot root,
                                                             const std::string& path,
                                                             const std::string& name) const {
  const std::lock_guard lock(mutex_);
  const auto key = keys_.find(Id(root, path));
  if (key == keys_.end()) return std::nullopt;
  const auto value = key->second.find(UpperCaseAscii(name));
  if (value == key->second.end()) return std::nullopt;
  return value->second;
}

bool FakeRegistry::KeyExists(platform::RegistryRoot root, const std::string& path) const {
  const std::lock_guard lock(mutex_);
  return keys_.contains(Id(root, path));
}

void FakeRegistry::DenyAccess(platform::RegistryRoot root, const std::string& path) {
  const std::lock_guard lock(mutex_);
  denied_.insert(Id(root, path));
}

}  // namespace quenlo::testing
