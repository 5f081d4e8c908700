#include "tools/uidriver/json.h"

#include <cstdio>

namespace quenlo::uidriver {
namespace {

// Length of the valid UTF-8 sequence at `pos`, or 0 when the bytes there are not one
// (overlong forms, surrogates and values above U+10FFFF are invalid).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  const unsigned lead = byte(0);
  std::size_t length = 0;
  unsigned minimum = 0;
  unsigned value = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, minimum = 0x80, value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, minimum = 0x800, value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, minimum = 0x10000, value = lead & 0x07;
  } else {
    return 0;
  }
  if (pos + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(i) & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return length;
}

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (std::size_t pos = 0; pos < text.size();) {
    const auto c = static_cast<unsigned char>(text[pos]);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (c < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", c);
          out += escape;
        } else if (c < 0x80) {
          out += static_cast<char>(c);
        } else if (const std::size_t length = Utf8SequenceLength(text, pos)) {
          out.append(text.substr(pos, length));
          pos += length;
          continue;
        } else {
          out += "\xEF\xBF\xBD";  // U+FFFD for a byte that starts no valid sequence
        }
    }
    ++pos;
  }
  out += '"';
}

}  // namespace

Json& Json::Set(std::string_view key, Json value) {
  auto& members = std::get<Object>(value_);
  for (auto& [name, member] : members) {
    if (name == key) {
      member = std::move(value);
      return *this;
    }
  }
  members.emplace_back(std::string(key), std::move(value));
  return *this;
}

Json& Json::Push(Json value) {
  std::get<Array>(value_).push_back(std::move(value));
  return *this;
}

const Json* Json::Find(std::string_view key) const {
  if (!IsObject()) return nullptr;
  for (const auto& [name, member] : Members()) {
    if (name == key) return &member;
  }
  return nullptr;
}

std::string Json::Serialize() const {
  std::string out;
  AppendTo(out);
  return out;
}

void Json::AppendTo(std::string& out) const {
  if (std::holds_alternative<std::monostate>(value_)) {
    out += "null";
  } else if (const bool* flag = std::get_if<bool>(&value_)) {
    out += *flag ? "true" : "false";
  } else if (const std::int64_t* number = std::get_if<std::int64_t>(&value_)) {
    out += std::to_string(*number);
  } else if (const std::string* text = std::get_if<std::string>(&value_)) {
    AppendQuoted(out, *text);
  } else if (const Array* items = std::get_if<Array>(&value_)) {
    out += '[';
    for (std::size_t i = 0; i < items->size(); ++i) {
      if (i > 0) out += ',';
      (*items)[i].AppendTo(out);
    }
    out += ']';
  } else {
    const Object& members = std::get<Object>(value_);
    out += '{';
    for (std::size_t i = 0; i < members.size(); ++i) {
      if (i > 0) out += ',';
      AppendQuoted(out, members[i].first);
      out += ':';
      members[i].second.AppendTo(out);
    }
    out += '}';
  }
}

std::string JsonQuote(std::string_view utf8) {
  std::string out;
  AppendQuoted(out, utf8);
  return out;
}

}  // namespace quenlo::uidriver
