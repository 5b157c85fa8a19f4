// Feeds arbitrary bytes to the frame decoder and the incremental reader.
//
// Whatever the input, the decoder must either return a frame or raise
// EWireError: any other exception, a crash, a sanitizer report or a single
// allocation above the run's -malloc_limit_mb is a finding. A frame that
// decodes must encode back to exactly the bytes it came from, since the format
// has one spelling for every frame.
//
// Built and run by scripts/fuzz-wire.sh. Built with -DWIRE_FUZZ_SEEDS instead
// of -fsanitize=fuzzer, this file is a program that writes a seed corpus of
// sound frames to the folder named by its argument.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dispatch/wire.h"

namespace {

using pellor::DispatchPtr;
using pellor::Variant;

// Stands in for an object the peer named; remembers the handle and class
// name so that re-encoding it gives the same bytes.
class TFuzzObject : public pellor::IDispatchObject {
 public:
  TFuzzObject(uint64_t handle, std::string className)
      : handle_(handle), className_(std::move(className)) {}
  std::string DispatchClassName() const override { return className_; }
  Variant Invoke(std::string_view, pellor::VarArgs&) override { return Variant(); }
  Variant GetProperty(std::string_view) override { return Variant(); }
  void SetProperty(std::string_view, const Variant&) override {}
  uint64_t Handle() const { return handle_; }

 private:
  uint64_t handle_;
  std::string className_;
};

class TFuzzTable : public pellor::WireObjectTable {
 public:
  uint64_t HandleOf(const DispatchPtr& object) override {
    return static_cast<TFuzzObject*>(object.get())->Handle();
  }
  DispatchPtr ObjectOf(uint64_t handle, const std::string& className) override {
    if (handle == 0) return nullptr;  // exercises the unknown-handle path
    return std::make_shared<TFuzzObject>(handle, className);
  }
};

// Small limits, so that short inputs reach every limit check.
pellor::WireLimits FuzzLimits() {
  pellor::WireLimits limits;
  limits.maxFrameBytes = 1 << 16;
  limits.maxDepth = 8;
  limits.maxElements = 512;
  limits.maxTextBytes = 256;
  return limits;
}

void CheckOneFrame(std::string_view bytes, const pellor::WireLimits& limits) {
  TFuzzTable table;
  pellor::Frame frame;
  try {
    frame = pellor::DecodeFrame(bytes, &table, limits);
  } catch (const pellor::EWireError&) {
    return;
  }
  const std::string again = pellor::EncodeFrame(frame, &table, limits);
  if (again != bytes) {
    std::fprintf(stderr, "a decoded frame encodes to %zu bytes other than its %zu input bytes\n",
                 again.size(), bytes.size());
    std::abort();
  }
  if (frame.kind == pellor::FrameKind::kError) {
    try {
      pellor::RaiseErrorFrame(frame);
    } catch (const pellor::Exception&) {
    }
  }
}

// Cuts the input into chunks whose sizes come from the input itself.
void CheckReader(const uint8_t* data, size_t size, const pellor::WireLimits& limits) {
  if (size == 0) return;
  TFuzzTable table;
  pellor::FrameReader reader(&table, limits);
  const size_t step = data[0] % 7 + 1;
  pellor::Frame frame;
  for (size_t pos = 1; pos < size; pos += step) {
    const size_t n = pos + step <= size ? step : size - pos;
    try {
      reader.Feed(std::string_view(reinterpret_cast<const char*>(data) + pos, n));
    } catch (const pellor::EWireError&) {
      return;  // the stream has lost its frame boundary
    }
    for (;;) {
      try {
        if (!reader.Next(&frame)) break;
      } catch (const pellor::EWireError&) {
        // That frame is consumed; carry on with the next one.
      }
    }
  }
}

}  // namespace

#ifndef WIRE_FUZZ_SEEDS

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const pellor::WireLimits limits = FuzzLimits();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckOneFrame(bytes, limits);
  // The shipped limits too: under them a count that escaped the check against
  // the remaining bytes asks for far more than -malloc_limit_mb.
  CheckOneFrame(bytes, pellor::WireLimits());
  CheckReader(data, size, limits);
  return 0;
}

#else

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
    return 2;
  }
  TFuzzTable table;
  Variant grid = Variant::Array2(1, 1);
  grid.At(0, 0) = "a";
  grid.At(1, 1) = Variant::ArrayOf({1, Variant::ArrayOf({2.5})});
  const pellor::VarArgs args = {
      Variant(), Variant::Null(), Variant(int64_t{-2}), Variant(1.5), Variant(true),
      Variant("text"), Variant(u"wide"), Variant::Date(45000.5), grid,
      Variant(DispatchPtr(std::make_shared<TFuzzObject>(5, "A.B"))),
  };
  const std::vector<pellor::Frame> frames = {
      pellor::CallFrame(1, 2, "Call", args),
      pellor::AnswerFrame(1, 2, Variant::ArrayOf({1, "x"}), args),
      pellor::PropertyGetFrame(3, 4, "Name"),
      pellor::PropertyPutFrame(5, 6, "Name", Variant(u"v")),
      pellor::ReleaseFrame(7, 8),
      pellor::ErrorFrame(9, 1, pellor::EOSError("gone", 2)),
  };
  const pellor::WireLimits limits = FuzzLimits();
  std::string stream;
  int n = 0;
  auto write = [&](const std::string& bytes) {
    const std::string path = std::string(argv[1]) + "/seed-" + std::to_string(n++);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
      std::perror(path.c_str());
      std::exit(1);
    }
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  };
  for (const pellor::Frame& frame : frames) {
    const std::string bytes = pellor::EncodeFrame(frame, &table, limits);
    write(bytes);
    stream += bytes;
  }
  write(std::string(1, '\3') + stream);  // a chunk-size byte for the reader, then every frame
  return 0;
}

#endif
