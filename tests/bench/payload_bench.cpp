// Start-up's payload read against the least work that reading a payload needs, in the same run.
//
// The payload: the built-in form with about 64 MB of packed files (200 files of varied sizes, text
// and binaries found on this machine; every other pair compressed), written behind a stand-in stub
// into a temporary installer file. Two ways to get from that file to every file's bytes in memory:
//   bare     read the payload into one buffer, expand each compressed item's container chunk by
//            chunk into a buffer of its size, copy each raw item once;
//   startup  what the installer does: the payload into an in-memory stream (ReadPayload), then the
//            component stream onto a fresh TFormTools (ReadComponentStream), with a host whose
//            message processing does nothing.
// Both keep everything they made until the end of the iteration and release it inside the
// iteration. After the table the ratio startup/bare is printed (goal: at most 1.3), and the peak of
// each way's live heap bytes (and of the process's resident size) as a multiple of the payload.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "bench/gather.h"
#include "builder/builder.h"
#include "core/streams.h"
#include "packer/gcompress.h"
#include "packer/gpackfiles.h"
#include "platform/portable/host.h"
#include "stream/reader.h"
#include "wizard/classes.h"
#include "wizard/modulelist.h"
#include "wizard/startup.h"
#include "wizard/unitext.h"

// ---- live heap bytes ----------------------------------------------------------------------------
// Every operator new of the program is counted by the size the allocator really handed out.

namespace {

using qs::bench::Gather;
std::atomic<std::size_t> gLive{0}, gPeak{0};

void* Counted(void* p) {
  if (!p) throw std::bad_alloc();
  const std::size_t live = gLive.fetch_add(malloc_usable_size(p), std::memory_order_relaxed) + malloc_usable_size(p);
  std::size_t peak = gPeak.load(std::memory_order_relaxed);
  while (live > peak && !gPeak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
  }
  return p;
}
void Uncount(void* p) noexcept {
  if (!p) return;
  gLive.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
  std::free(p);
}
void* AlignedAlloc(std::size_t n, std::align_val_t a) {
  const auto al = static_cast<std::size_t>(a);
  return std::aligned_alloc(al, (std::max<std::size_t>(n, 1) + al - 1) / al * al);
}
}  // namespace

void* operator new(std::size_t n) { return Counted(std::malloc(n ? n : 1)); }
void* operator new[](std::size_t n) { return Counted(std::malloc(n ? n : 1)); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return Counted(std::malloc(n ? n : 1));
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return Counted(std::malloc(n ? n : 1));
  } catch (...) {
    return nullptr;
  }
}
void* operator new(std::size_t n, std::align_val_t a) { return Counted(AlignedAlloc(n, a)); }
void* operator new[](std::size_t n, std::align_val_t a) { return Counted(AlignedAlloc(n, a)); }
void operator delete(void* p) noexcept { Uncount(p); }
void operator delete[](void* p) noexcept { Uncount(p); }
void operator delete(void* p, std::size_t) noexcept { Uncount(p); }
void operator delete[](void* p, std::size_t) noexcept { Uncount(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Uncount(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Uncount(p); }
void operator delete(void* p, std::align_val_t) noexcept { Uncount(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Uncount(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Uncount(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { Uncount(p); }

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kPayloadGoal = 64u << 20;
constexpr int kFiles = 200;
constexpr const char* kProgram = "C:\\SETUP.EXE";

// ---- the payload --------------------------------------------------------------------------------

// Regular files below the roots, in name order, until `budget` bytes are gathered.

// Where one item's "TPFData" bytes lie in the payload, how they are stored, what they expand to.
struct Item {
  std::size_t at = 0, length = 0;
  bool compressed = false;
  std::size_t expanded = 0;
};

struct Fixture {
  std::filesystem::path dir;
  std::size_t payloadSize = 0;
  std::size_t expandedTotal = 0;
  int compressedCount = 0;
  std::vector<Item> items;
  std::vector<Bytes> originals;  // every item's bytes, in collection order (the module list first)
  qs::PortableHost host{kProgram};

  ~Fixture() {
    if (qs::HostSlot() == &host.platform) qs::SetHost(nullptr);
    std::error_code ec;
    if (!dir.empty()) std::filesystem::remove_all(dir, ec);
  }
};

// 200 files: sizes log-uniform from 300 bytes to 3 MB times `scale`; files 0, 1, 4, 5, 8, ... are
// compressed; within each pair one is text and one binary.
qs::InstallerDescription MakeProduct(const Bytes& text, const Bytes& binary, double scale) {
  std::mt19937_64 rng(2024);
  std::uniform_real_distribution<double> logSize(std::log(300.0), std::log(3.0e6));
  qs::InstallerDescription product;
  std::size_t textAt = 0, binAt = 0;
  for (int i = 0; i < kFiles; ++i) {
    qs::PackedFileDescription f;
    f.name = "FILE" + std::to_string(i) + (i % 2 ? ".BIN" : ".TXT");
    f.compress = (i / 2) % 2 == 0;
    const Bytes& pool = i % 2 ? binary : text;
    std::size_t& at = i % 2 ? binAt : textAt;
    std::size_t n = static_cast<std::size_t>(std::exp(logSize(rng)) * scale);
    n = std::clamp<std::size_t>(n, 1, pool.size());
    if (at + n > pool.size()) at = 0;
    f.bytes.assign(pool.begin() + static_cast<std::ptrdiff_t>(at), pool.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
    product.files.push_back(std::move(f));
  }
  return product;
}

std::uint32_t LE32(const std::uint8_t* p) {
  return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

Fixture& TheFixture() {
  // Released at exit, which removes the temporary installer.
  static const std::unique_ptr<Fixture> fx = [] {
    auto f = std::make_unique<Fixture>();
    Bytes text, binary;
    Gather({"/usr/include", "/usr/share/doc"}, 48u << 20, {".h", ".hpp", ".txt", ".md", ".html", ""}, text);
    Gather({"/usr/bin", "/usr/lib/x86_64-linux-gnu"}, 48u << 20, {}, binary);
    if (text.empty() || binary.empty()) {
      std::fprintf(stderr, "no files found to make a payload from\n");
      std::exit(1);
    }
    // The sizes are scaled until the payload is within 2% of its goal.
    double scale = 1.0;
    qs::InstallerDescription product;
    Bytes payload;
    for (int round = 0; round < 4; ++round) {
      product = MakeProduct(text, binary, scale);
      payload = qs::BuildPayload(product);
      const double off = static_cast<double>(kPayloadGoal) / static_cast<double>(payload.size());
      if (std::abs(off - 1.0) < 0.02) break;
      scale *= off;
    }

    // The items in collection order: the module list, then the files. Each "TPFData" value is the
    // property name, tag 10, a 32-bit length and the bytes; the search goes on after the bytes.
    f->originals.push_back(qs::ModuleListBytes(product.modules));
    for (auto& file : product.files) f->originals.push_back(std::move(file.bytes));
    static constexpr char kName[] = "\x07TPFData\x0A";
    std::size_t from = 0;
    for (std::size_t k = 0; k < f->originals.size(); ++k) {
      auto hit = std::search(payload.begin() + static_cast<std::ptrdiff_t>(from), payload.end(), kName,
                             kName + sizeof kName - 1);
      if (hit == payload.end()) {
        std::fprintf(stderr, "item %zu not found in the payload\n", k);
        std::exit(1);
      }
      Item it;
      it.at = static_cast<std::size_t>(hit - payload.begin()) + sizeof kName - 1 + 4;
      it.length = LE32(payload.data() + it.at - 4);
      it.compressed = k == 0 ? product.compressModuleList : product.files[k - 1].compress;
      it.expanded = f->originals[k].size();
      f->compressedCount += it.compressed;
      f->expandedTotal += it.expanded;
      f->items.push_back(it);
      from = it.at + it.length;
    }
    f->payloadSize = payload.size();

    // The installer: a stand-in stub of the stub's length, then the payload.
    f->dir = std::filesystem::temp_directory_path() / ("qs-payload-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(f->dir);
    {
      std::ofstream out(f->dir / "SETUP.EXE", std::ios::binary);
      Bytes stub(static_cast<std::size_t>(qs::PayloadOffset), 0);
      stub[0] = 'M';
      stub[1] = 'Z';
      out.write(reinterpret_cast<const char*>(stub.data()), static_cast<std::streamsize>(stub.size()));
      out.write(reinterpret_cast<const char*>(payload.data()), static_cast<std::streamsize>(payload.size()));
    }
    f->host.files.MapDrive('C', f->dir);
    f->host.platform.processMessages = [] {};
    qs::SetHost(&f->host.platform);
    return f;
  }();
  return *fx;
}

// ---- the two ways -------------------------------------------------------------------------------

struct BareResult {
  std::unique_ptr<std::uint8_t[]> payload;
  std::vector<std::unique_ptr<std::uint8_t[]>> files;
};

// The payload read into one buffer; every item expanded or copied into a buffer of its own.
BareResult Bare(Fixture& fx) {
  BareResult r;
  {
    auto file = fx.host.files.Open(kProgram, false, qs::ShareMode::DenyNone);
    if (!file || file->Seek(qs::PayloadOffset, 0) != qs::PayloadOffset) throw std::runtime_error("cannot open");
    r.payload = std::make_unique_for_overwrite<std::uint8_t[]>(fx.payloadSize);
    if (file->Read(r.payload.get(), fx.payloadSize) != fx.payloadSize) throw std::runtime_error("short read");
  }
  qs::TLZR lzr;
  r.files.reserve(fx.items.size());
  for (const Item& it : fx.items) {
    const std::uint8_t* in = r.payload.get() + it.at;
    if (!it.compressed) {
      auto out = std::make_unique_for_overwrite<std::uint8_t[]>(it.length);
      if (it.length) std::memcpy(out.get(), in, it.length);
      r.files.push_back(std::move(out));
      continue;
    }
    auto out = std::make_unique_for_overwrite<std::uint8_t[]>(it.expanded + qs::TLZR::ExpandSlack);
    std::size_t produced = 0, pos = 7;  // signature and total
    while (pos + 4 <= it.length) {
      const std::uint32_t n = LE32(in + pos);
      pos += 4;
      produced += static_cast<std::size_t>(lzr.DecompressChunk(in + pos, static_cast<int>(n), out.get() + produced));
      pos += n;
    }
    if (produced != it.expanded) throw std::runtime_error("bare expansion gave another size");
    r.files.push_back(std::move(out));
  }
  return r;
}

// What start-up does: the payload into memory, then read onto a fresh wizard form.
std::unique_ptr<qs::TFormTools> Startup(Fixture& fx) {
  qs::TMemoryStream payload(qs::ReadPayload(fx.host.files, kProgram));
  auto form = std::make_unique<qs::TFormTools>(nullptr);
  payload.SetPosition(0);
  qs::ReadComponentStream(payload, *form);
  return form;
}

bool SameFiles(Fixture& fx, const qs::TFormTools& form) {
  const auto& items = form.PackFiles1->Items();
  if (items.Count() != static_cast<int>(fx.originals.size())) return false;
  for (int i = 0; i < items.Count(); ++i)
    if (items.Items(i)->Data().Bytes() != fx.originals[static_cast<std::size_t>(i)]) return false;
  return true;
}

bool SameFiles(Fixture& fx, const BareResult& r) {
  for (std::size_t i = 0; i < fx.items.size(); ++i) {
    const auto& o = fx.originals[i];
    if (!o.empty() && std::memcmp(r.files[i].get(), o.data(), o.size()) != 0) return false;
  }
  return true;
}

void BM_Bare(benchmark::State& state) {
  Fixture& fx = TheFixture();
  for (auto _ : state) {
    BareResult r = Bare(fx);
    benchmark::DoNotOptimize(r.files.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fx.payloadSize));
}

void BM_Startup(benchmark::State& state) {
  Fixture& fx = TheFixture();
  for (auto _ : state) {
    auto form = Startup(fx);
    benchmark::DoNotOptimize(form.get());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fx.payloadSize));
}

// ---- memory -------------------------------------------------------------------------------------

// A line of /proc/self/status in kB ("VmHWM", "VmRSS"); 0 when unknown.
std::size_t StatusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::size_t n = std::strlen(key);
  while (std::getline(in, line))
    if (line.compare(0, n, key) == 0 && line.size() > n && line[n] == ':')
      return std::strtoull(line.c_str() + n + 1, nullptr, 10);
  return 0;
}

struct Peak {
  double heap = 0;  // peak of live heap bytes above the start, in payloads
  double rss = 0;   // peak resident size above the start, in payloads (0 when it cannot be reset)
};

template <class F>
Peak MeasurePeak(Fixture& fx, F&& run) {
  malloc_trim(0);
  const std::size_t live = gLive.load();
  gPeak.store(live);
  bool rssReset = false;
  {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";  // resets the resident high-water mark
    clear.flush();
    rssReset = static_cast<bool>(clear);
  }
  const std::size_t rss0 = StatusKb("VmRSS");
  run();
  Peak p;
  const double payload = static_cast<double>(fx.payloadSize);
  p.heap = static_cast<double>(gPeak.load() - live) / payload;
  if (rssReset) p.rss = static_cast<double>(StatusKb("VmHWM") - rss0) * 1024.0 / payload;
  return p;
}

// Keeps each benchmark's real and CPU time per iteration: the median of the repetitions, or the
// single run when there is only one.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  struct Times {
    double real = 0, cpu = 0;
  };
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& r : runs) {
      if (r.error_occurred) continue;
      const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      const std::string name = r.run_name.function_name;
      if (median || (r.run_type == Run::RT_Iteration && !times.count(name)))
        times[name] = {r.GetAdjustedRealTime(), r.GetAdjustedCPUTime()};
    }
  }
  std::map<std::string, Times> times;
};

}  // namespace

int main(int argc, char** argv) {
  qs::RegisterInstallerClasses();
  // Five repetitions in random order, so that a busy moment of the machine falls on both ways
  // alike; flags given on the command line come later and win.
  std::vector<char*> args(argv, argv + argc);
  char repetitions[] = "--benchmark_repetitions=5";
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  char aggregates[] = "--benchmark_report_aggregates_only=true";
  args.insert(args.begin() + 1, {repetitions, interleave, aggregates});
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  Fixture& fx = TheFixture();
  std::printf("payload %.1f MB: %zu items (%d compressed), %.1f MB expanded\n", fx.payloadSize / 1e6, fx.items.size(),
              fx.compressedCount, fx.expandedTotal / 1e6);

  // Both ways must give every file's bytes before their times mean anything.
  {
    auto form = Startup(fx);
    if (!SameFiles(fx, *form)) {
      std::fprintf(stderr, "start-up gave other bytes than were packed\n");
      return 1;
    }
    BareResult r = Bare(fx);
    if (!SameFiles(fx, r)) {
      std::fprintf(stderr, "the bare read gave other bytes than were packed\n");
      return 1;
    }
  }
  const Peak bareMem = MeasurePeak(fx, [&] { benchmark::DoNotOptimize(Bare(fx).files.data()); });
  const Peak startupMem = MeasurePeak(fx, [&] { benchmark::DoNotOptimize(Startup(fx).get()); });

  benchmark::RegisterBenchmark("bare", BM_Bare)->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RegisterBenchmark("startup", BM_Startup)->Unit(benchmark::kMillisecond)->UseRealTime();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  const auto bare = reporter.times["bare"], startup = reporter.times["startup"];
  const double expandedShare = static_cast<double>(fx.expandedTotal) / static_cast<double>(fx.payloadSize);
  std::printf("\nstartup / bare (goal at most 1.30): real time %.2f, CPU time %.2f\n",
              bare.real > 0 ? startup.real / bare.real : 0.0, bare.cpu > 0 ? startup.cpu / bare.cpu : 0.0);
  std::printf("(on a busy machine the CPU time is the steadier of the two)\n");
  std::printf("peak memory in payloads (%.1f MB; the files expanded are %.2f payloads):\n", fx.payloadSize / 1e6,
              expandedShare);
  std::printf("  %-8s heap %5.2f   resident %5.2f\n", "bare", bareMem.heap, bareMem.rss);
  std::printf("  %-8s heap %5.2f   resident %5.2f\n", "startup", startupMem.heap, startupMem.rss);
  benchmark::Shutdown();
  return 0;
}
