#include "demo/generator/generate.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

#include "demo/generator/clsid.h"
#include "demo/generator/filler.h"
#include "demo/generator/images.h"
#include "demo/generator/stamp.h"

namespace quenlo::demo {
namespace {

namespace fs = std::filesystem;

constexpr int kJpegQuality = 88;

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw GenerateError("cannot read " + path.string());
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw GenerateError("cannot read " + path.string());
  return bytes;
}

// The file's path under `out`: each backslash-separated part of the name is a folder or the file.
fs::path OutputPath(const fs::path& out, const std::string& name) {
  fs::path path = out;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = name.find('\\', start);
    const std::string part = name.substr(start, end - start);
    path /= fs::path(std::u8string(part.begin(), part.end()));
    if (end == std::string::npos) return path;
    start = end + 1;
  }
}

std::string FileNameOf(const std::string& name) { return name.substr(name.rfind('\\') + 1); }

std::string Padded(std::string bytes, const PayloadFile& file) {
  if (file.size > bytes.size()) {
    AppendFiller(bytes, static_cast<std::size_t>(file.size - bytes.size()), file.ratio,
                 SeedFor(file.name));
  }
  return bytes;
}

}  // namespace

Templates LoadTemplates(const fs::path& folder) {
  Templates templates{ReadWhole(folder / kPlayerTemplate), ReadWhole(folder / kUninstallerTemplate),
                      ReadWhole(folder / kCodecTemplate)};
  try {
    StampCodec(templates.codec, CodecIdentity{ClsidForName("check"), "check"});
  } catch (const StampError& error) {
    throw GenerateError((folder / kCodecTemplate).string() + ": " + error.what());
  }
  return templates;
}

std::string CodecDescription(const std::string& payloadName) {
  return "Quenlo demo codec " + FileNameOf(payloadName);
}

std::string BuildFile(const PayloadFile& file, const std::vector<PayloadFile>& layout,
                      const Templates& templates) {
  const std::uint64_t seed = SeedFor(file.name);
  switch (file.kind) {
    case FileKind::kCodec:
      return Padded(StampCodec(templates.codec,
                               CodecIdentity{ClsidForName(file.name), CodecDescription(file.name)}),
                    file);
    case FileKind::kPlayer:
      return Padded(templates.player, file);
    case FileKind::kUninstaller:
      return Padded(templates.uninstaller, file);
    case FileKind::kBitmap:
      return EncodeBmp(DrawSkinPiece(file.width, file.height, seed, file.grain));
    case FileKind::kIcon: {
      std::vector<Picture> pictures;
      for (const int size : {16, 32, 48}) {
        if (size <= file.width) pictures.push_back(DrawBadge(size, seed));
      }
      return EncodeIco(pictures);
    }
    case FileKind::kJpeg:
      return EncodeJpeg(DrawBackdrop(file.width, file.height, seed), kJpegQuality);
    case FileKind::kText:
      return file.text;
    case FileKind::kBinary:
      return Padded(file.text, file);
    case FileKind::kCopy: {
      const auto source = std::find_if(layout.begin(), layout.end(), [&](const PayloadFile& other) {
        return other.name == file.source && other.kind != FileKind::kCopy;
      });
      if (source == layout.end()) throw GenerateError(file.name + ": no file " + file.source);
      return BuildFile(*source, layout, templates);
    }
  }
  throw GenerateError(file.name + ": unknown kind of file");
}

GenerateSummary GenerateDemoPayload(const Templates& templates, Variant variant,
                                    const fs::path& out) {
  std::error_code error;
  if (fs::exists(out, error) && !(fs::is_directory(out, error) && fs::is_empty(out, error))) {
    throw GenerateError(out.string() + " is in the way: the output folder must be new or empty");
  }
  const std::vector<PayloadFile> layout = DemoPayloadLayout(variant);
  GenerateSummary summary;
  for (const PayloadFile& file : layout) {
    const std::string bytes = BuildFile(file, layout, templates);
    const fs::path path = OutputPath(out, file.name);
    fs::create_directories(path.parent_path(), error);
    std::ofstream stream(path, std::ios::binary);
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    stream.close();
    if (!stream) throw GenerateError("cannot write " + path.string());
    ++summary.files;
    summary.bytes += bytes.size();
  }
  return summary;
}

}  // namespace quenlo::demo
