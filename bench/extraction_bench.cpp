// Extraction benchmark. In one run, side by side:
//   - the extraction of a setup file with pacing off (the setup's and quenlo-pack's), against
//     `cp -r` of the tree it makes (both writing new files on the same disk), timed in turns over
//     several rounds, and against the same streams inflated into memory with plain zlib and with
//     libdeflate;
//   - quenlo-pack's pack of that tree on one core and on all, and whether the outputs are the same;
//   - the peak memory of the extraction above the process's baseline, for the given setup file,
//     for a synthetic payload of 1 GiB holding one 512 MiB record, and for a payload of the image
//     alone (what the extraction's threads cost whatever the payload);
//   - the extraction with its pauses, against the sum of the pauses (the pacing floor).
// Every scenario runs in a child process of its own, so each peak is its own.
//
//   extraction_bench SETUP.exe [--synthetic-mib N]   (N: size of the large record, default 512)
#include <libdeflate.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "archive/archive_reader.h"
#include "archive/archive_writer.h"
#include "archive/record_stream.h"
#include "install/extraction.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/temp_dir.h"
#include "tools/quenlo-pack/extract.h"
#include "tools/quenlo-pack/file_io.h"
#include "tools/quenlo-pack/pack.h"

namespace {

using namespace quenlo;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

long StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
  }
  return -1;
}

// Runs `body` in a child process and returns the doubles it reports.
std::vector<double> InChild(const std::function<std::vector<double>()>& body) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    const std::vector<double> values = body();
    const ssize_t ignored = write(pipeEnds[1], values.data(), values.size() * sizeof(double));
    (void)ignored;
    _exit(0);
  }
  close(pipeEnds[1]);
  std::vector<double> values;
  double value;
  while (read(pipeEnds[0], &value, sizeof value) == sizeof value) values.push_back(value);
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return values;
}

// Plain zlib: every record's stored data read whole, then inflated into memory, `pieceSize`
// bytes of output per inflate call.
std::vector<double> RawInflate(const std::string& path, std::size_t pieceSize) {
  FileSource source(path);
  archive::ArchiveWalker walker(source);
  double seconds = 0;
  double inflated = 0;
  std::vector<unsigned char> stored;
  std::vector<unsigned char> output(pieceSize);
  while (auto record = walker.Next()) {
    if (record->IsImage()) break;
    stored.resize(static_cast<std::size_t>(record->storedSize));
    source.ReadAt(record->dataOffset, stored.data(), stored.size());
    const auto start = Clock::now();
    z_stream stream{};
    inflateInit(&stream);
    stream.next_in = stored.data();
    stream.avail_in = static_cast<uInt>(stored.size());
    int code = Z_OK;
    while (code == Z_OK) {
      stream.next_out = output.data();
      stream.avail_out = static_cast<uInt>(output.size());
      code = inflate(&stream, Z_NO_FLUSH);
      inflated += static_cast<double>(output.size() - stream.avail_out);
    }
    inflateEnd(&stream);
    seconds += Seconds(start);
  }
  return {inflated, seconds};
}

// libdeflate: every record's stored data read whole, then inflated whole into memory (the output
// buffer sized by a first, untimed pass).
std::vector<double> RawLibdeflate(const std::string& path) {
  FileSource source(path);
  archive::ArchiveWalker walker(source);
  libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
  double seconds = 0;
  double inflated = 0;
  std::vector<unsigned char> stored;
  std::vector<unsigned char> output;
  while (auto record = walker.Next()) {
    if (record->IsImage()) break;
    stored.resize(static_cast<std::size_t>(record->storedSize));
    source.ReadAt(record->dataOffset, stored.data(), stored.size());
    MemorySource held(stored);
    output.resize(static_cast<std::size_t>(archive::InflateStoredData(
        held, 0, stored.size(), [](const unsigned char*, std::size_t) {}, 1 << 20)));
    const auto start = Clock::now();
    std::size_t produced = 0;
    libdeflate_zlib_decompress(decompressor, stored.data(), stored.size(), output.data(),
                               output.size(), &produced);
    seconds += Seconds(start);
    inflated += static_cast<double>(produced);
  }
  libdeflate_free_decompressor(decompressor);
  return {inflated, seconds};
}

// quenlo-pack's pack of the setup file's tree (extracted into a fresh folder first) on one thread
// and on one per core. Gives the two packing times, whether the two setup files are the same,
// and the bytes packed.
std::vector<double> PackOnOneAndAllCores(const std::string& path) {
  namespace fs = std::filesystem;
  testing::TempDir scratch;
  const fs::path tree = scratch.path() / "tree";
  FileSource source(path);
  packer::Extract(source, tree, nullptr);
  std::vector<double> packSeconds;
  std::vector<std::vector<char>> outputs;
  double packed = 0;
  for (const unsigned threads : {1u, 0u}) {
    packer::PackOptions options;
    options.image = fs::absolute(path);  // any file serves as the stub
    options.from = tree;
    options.output = scratch.path() / ("packed" + std::to_string(threads) + ".exe");
    options.threads = threads;
    const auto start = Clock::now();
    packed = static_cast<double>(packer::Pack(options).contentBytes);
    packSeconds.push_back(Seconds(start));
    std::ifstream in(options.output, std::ios::binary);
    outputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return {packSeconds[0], packSeconds[1], outputs[0] == outputs[1] ? 1.0 : 0.0, packed};
}

// The extraction into a fresh folder tree. With `paced`, the pauses are really waited.
std::vector<double> Extract(const std::string& path, bool paced) {
  testing::FakeFileSystem files;
  files.AddDrive('D', platform::DriveType::Fixed, 1ull << 40);
  const std::string module = "C:\\Setup\\QuenloSetup.exe";
  std::filesystem::create_directories(files.NativePath("C:\\Setup"));
  std::filesystem::create_symlink(std::filesystem::absolute(path), files.NativePath(module));
  files.SetModulePath(module);
  testing::FakeClock pacing;
  if (paced) {
    pacing.OnSleep([](unsigned ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); });
  }
  SetupSession session;
  ExtractedFiles extracted;
  files.CreateFolder("D:\\Player");
  const long baseline = StatusKiB("VmRSS:");
  const auto start = Clock::now();
  ExtractPayload(session, files, pacing, "D:\\Player", extracted);
  const double seconds = Seconds(start);
  const long peak = StatusKiB("VmHWM:");
  double inflated = 0;
  for (const std::string& file : extracted.paths()) {
    inflated += static_cast<double>(std::filesystem::file_size(files.NativePath(file)));
  }
  double pauses = 0;
  for (unsigned ms : pacing.sleeps()) pauses += ms;
  return {inflated, seconds, static_cast<double>(peak - baseline) / 1024.0, pauses / 1000.0};
}

// A setup file of `totalMiB` inflated in records of at most `largestMiB`, the first the largest.
std::string MakeSyntheticSetup(unsigned largestMiB, unsigned totalMiB) {
  const std::string path =
      (std::filesystem::temp_directory_path() / "quenlo-bench-setup.exe").string();
  FileSink sink(path);
  archive::ArchiveWriter writer(sink);
  const std::vector<unsigned char> image(64 * 1024, 0x4D);
  writer.WriteImage(image);
  unsigned left = totalMiB;
  for (int index = 0; left > 0; ++index) {
    const unsigned mib = std::min(left, index == 0 ? largestMiB : 64u);
    left -= mib;
    // Stream-compress `mib` MiB of mildly compressible bytes.
    z_stream stream{};
    deflateInit(&stream, 6);
    std::vector<unsigned char> chunk(1 << 20);
    std::vector<unsigned char> out(deflateBound(&stream, chunk.size()) + 64);
    std::vector<unsigned char> stored;
    std::uint32_t state = 12345u + static_cast<std::uint32_t>(index);
    for (unsigned m = 0; m < mib; ++m) {
      for (auto& byte : chunk) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<unsigned char>((state >> 16) % 23);
      }
      stream.next_in = chunk.data();
      stream.avail_in = static_cast<uInt>(chunk.size());
      const int flush = m + 1 == mib ? Z_FINISH : Z_NO_FLUSH;
      do {
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        deflate(&stream, flush);
        stored.insert(stored.end(), out.data(), out.data() + (out.size() - stream.avail_out));
      } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    writer.AppendRecord("App\\Data\\part" + std::to_string(index) + ".bin", stored);
  }
  sink.Close();
  return path;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The file system's speed varies from one run to the next by more than the differences measured
// here, so the extraction and the copy are timed in turns, kRounds times each, the order of the
// two swapped every round: quenlo-pack's extract and `cp -r` of the tree it makes (both writing a
// fresh tree on the same disk), then the setup's extraction. Gives the three medians, then the
// lowest and highest ratio of the setup's extraction to the copy within one round.
constexpr int kRounds = 15;
std::vector<double> ExtractionAndCopyInTurns(const std::string& path) {
  namespace fs = std::filesystem;
  testing::TempDir reference;
  {
    packer::PathSource source(path);  // as quenlo-pack reads it
    packer::Extract(source, reference.path() / "tree", nullptr);
  }
  std::vector<double> extract, copy, setupExtract;
  for (int round = 0; round < kRounds; ++round) {
    testing::TempDir scratch;
    const auto extractOnce = [&] {
      packer::PathSource source(path);  // as quenlo-pack reads it
      const auto start = Clock::now();
      packer::Extract(source, scratch.path() / "tree", nullptr);
      extract.push_back(Seconds(start));
    };
    const auto copyOnce = [&] {
      const std::string command = "cp -r '" + (reference.path() / "tree").string() + "' '" +
                                  (scratch.path() / "copy").string() + "'";
      const auto start = Clock::now();
      if (std::system(command.c_str()) != 0) return false;
      copy.push_back(Seconds(start));
      return true;
    };
    if (round % 2 == 0) {
      extractOnce();
      if (!copyOnce()) return {};
    } else {
      if (!copyOnce()) return {};
      extractOnce();
    }
    setupExtract.push_back(Extract(path, false)[1]);
  }
  std::vector<double> ratios;
  for (int round = 0; round < kRounds; ++round) ratios.push_back(setupExtract[round] / copy[round]);
  std::sort(ratios.begin(), ratios.end());
  return {Median(extract), Median(copy), Median(setupExtract), ratios.front(), ratios.back()};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s SETUP.exe [--synthetic-mib N]\n", argv[0]);
    return 2;
  }
  const std::string setup = argv[1];
  unsigned largestMiB = 512;
  if (argc >= 4 && std::string(argv[2]) == "--synthetic-mib") {
    largestMiB = static_cast<unsigned>(std::stoul(argv[3]));
  }

  const auto raw = InChild([&] { return RawInflate(setup, 1 << 20); });
  const auto whole = InChild([&] { return RawLibdeflate(setup); });
  const auto fast = InChild([&] { return Extract(setup, false); });
  const auto packs = InChild([&] { return PackOnOneAndAllCores(setup); });
  const auto paced = InChild([&] { return Extract(setup, true); });
  const auto turns = InChild([&] { return ExtractionAndCopyInTurns(setup); });
  if (raw.size() != 2 || whole.size() != 2 || fast.size() != 4 || packs.size() != 4 ||
      paced.size() != 4 || turns.size() != 5) {
    std::fprintf(stderr, "a scenario failed\n");
    return 1;
  }
  std::printf("setup file: %s (%.1f MB inflated)\n", setup.c_str(), fast[0] / 1e6);
  std::printf("in turns, median of %d rounds each:\n", kRounds);
  std::printf("  cp -r of the inflated tree:    %8.3f s\n", turns[1]);
  std::printf(
      "  setup's extraction, no pauses: %8.3f s   %8.1f MB/s   ratio to cp -r %.2f (goal <= 1.5)\n",
      turns[2], fast[0] / turns[2] / 1e6, turns[2] / turns[1]);
  std::printf("  quenlo-pack extract:           %8.3f s   ratio to cp -r %.2f (goal <= 1.2)\n",
              turns[0], turns[0] / turns[1]);
  std::printf("  setup's extraction to cp -r within one round: %.2f to %.2f\n", turns[3], turns[4]);
  std::printf("plain zlib into memory:   %8.3f s   %8.1f MB/s\n", raw[1], raw[0] / raw[1] / 1e6);
  std::printf("libdeflate into memory:   %8.3f s   %8.1f MB/s   (%.2f times zlib)\n", whole[1],
              whole[0] / whole[1] / 1e6, raw[1] / whole[1]);
  const unsigned cores = std::thread::hardware_concurrency();
  std::printf("pack, 1 thread:           %8.3f s   %8.1f MB/s\n", packs[0],
              packs[3] / packs[0] / 1e6);
  std::printf("pack, %u threads:          %8.3f s   %8.1f MB/s   (%.2f times one; output %s)\n",
              cores, packs[1], packs[3] / packs[1] / 1e6, packs[0] / packs[1],
              packs[2] == 1.0 ? "the same" : "DIFFERENT");
  std::printf("paced extraction:         %8.3f s\n", paced[1]);
  std::printf("pacing floor (pauses):    %8.3f s   ratio %.2f\n", paced[3], paced[1] / paced[3]);

  std::printf("building a synthetic payload: 1024 MiB with one %u MiB record...\n", largestMiB);
  const std::string synthetic = MakeSyntheticSetup(largestMiB, 1024);
  const auto big = InChild([&] { return Extract(synthetic, false); });
  const auto bigRaw = InChild([&] { return RawInflate(synthetic, 1 << 20); });
  std::filesystem::remove(synthetic);
  // A payload of the image alone: what any extraction costs (its threads), buffers aside.
  const std::string imageOnly = MakeSyntheticSetup(0, 0);
  const auto none = InChild([&] { return Extract(imageOnly, false); });
  std::filesystem::remove(imageOnly);
  if (big.size() != 4 || bigRaw.size() != 2 || none.size() != 4) {
    std::fprintf(stderr, "the synthetic scenario failed\n");
    return 1;
  }
  std::printf("peak memory above baseline, demo:       %6.1f MiB\n", fast[2]);
  std::printf("peak memory above baseline, synthetic:  %6.1f MiB\n", big[2]);
  std::printf("peak memory above baseline, image only: %6.1f MiB\n", none[2]);
  std::printf("synthetic: extraction %.1f MB/s, plain zlib into memory %.1f MB/s, ratio %.2f\n",
              big[0] / big[1] / 1e6, bigRaw[0] / bigRaw[1] / 1e6,
              (big[0] / big[1]) / (bigRaw[0] / bigRaw[1]));
  return 0;
}
