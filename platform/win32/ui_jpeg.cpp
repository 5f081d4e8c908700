#include "platform/win32/ui_jpeg.h"

#include <csetjmp>
#include <cstdio>
// libjpeg needs <cstdio> before it.
#include <jpeglib.h>

namespace quenlo::win32 {
namespace {

// libjpeg reports a fatal error through error_exit, which must not return; it jumps back to
// the point set in Decode. Warnings about corrupt data are not shown anywhere.
struct ErrorManager {
  jpeg_error_mgr shared;
  std::jmp_buf jump;
};

[[noreturn]] void OnFatalError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void OnMessage(j_common_ptr) {}

struct Decoder {
  jpeg_decompress_struct info = {};
  ErrorManager errors = {};
  DecodedJpeg image;
};

// Everything between setjmp and a jump works on *decoder only, which lives in the caller's
// frame, so no local variable of this frame is read after a jump.
bool Decode(Decoder* decoder, const std::uint8_t* data, std::size_t size) {
  decoder->info.err = jpeg_std_error(&decoder->errors.shared);
  decoder->errors.shared.error_exit = OnFatalError;
  decoder->errors.shared.output_message = OnMessage;
  if (setjmp(decoder->errors.jump) != 0) return false;

  jpeg_create_decompress(&decoder->info);
  jpeg_mem_src(&decoder->info, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(&decoder->info, TRUE) != JPEG_HEADER_OK) return false;
  switch (decoder->info.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
      break;
    default:
      return false;
  }
  decoder->info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&decoder->info);
  const auto width = static_cast<int>(decoder->info.output_width);
  const auto height = static_cast<int>(decoder->info.output_height);
  if (width <= 0 || height <= 0 || width > kMaxJpegSide || height > kMaxJpegSide ||
      decoder->info.output_components != 3) {
    return false;
  }
  DecodedJpeg& image = decoder->image;
  image.width = width;
  image.height = height;
  image.stride = (width * 3 + 3) & ~3;
  image.pixels.assign(static_cast<std::size_t>(image.stride) * static_cast<std::size_t>(height), 0);
  while (decoder->info.output_scanline < decoder->info.output_height) {
    JSAMPROW row = image.pixels.data() +
                   static_cast<std::size_t>(decoder->info.output_scanline) * image.stride;
    if (jpeg_read_scanlines(&decoder->info, &row, 1) != 1) return false;
  }
  jpeg_finish_decompress(&decoder->info);
  return true;
}

}  // namespace

std::optional<DecodedJpeg> DecodeJpeg(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size == 0) return std::nullopt;
  Decoder decoder;
  const bool decoded = Decode(&decoder, data, size);
  jpeg_destroy_decompress(&decoder.info);
  if (!decoded) return std::nullopt;
  return std::move(decoder.image);
}

}  // namespace quenlo::win32
