#include "archive/record_stream.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>

namespace quenlo::archive {
namespace {

constexpr int kLevel = 6;
constexpr int kWindowBits = 15;
constexpr int kMemLevel = 8;
constexpr std::size_t kInputChunk = 64 * 1024;

constexpr std::size_t kStreamPiece = 64 * 1024;

// libdeflate's state and the buffers of a whole record, kept for the next record instead of
// allocated per record: buffers of this size come fresh from the system each time, and their pages
// would be faulted in and cleared again for every record.
struct WholeInflater {
  libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
  std::vector<unsigned char> stored;
  std::vector<unsigned char> output;
  ~WholeInflater() { libdeflate_free_decompressor(decompressor); }
};

// The inflaters not in use, shared by the threads that inflate (the extraction's inflater and the
// payload check each take one at a time). Not a thread_local: with MinGW's emulated thread-local
// storage, a thread_local object's destructor runs after the thread's storage has been freed, so
// it would free pointers read from memory that another thread may already have been given.
class WholeInflaterPool {
 public:
  WholeInflaterPool() { idle_.reserve(kKept); }
  std::unique_ptr<WholeInflater> Take() {
    {
      const std::lock_guard lock(mutex_);
      if (!idle_.empty()) {
        std::unique_ptr<WholeInflater> inflater = std::move(idle_.back());
        idle_.pop_back();
        return inflater;
      }
    }
    return std::make_unique<WholeInflater>();
  }
  // Keeps at most kKept; the vector never grows, so giving back cannot fail.
  void Give(std::unique_ptr<WholeInflater> inflater) noexcept {
    const std::lock_guard lock(mutex_);
    if (idle_.size() < kKept) idle_.push_back(std::move(inflater));
  }

 private:
  static constexpr std::size_t kKept = 8;
  std::mutex mutex_;
  std::vector<std::unique_ptr<WholeInflater>> idle_;
};

WholeInflaterPool& Inflaters() {
  static WholeInflaterPool pool;
  return pool;
}

// One inflater for the length of one record.
class InflaterLease {
 public:
  InflaterLease() : inflater_(Inflaters().Take()) {}
  ~InflaterLease() { Inflaters().Give(std::move(inflater_)); }
  InflaterLease(const InflaterLease&) = delete;
  InflaterLease& operator=(const InflaterLease&) = delete;
  WholeInflater& operator*() const { return *inflater_; }

 private:
  std::unique_ptr<WholeInflater> inflater_;
};

// Inflates stored data held whole in memory with libdeflate. Nothing when the output would not
// fit `outputLimit` or the stream is broken: the caller streams it with zlib then, which also
// words what is wrong with it.
std::optional<std::uint64_t> InflateWhole(WholeInflater& inflater,
                                          std::span<const unsigned char> stored,
                                          const InflatedPiece& sink, std::size_t outputLimit) {
  if (inflater.decompressor == nullptr) throw std::bad_alloc();
  std::size_t capacity = std::min(outputLimit, std::max<std::size_t>(stored.size() * 4, 4096));
  for (;;) {
    if (inflater.output.size() < capacity) inflater.output.resize(capacity);
    std::size_t used = 0;
    std::size_t produced = 0;
    const libdeflate_result result =
        libdeflate_zlib_decompress_ex(inflater.decompressor, stored.data(), stored.size(),
                                      inflater.output.data(), capacity, &used, &produced);
    if (result == LIBDEFLATE_SUCCESS) {
      if (used != stored.size()) {
        throw StreamError(std::to_string(stored.size() - used) +
                          " bytes follow the end of the stream");
      }
      if (produced != 0) sink(inflater.output.data(), produced);
      return produced;
    }
    if (result != LIBDEFLATE_INSUFFICIENT_SPACE || capacity == outputLimit) return std::nullopt;
    capacity = std::min(outputLimit, capacity * 2);
  }
}

std::string ZlibReason(const z_stream& stream, int code) {
  if (stream.msg != nullptr) return stream.msg;
  switch (code) {
    case Z_NEED_DICT:
      return "the stream asks for a preset dictionary";
    case Z_MEM_ERROR:
      return "out of memory";
    case Z_BUF_ERROR:
      return "the stream ends before its end marker";
    default:
      return "zlib error " + std::to_string(code);
  }
}

// Ends the inflate stream on every way out.
struct InflateGuard {
  z_stream* stream;
  ~InflateGuard() { inflateEnd(stream); }
};

}  // namespace

std::vector<unsigned char> CompressRecord(std::span<const unsigned char> content) {
  z_stream stream{};
  if (deflateInit2(&stream, kLevel, Z_DEFLATED, kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    throw std::bad_alloc();
  }
  std::vector<unsigned char> out(deflateBound(&stream, content.size()));
  stream.next_in = const_cast<unsigned char*>(content.data());
  stream.avail_in = static_cast<uInt>(content.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  const int code = deflate(&stream, Z_FINISH);
  const std::size_t produced = out.size() - stream.avail_out;
  deflateEnd(&stream);
  if (code != Z_STREAM_END) throw std::runtime_error("deflate failed: " + std::to_string(code));
  out.resize(produced);
  return out;
}

std::uint64_t InflateStoredData(ByteSource& source, std::uint64_t offset, std::uint64_t size,
                                const InflatedPiece& sink, std::size_t pieceSize) {
  // zlib inflates the deflate data raw; its two header bytes are checked here, and its Adler-32
  // trailer against libdeflate's checksum of the output, several times as fast as zlib's own. The
  // words for what is wrong are zlib's.
  z_stream stream{};
  if (inflateInit2(&stream, -kWindowBits) != Z_OK) throw StreamError("out of memory");
  InflateGuard guard{&stream};

  std::vector<unsigned char> input(
      static_cast<std::size_t>(std::min<std::uint64_t>(size, kInputChunk)));
  std::vector<unsigned char> output(pieceSize);
  std::uint64_t read = 0;
  // Makes at least `wanted` unread input bytes available unless the stored data ends first.
  const auto refill = [&](std::size_t wanted) {
    if (stream.avail_in >= wanted || read == size) return stream.avail_in >= wanted;
    std::copy_n(stream.next_in, stream.avail_in, input.data());
    const auto chunk = static_cast<std::size_t>(
        std::min<std::uint64_t>(size - read, input.size() - stream.avail_in));
    source.ReadAt(offset + read, input.data() + stream.avail_in, chunk);
    read += chunk;
    stream.next_in = input.data();
    stream.avail_in += static_cast<uInt>(chunk);
    return stream.avail_in >= wanted;
  };
  if (!refill(2)) throw StreamError("the stream ends before its end marker");
  const unsigned cmf = stream.next_in[0];
  const unsigned flg = stream.next_in[1];
  if ((cmf * 256 + flg) % 31 != 0) throw StreamError("incorrect header check");
  if ((cmf & 0x0F) != Z_DEFLATED) throw StreamError("unknown compression method");
  if ((cmf >> 4) + 8 > kWindowBits) throw StreamError("invalid window size");
  if ((flg & 0x20) != 0) throw StreamError(ZlibReason(stream, Z_NEED_DICT));
  stream.next_in += 2;
  stream.avail_in -= 2;

  std::uint32_t adler = 1;
  std::uint64_t inflated = 0;
  int code = Z_OK;
  while (code != Z_STREAM_END) {
    if (stream.avail_in == 0 && !refill(1)) {
      throw StreamError("the stream ends before its end marker");
    }
    stream.next_out = output.data();
    stream.avail_out = static_cast<uInt>(output.size());
    code = inflate(&stream, Z_NO_FLUSH);
    if (code == Z_NEED_DICT || code == Z_DATA_ERROR || code == Z_MEM_ERROR ||
        code == Z_STREAM_ERROR) {
      throw StreamError(ZlibReason(stream, code));
    }
    const std::size_t produced = output.size() - stream.avail_out;
    if (produced != 0) {
      adler = libdeflate_adler32(adler, output.data(), produced);
      sink(output.data(), produced);
    }
    inflated += produced;
  }
  if (!refill(4)) throw StreamError("the stream ends before its end marker");
  if (TrailerAdler32(stream.next_in) != adler) throw StreamError("incorrect data check");
  const std::uint64_t unused = (size - read) + stream.avail_in - 4;
  if (unused != 0) {
    throw StreamError(std::to_string(unused) + " bytes follow the end of the stream");
  }
  return inflated;
}

std::uint64_t InflateRecordData(ByteSource& source, std::uint64_t offset, std::uint64_t size,
                                const InflatedPiece& sink, const WholeRecordBounds& bounds) {
  if (size > bounds.stored) return InflateStoredData(source, offset, size, sink, kStreamPiece);
  const InflaterLease lease;
  std::vector<unsigned char>& buffer = (*lease).stored;
  if (buffer.size() < size) buffer.resize(static_cast<std::size_t>(size));
  const std::span<const unsigned char> stored(buffer.data(), static_cast<std::size_t>(size));
  source.ReadAt(offset, buffer.data(), stored.size());
  if (const std::optional<std::uint64_t> inflated =
          InflateWhole(*lease, stored, sink, bounds.output))
    return *inflated;
  MemorySource held(stored);
  return InflateStoredData(held, 0, stored.size(), sink, kStreamPiece);
}

int InflateRecord(ByteSource& source, std::uint64_t offset, std::uint64_t size, ByteSink& output,
                  std::string* reason) {
  if (size == 0) return 0;
  try {
    InflateRecordData(source, offset, size, [&](const unsigned char* data, std::size_t length) {
      output.Write(data, length);
    });
    return 0;
  } catch (const StreamError& error) {
    if (reason != nullptr) *reason = error.what();
    return -1;
  } catch (const std::bad_alloc&) {
    if (reason != nullptr) *reason = "out of memory";
    return -2;
  }
}

}  // namespace quenlo::archive
