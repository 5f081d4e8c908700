// A registry that hands everything on to a FakeRegistry and logs, in order, each key opened and
// each value written; writes of chosen value names can be made to fail.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/support/fake_registry.h"

namespace quenlo::testing {

class RecordingRegistry final : public platform::Registry {
 public:
  explicit RecordingRegistry(FakeRegistry& inner) : inner_(inner) {}

  std::unique_ptr<platform::RegistryKey> Open(platform::RegistryRoot root, const std::string& path,
                                              bool create) override {
    auto key = inner_.Open(root, path, create);
    log_.push_back("open " + path + (key ? "" : " refused"));
    if (!key) return nullptr;
    return std::make_unique<Key>(*this, path, std::move(key));
  }

  bool DeleteKey(platform::RegistryRoot root, const std::string& path) override {
    log_.push_back("delete key " + path);
    return inner_.DeleteKey(root, path);
  }

  void FailWritesOf(const std::string& valueName) { failing_.insert(valueName); }
  const std::vector<std::string>& log() const { return log_; }

 private:
  class Key final : public platform::RegistryKey {
   public:
    Key(RecordingRegistry& owner, std::string path, std::unique_ptr<platform::RegistryKey> inner)
        : owner_(owner), path_(std::move(path)), inner_(std::move(inner)) {}
    platform::RegistryValue Read(const std::string& name) override { return inner_->Read(name); }
    bool WriteString(const std::string& name, const std::string& text) override {
      const bool fails = owner_.failing_.contains(name);
      owner_.log_.push_back("write " + path_ + " [" + name + "] " + text +
                            (fails ? " refused" : ""));
      return !fails && inner_->WriteString(name, text);
    }
    bool DeleteValue(const std::string& name) override {
      owner_.log_.push_back("delete " + path_ + " [" + name + "]");
      return inner_->DeleteValue(name);
    }
    bool WriteDword(const std::string& name, std::uint32_t value) override {
      owner_.log_.push_back("write " + path_ + " [" + name + "] dword " + std::to_string(value));
      return inner_->WriteDword(name, value);
    }

   private:
    RecordingRegistry& owner_;
    std::string path_;
    std::unique_ptr<platform::RegistryKey> inner_;
  };

  FakeRegistry& inner_;
  std::set<std::string> failing_;
  std::vector<std::string> log_;
};

}  // namespace quenlo::testing
