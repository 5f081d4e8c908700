// Stamping the demo codec template: one copy per payload file, each with its own identity.
//
// The template library carries one identity block (demo/codec/codec_stamp.h) holding a
// placeholder class ID. Stamping replaces the block's class ID and description in a copy of the
// file's bytes; everything else stays byte for byte as the template has it.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quenlo::demo {

// A template that has no usable identity block, or values that do not fit it.
class StampError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct CodecIdentity {
  std::string clsid;
  std::string name;
};

// Offset of the identity block in `image`. Throws StampError unless the marker occurs exactly
// once with a whole block after it.
std::size_t FindStamp(std::string_view image);

// The identity that `image` carries (the placeholder for an unstamped template).
CodecIdentity ReadStamp(std::string_view image);

// A copy of the unstamped `templateImage` that carries `identity`. Throws StampError when the
// template is already stamped, the class ID is not in registry form, or the description is not
// printable ASCII or longer than the block allows.
std::string StampCodec(std::string_view templateImage, const CodecIdentity& identity);

}  // namespace quenlo::demo
