// The container codec against LZ4 (LZ4_compress_default, the fast level 1), zlib level 1 and
// memcpy, on the same inputs in the same run:
//   mix         about 50 MB of text (headers, documentation) and binaries found on this machine;
//   random      8 MB of incompressible bytes;
//   repetitive  8 MB of runs and short repeated phrases.
// Throughput is in bytes of uncompressed data per second, for every row. After the table come the
// ratios of our codec to LZ4: measured in rounds that run ours and LZ4 back to back (in turn first),
// each on the thread's CPU time, and given as the median over the rounds, so that a load that comes
// and goes on the machine touches both sides of a ratio alike. Then each codec's output size.
#include <benchmark/benchmark.h>
#include <lz4.h>
#include <time.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/gather.h"
#include "core/streams.h"
#include "packer/gcompress.h"

namespace {

using qs::bench::Gather;

using Bytes = std::vector<std::uint8_t>;

// Regular files below the roots, in name order, until `budget` bytes are gathered.

struct Input {
  std::string name;
  Bytes data;
};

const std::vector<Input>& Inputs() {
  static const std::vector<Input> inputs = [] {
    std::vector<Input> v;
    Bytes mix;
    Gather({"/usr/include", "/usr/share/doc"}, 25u << 20, {".h", ".hpp", ".txt", ".md", ".html", ""}, mix);
    Gather({"/usr/bin", "/usr/lib/x86_64-linux-gnu"}, 25u << 20, {}, mix);
    v.push_back({"mix", std::move(mix)});
    std::mt19937_64 rng(42);
    Bytes random(8u << 20);
    for (std::size_t i = 0; i + 8 <= random.size(); i += 8) {
      const std::uint64_t x = rng();
      std::memcpy(&random[i], &x, 8);
    }
    v.push_back({"random", std::move(random)});
    Bytes rep;
    const char* phrases[] = {"<item name=\"", "\" value=\"", "\"/>\n", "    ", "0123456789"};
    while (rep.size() < (8u << 20)) {
      if (rng() % 4 == 0) {
        rep.insert(rep.end(), 16 + rng() % 600, static_cast<std::uint8_t>(rng() % 3 == 0 ? 0 : 0x20));
      } else {
        const char* p = phrases[rng() % 5];
        rep.insert(rep.end(), p, p + std::strlen(p));
      }
    }
    v.push_back({"repetitive", std::move(rep)});
    return v;
  }();
  return inputs;
}

std::map<std::string, double>& OutputSizes() {
  static std::map<std::string, double> m;
  return m;
}

void Finish(benchmark::State& state, const Input& in, const std::string& codec, std::size_t outSize) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(in.data.size()));
  if (outSize)
    OutputSizes()[in.name + " " + codec] = static_cast<double>(outSize) / static_cast<double>(in.data.size());
}

// ---- ours ------------------------------------------------------------------------------------------------

// One whole compression of the input through the streams, into dst (its bytes reused).
void CompressOnce(const Input& in, qs::TMemoryStream& src, qs::TMemoryStream& dst) {
  src.SetPosition(0);
  dst.SetPosition(0);
  qs::TGCompressStream().CompressStream(src, dst, static_cast<std::int64_t>(in.data.size()));
}

void ExpandOnce(qs::TMemoryStream& packed, qs::TMemoryStream& dst) {
  packed.SetPosition(0);
  dst.SetPosition(0);
  qs::TGCompressStream().DecompressStream(packed, dst);
}

void OursCompress(benchmark::State& state, const Input* in) {
  qs::TMemoryStream src(in->data), dst;
  dst.Reserve(in->data.size() + in->data.size() / 32 + 64);
  for (auto _ : state) {
    CompressOnce(*in, src, dst);  // reuses the destination's bytes: no growth inside the loop
    benchmark::DoNotOptimize(dst.Data());
  }
  Finish(state, *in, "ours", static_cast<std::size_t>(dst.Position()));
}

void OursExpand(benchmark::State& state, const Input* in) {
  qs::TMemoryStream plain(in->data), packed, dst;
  qs::TGCompressStream().CompressStream(plain, packed, static_cast<std::int64_t>(in->data.size()));
  dst.Reserve(in->data.size());
  for (auto _ : state) {
    ExpandOnce(packed, dst);
    benchmark::DoNotOptimize(dst.Data());
  }
  if (dst.Bytes() != in->data) state.SkipWithError("expansion differs from the input");
  Finish(state, *in, "", 0);
}

// The chunk functions alone, without the streams around them.
void OursCompressChunks(benchmark::State& state, const Input* in) {
  qs::TLZR lzr;
  Bytes out(qs::TLZR::CompressOutSize);
  const auto& d = in->data;
  for (auto _ : state) {
    for (std::size_t pos = 0; pos < d.size(); pos += qs::TLZR::ChunkSize) {
      const int n = static_cast<int>(std::min<std::size_t>(qs::TLZR::ChunkSize, d.size() - pos));
      benchmark::DoNotOptimize(lzr.CompressChunk(d.data() + pos, n, out.data()));
    }
  }
  Finish(state, *in, "", 0);
}

void OursExpandChunks(benchmark::State& state, const Input* in) {
  qs::TLZR lzr;
  std::vector<Bytes> chunks;
  Bytes out(qs::TLZR::CompressOutSize);
  const auto& d = in->data;
  for (std::size_t pos = 0; pos < d.size(); pos += qs::TLZR::ChunkSize) {
    const int n = static_cast<int>(std::min<std::size_t>(qs::TLZR::ChunkSize, d.size() - pos));
    const int len = lzr.CompressChunk(d.data() + pos, n, out.data());
    chunks.emplace_back(out.begin(), out.begin() + len);
  }
  Bytes dst(d.size() + qs::TLZR::ExpandSlack);
  for (auto _ : state) {
    std::size_t at = 0;
    for (const auto& c : chunks)
      at += static_cast<std::size_t>(lzr.DecompressChunk(c.data(), static_cast<int>(c.size()), dst.data() + at));
    benchmark::DoNotOptimize(dst.data());
  }
  Finish(state, *in, "", 0);
}

// ---- peers -----------------------------------------------------------------------------------------------

void Lz4Compress(benchmark::State& state, const Input* in) {
  const int n = static_cast<int>(in->data.size());
  std::vector<char> dst(static_cast<std::size_t>(LZ4_compressBound(n)));
  int len = 0;
  for (auto _ : state) {
    len = LZ4_compress_default(reinterpret_cast<const char*>(in->data.data()), dst.data(), n,
                               static_cast<int>(dst.size()));
    benchmark::DoNotOptimize(dst.data());
  }
  Finish(state, *in, "lz4", static_cast<std::size_t>(len));
}

void Lz4Decompress(benchmark::State& state, const Input* in) {
  const int n = static_cast<int>(in->data.size());
  std::vector<char> packed(static_cast<std::size_t>(LZ4_compressBound(n)));
  const int len = LZ4_compress_default(reinterpret_cast<const char*>(in->data.data()), packed.data(), n,
                                       static_cast<int>(packed.size()));
  Bytes dst(in->data.size());
  for (auto _ : state) {
    benchmark::DoNotOptimize(LZ4_decompress_safe(packed.data(), reinterpret_cast<char*>(dst.data()), len, n));
  }
  if (dst != in->data) state.SkipWithError("lz4 round trip differs");
  Finish(state, *in, "", 0);
}

void ZlibCompress(benchmark::State& state, const Input* in) {
  Bytes dst(compressBound(static_cast<uLong>(in->data.size())));
  uLongf len = 0;
  for (auto _ : state) {
    len = static_cast<uLongf>(dst.size());
    compress2(dst.data(), &len, in->data.data(), static_cast<uLong>(in->data.size()), 1);
    benchmark::DoNotOptimize(dst.data());
  }
  Finish(state, *in, "zlib-1", len);
}

void ZlibDecompress(benchmark::State& state, const Input* in) {
  Bytes packed(compressBound(static_cast<uLong>(in->data.size())));
  uLongf len = static_cast<uLongf>(packed.size());
  compress2(packed.data(), &len, in->data.data(), static_cast<uLong>(in->data.size()), 1);
  Bytes dst(in->data.size());
  for (auto _ : state) {
    uLongf n = static_cast<uLongf>(dst.size());
    uncompress(dst.data(), &n, packed.data(), len);
    benchmark::DoNotOptimize(dst.data());
  }
  Finish(state, *in, "", 0);
}

void Memcpy(benchmark::State& state, const Input* in) {
  Bytes dst(in->data.size());
  for (auto _ : state) {
    std::memcpy(dst.data(), in->data.data(), in->data.size());
    benchmark::DoNotOptimize(dst.data());
  }
  Finish(state, *in, "", 0);
}

// ---- paired rounds ---------------------------------------------------------------------------------------

double ThreadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Bytes per second of fn over at least kSampleSeconds of CPU time.
constexpr double kSampleSeconds = 0.05;
double Speed(std::size_t bytes, const std::function<void()>& fn) {
  int runs = 0;
  const double start = ThreadSeconds();
  double elapsed = 0;
  do {
    fn();
    ++runs;
    elapsed = ThreadSeconds() - start;
  } while (elapsed < kSampleSeconds);
  return static_cast<double>(bytes) * runs / elapsed;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

struct Paired {
  double ratio;       // median of ours / peer over the rounds
  double ours, peer;  // median throughputs, bytes per second
};

// Rounds of ours and its peer back to back, in turn first.
Paired Pair(std::size_t bytes, const std::function<void()>& ours, const std::function<void()>& peer, int rounds) {
  std::vector<double> ratios, o, p;
  for (int r = 0; r < rounds; ++r) {
    double a, b;
    if (r % 2 == 0) {
      a = Speed(bytes, ours);
      b = Speed(bytes, peer);
    } else {
      b = Speed(bytes, peer);
      a = Speed(bytes, ours);
    }
    ratios.push_back(a / b);
    o.push_back(a);
    p.push_back(b);
  }
  return {Median(ratios), Median(o), Median(p)};
}

void PrintPairedRatios(int rounds) {
  std::printf(
      "\nours against LZ4 in %d paired rounds: median throughputs (MB/s of uncompressed data) and the median\n"
      "of the rounds' ratios; the goals on mix are compress >= 0.85 and expand >= 0.60 of LZ4. First through\n"
      "the streams, then the chunk functions alone (\"chunks\")\n",
      rounds);
  std::printf("%-11s | %8s %8s %8s | %8s %8s %8s\n", "input", "ours c", "lz4 c", "c/lz4", "ours x", "lz4 x", "x/lz4");
  for (const auto& in : Inputs()) {
    const std::size_t n = in.data.size();
    qs::TMemoryStream src(in.data), dst, packed, expanded;
    dst.Reserve(n + n / 32 + 64);
    CompressOnce(in, src, packed);
    expanded.Reserve(n);
    std::vector<char> lz(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(n)))), lzScratch(lz.size());
    const int lzLength = LZ4_compress_default(reinterpret_cast<const char*>(in.data.data()), lz.data(),
                                              static_cast<int>(n), static_cast<int>(lz.size()));
    Bytes plain(n);
    const Paired c = Pair(
        n, [&] { CompressOnce(in, src, dst); },
        [&] {
          LZ4_compress_default(reinterpret_cast<const char*>(in.data.data()), lzScratch.data(), static_cast<int>(n),
                               static_cast<int>(lzScratch.size()));
        },
        rounds);
    const Paired x = Pair(
        n, [&] { ExpandOnce(packed, expanded); },
        [&] { LZ4_decompress_safe(lz.data(), reinterpret_cast<char*>(plain.data()), lzLength, static_cast<int>(n)); },
        rounds);
    if (expanded.Bytes() != in.data || plain != in.data) std::printf("%-11s | a round trip differs\n", in.name.c_str());
    std::printf("%-11s | %8.0f %8.0f %8.2f | %8.0f %8.0f %8.2f\n", in.name.c_str(), c.ours / 1e6, c.peer / 1e6, c.ratio,
                x.ours / 1e6, x.peer / 1e6, x.ratio);
  }
  // The same pairs with the chunk functions alone, as LZ4's side is: no stream copies the bytes
  // out of the codec's work area. On mix, also with the expander without byte shuffles.
  for (const auto& in : Inputs()) {
    const std::size_t n = in.data.size();
    qs::TLZR lzr;
    std::vector<Bytes> chunks;
    Bytes out(qs::TLZR::ExpandOutSize), plain(n + qs::TLZR::ExpandSlack), lzPlain(n);
    for (std::size_t pos = 0; pos < n; pos += qs::TLZR::ChunkSize) {
      const int k = static_cast<int>(std::min<std::size_t>(qs::TLZR::ChunkSize, n - pos));
      chunks.emplace_back(out.begin(), out.begin() + lzr.CompressChunk(in.data.data() + pos, k, out.data()));
    }
    std::vector<char> lz(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(n))));
    const int lzLength = LZ4_compress_default(reinterpret_cast<const char*>(in.data.data()), lz.data(),
                                              static_cast<int>(n), static_cast<int>(lz.size()));
    const Paired c = Pair(
        n,
        [&] {
          for (std::size_t pos = 0; pos < n; pos += qs::TLZR::ChunkSize)
            lzr.CompressChunk(in.data.data() + pos,
                              static_cast<int>(std::min<std::size_t>(qs::TLZR::ChunkSize, n - pos)), out.data());
        },
        [&] {
          LZ4_compress_default(reinterpret_cast<const char*>(in.data.data()), lz.data(), static_cast<int>(n),
                               static_cast<int>(lz.size()));
        },
        rounds);
    auto expandPair = [&] {
      return Pair(
          n,
          [&] {
            std::size_t at = 0;
            for (const auto& k : chunks)
              at += static_cast<std::size_t>(
                  lzr.DecompressChunk(k.data(), static_cast<int>(k.size()), plain.data() + at));
          },
          [&] {
            LZ4_decompress_safe(lz.data(), reinterpret_cast<char*>(lzPlain.data()), lzLength, static_cast<int>(n));
          },
          rounds);
    };
    const Paired x = expandPair();
    std::printf("%-11s | %8.0f %8.0f %8.2f | %8.0f %8.0f %8.2f\n", (in.name + " chunks").c_str(), c.ours / 1e6,
                c.peer / 1e6, c.ratio, x.ours / 1e6, x.peer / 1e6, x.ratio);
    if (in.name == "mix" && lzr.FByteShuffles) {
      lzr.FByteShuffles = false;
      const Paired p = expandPair();
      std::printf("%-11s | %8s %8s %8s | %8.0f %8.0f %8.2f\n", "  (plain x)", "", "", "", p.ours / 1e6, p.peer / 1e6,
                  p.ratio);
    }
    if (!std::equal(in.data.begin(), in.data.end(), plain.begin()))
      std::printf("%-11s | chunks differ\n", in.name.c_str());
  }
}

// Keeps every row's throughput for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& r : runs) {
      auto it = r.counters.find("bytes_per_second");
      if (it == r.counters.end() || r.error_occurred) continue;
      // With --benchmark_repetitions the median stands for the row; other aggregates are left out.
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "median") continue;
      speed[r.run_name.function_name] = it->second;
    }
  }
  std::map<std::string, double> speed;
};

}  // namespace

int main(int argc, char** argv) {
  // --rounds=N: the number of paired rounds (0 leaves them out); every other flag is Google
  // Benchmark's.
  int rounds = 9;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--rounds=", 9) == 0)
      rounds = std::atoi(argv[i] + 9);
    else
      argv[kept++] = argv[i];
  }
  argc = kept;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  for (const auto& in : Inputs()) {
    const Input* p = &in;
    std::printf("input %-10s %9.1f MB\n", in.name.c_str(), static_cast<double>(in.data.size()) / 1e6);
    auto add = [&](const std::string& name, void (*fn)(benchmark::State&, const Input*)) {
      benchmark::RegisterBenchmark((name + "/" + in.name).c_str(), fn, p)->Unit(benchmark::kMillisecond)->MinTime(0.2);
    };
    add("ours/compress", OursCompress);
    add("ours/expand", OursExpand);
    add("ours/compress-chunks", OursCompressChunks);
    add("ours/expand-chunks", OursExpandChunks);
    add("lz4/compress", Lz4Compress);
    add("lz4/decompress", Lz4Decompress);
    add("zlib1/compress", ZlibCompress);
    add("zlib1/decompress", ZlibDecompress);
    add("memcpy", Memcpy);
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  auto s = [&](const std::string& name) {
    auto it = reporter.speed.find(name);
    return it == reporter.speed.end() ? 0.0 : it->second;
  };
  auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
  std::printf("\nthe rows above, one measurement each (MB/s of uncompressed data)\n");
  std::printf("%-11s %9s %9s %9s %9s | %9s %9s %9s %9s | %7s %7s %7s\n", "input", "ours c", "ours x", "lz4 c", "lz4 x",
              "c/lz4 c", "x/lz4 x", "c/zlib1 c", "x/memcpy", "size", "lz4", "zlib1");
  for (const auto& in : Inputs()) {
    const std::string& n = in.name;
    const double oc = s("ours/compress/" + n), ox = s("ours/expand/" + n), lc = s("lz4/compress/" + n),
                 lx = s("lz4/decompress/" + n), zc = s("zlib1/compress/" + n), mc = s("memcpy/" + n);
    std::printf("%-11s %9.0f %9.0f %9.0f %9.0f | %9.2f %9.2f %9.2f %9.3f | %6.1f%% %6.1f%% %6.1f%%\n", n.c_str(),
                oc / 1e6, ox / 1e6, lc / 1e6, lx / 1e6, ratio(oc, lc), ratio(ox, lx), ratio(oc, zc), ratio(ox, mc),
                100 * OutputSizes()[n + " ours"], 100 * OutputSizes()[n + " lz4"], 100 * OutputSizes()[n + " zlib-1"]);
  }
  std::printf("\nchunk functions alone (no streams): compress/lz4 and expand/lz4\n");
  for (const auto& in : Inputs()) {
    const std::string& n = in.name;
    std::printf("%-11s compress %6.0f MB/s (%.2f of lz4)   expand %6.0f MB/s (%.2f of lz4)\n", n.c_str(),
                s("ours/compress-chunks/" + n) / 1e6, ratio(s("ours/compress-chunks/" + n), s("lz4/compress/" + n)),
                s("ours/expand-chunks/" + n) / 1e6, ratio(s("ours/expand-chunks/" + n), s("lz4/decompress/" + n)));
  }
  if (rounds > 0) PrintPairedRatios(rounds);
  benchmark::Shutdown();
  return 0;
}
