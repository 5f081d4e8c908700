#include "demo/generator/stamp.h"

#include <algorithm>

#include "demo/codec/codec_stamp.h"
#include "demo/generator/clsid.h"

namespace quenlo::demo {
namespace {

constexpr std::string_view kMarker(kStampMarker, kStampMarkerSize);

// The zero-terminated text at the start of a zero-filled field.
std::string FieldText(std::string_view field) {
  return std::string(field.substr(0, field.find('\0')));
}

void WriteField(std::string& image, std::size_t offset, std::size_t size, std::string_view text) {
  std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(offset), size, '\0');
  std::copy(text.begin(), text.end(), image.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

std::size_t FindStamp(std::string_view image) {
  const std::size_t first = image.find(kMarker);
  if (first == std::string_view::npos) {
    throw StampError("the codec template holds no identity block");
  }
  if (image.find(kMarker, first + 1) != std::string_view::npos) {
    throw StampError("the codec template holds more than one identity block");
  }
  if (image.size() - first < kStampSize) {
    throw StampError("the codec template's identity block is cut short");
  }
  return first;
}

CodecIdentity ReadStamp(std::string_view image) {
  const std::size_t block = FindStamp(image);
  return CodecIdentity{FieldText(image.substr(block + kStampClsidOffset, kStampClsidSize)),
                       FieldText(image.substr(block + kStampNameOffset, kStampNameSize))};
}

std::string StampCodec(std::string_view templateImage, const CodecIdentity& identity) {
  const std::size_t block = FindStamp(templateImage);
  if (FieldText(templateImage.substr(block + kStampClsidOffset, kStampClsidSize)) !=
      kPlaceholderClsid) {
    throw StampError("the codec template is stamped already");
  }
  if (!IsRegistryClsid(identity.clsid)) {
    throw StampError("not a class ID in registry form: " + identity.clsid);
  }
  if (identity.name.empty() || identity.name.size() >= kStampNameSize) {
    throw StampError("a codec description takes 1 to " + std::to_string(kStampNameSize - 1) +
                     " characters: " + identity.name);
  }
  if (!std::all_of(identity.name.begin(), identity.name.end(),
                   [](char c) { return c >= 0x20 && c < 0x7F; })) {
    throw StampError("a codec description is printable ASCII: " + identity.name);
  }
  std::string image(templateImage);
  WriteField(image, block + kStampClsidOffset, kStampClsidSize, identity.clsid);
  WriteField(image, block + kStampNameOffset, kStampNameSize, identity.name);
  return image;
}

}  // namespace quenlo::demo
