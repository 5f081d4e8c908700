// The registry, through one accessor per operation: a key is opened (or created) under a root
// with full access, string values are read and written (and DWORD values written), and the key is
// closed when the accessor goes away, on every way out. A key is deleted with everything below it
// in one call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace quenlo::platform {

enum class RegistryRoot : std::uint32_t {
  ClassesRoot = 0x80000000,
  CurrentUser = 0x80000001,
  LocalMachine = 0x80000002,
};

struct RegistryValue {
  enum class Kind { Absent, String, NotString };
  Kind kind = Kind::Absent;
  std::string text;  // a string value's text up to its first NUL; empty otherwise

  bool IsString() const { return kind == Kind::String; }
};

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;  // closes the key
  // Reads a value; "" names the key's default value. REG_SZ and REG_EXPAND_SZ are strings.
  virtual RegistryValue Read(const std::string& name) = 0;
  // Writes a REG_SZ value whose stored length includes the terminating zero.
  virtual bool WriteString(const std::string& name, const std::string& text) = 0;
  // Deletes a value; true also when there was none.
  virtual bool DeleteValue(const std::string& name) = 0;
  // Writes a REG_DWORD value.
  virtual bool WriteDword(const std::string& name, std::uint32_t value) = 0;
  // Returns once what was written to the key is on the disk (what must survive a power cut the
  // moment after). Registries that keep nothing on a disk have nothing to wait for.
  virtual bool Flush() { return true; }
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens `path` under `root` for full access (KEY_ALL_ACCESS), creating it when `create` is set.
  // A leading or trailing backslash in `path` is allowed. Nothing when the key cannot be opened.
  virtual std::unique_ptr<RegistryKey> Open(RegistryRoot root, const std::string& path,
                                            bool create) = 0;
  // Deletes the key at `path` under `root` with every key and value below it; true also when there
  // was no such key. An empty path (the root itself) is refused.
  virtual bool DeleteKey(RegistryRoot root, const std::string& path) = 0;
};

// "\Software\QuenloBoFang\" -> "Software\QuenloBoFang": the form the registry API takes.
std::string TrimKeyPath(const std::string& path);

}  // namespace quenlo::platform
