// Linux: native names and the terminal are UTF-8; GBK goes through iconv's "CP936", which maps
// like Windows code page 936 (0x80 is the euro sign).
#include "platform/text_encoding.h"

#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "platform/console_text.h"

namespace quenlo::platform {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Nothing when the input holds a sequence that is invalid or has no encoding in the target.
  std::optional<std::string> Convert(std::string_view input) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    std::string in(input);
    std::string out(in.size() * 4 + 8, '\0');
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
      return std::nullopt;
    }
    out.resize(out.size() - outLeft);
    return out;
  }

 private:
  iconv_t cd_;
};

Converter& ToGbk() {
  thread_local Converter converter("CP936", "UTF-8");
  return converter;
}

Converter& FromGbk() {
  thread_local Converter converter("UTF-8", "CP936");
  return converter;
}

}  // namespace

std::optional<std::string> NativeNameToGbk(const std::filesystem::path& name) {
  const std::string& utf8 = name.native();
  auto gbk = ToGbk().Convert(utf8);
  if (!gbk) return std::nullopt;
  // Refuse a character that GBK only approximates: it would come back as another name.
  if (FromGbk().Convert(*gbk) != utf8) return std::nullopt;
  return gbk;
}

std::optional<std::filesystem::path> GbkToNativeName(std::string_view gbk) {
  auto utf8 = FromGbk().Convert(gbk);
  if (!utf8 || ToGbk().Convert(*utf8) != gbk) return std::nullopt;
  return std::filesystem::path(*utf8);
}

std::string GbkToConsole(std::string_view gbk) {
  return GbkToConsoleText(gbk, [](std::string_view character) -> std::optional<std::string> {
    if (static_cast<unsigned char>(character[0]) < 0x80) return std::string(character);
    return FromGbk().Convert(character);
  });
}

std::string NativeNameToConsole(const std::filesystem::path& name) {
  std::string out;
  for (const char c : name.native()) {
    if (IsConsoleControl(static_cast<unsigned char>(c))) {
      AppendHexByte(out, static_cast<unsigned char>(c));
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::filesystem::path> NativeArguments(int argc, char** argv) {
  std::vector<std::filesystem::path> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return arguments;
}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

}  // namespace quenlo::platform
