// A small JSON value for the driver's output: one line per command, window dumps as nested
// objects. Strings are UTF-8; the writer escapes what JSON requires and replaces bytes that are
// not valid UTF-8 with U+FFFD, so every line the driver prints is valid JSON.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace quenlo::uidriver {

class Json {
 public:
  using Array = std::vector<Json>;
  using Object = std::vector<std::pair<std::string, Json>>;  // keeps insertion order

  Json() = default;  // null
  Json(bool value) : value_(value) {}
  Json(int value) : value_(static_cast<std::int64_t>(value)) {}
  Json(long value) : value_(static_cast<std::int64_t>(value)) {}
  Json(long long value) : value_(static_cast<std::int64_t>(value)) {}
  Json(unsigned value) : value_(static_cast<std::int64_t>(value)) {}
  Json(unsigned long value) : value_(static_cast<std::int64_t>(value)) {}
  Json(unsigned long long value) : value_(static_cast<std::int64_t>(value)) {}
  Json(const char* utf8) : value_(std::string(utf8)) {}
  Json(std::string utf8) : value_(std::move(utf8)) {}
  Json(std::string_view utf8) : value_(std::string(utf8)) {}
  Json(Array items) : value_(std::move(items)) {}
  Json(Object members) : value_(std::move(members)) {}

  static Json MakeObject() { return Json(Object{}); }
  static Json MakeArray() { return Json(Array{}); }

  // Adds (or replaces) a member; the value must be an object.
  Json& Set(std::string_view key, Json value);
  // Appends an item; the value must be an array.
  Json& Push(Json value);

  bool IsNull() const { return std::holds_alternative<std::monostate>(value_); }
  bool IsObject() const { return std::holds_alternative<Object>(value_); }
  // The member of that name, or nullptr (also when this is not an object).
  const Json* Find(std::string_view key) const;
  // The members of an object, the items of an array (the value must be of that kind).
  const Object& Members() const { return std::get<Object>(value_); }
  const Array& Items() const { return std::get<Array>(value_); }

  // Compact serialisation on one line.
  std::string Serialize() const;

 private:
  void AppendTo(std::string& out) const;
  std::variant<std::monostate, bool, std::int64_t, std::string, Array, Object> value_;
};

// `text` as a JSON string literal, quotes included.
std::string JsonQuote(std::string_view utf8);

}  // namespace quenlo::uidriver
