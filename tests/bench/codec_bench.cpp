// The container codec against LZ4 (LZ4_compress_default, the fast level 1), zlib level 1 and
// memcpy, on the same inputs in the same run:
//   mix         about 50 MB of text (headers, documentation) and binaries found on this machine;
//   random      8 MB of incompressible bytes;
//   repetitive  8 MB of runs and short repeated phrases.
// Throughput is in bytes of uncompressed data per second, for every row. After the table, the
// ratios of our codec to its peers and each codec's output size are printed.
#include <benchmark/benchmark.h>
#include <lz4.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/streams.h"
#include "packer/gcompress.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Regular files below the roots, in name order, until `budget` bytes are gathered.
void Gather(const std::vector<std::string>& roots, std::size_t budget, const std::vector<std::string>& exts,
            Bytes& out) {
  std::vector<std::filesystem::path> files;
  for (const auto& root : roots) {
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(
             root, std::filesystem::directory_options::skip_permission_denied, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (ec) break;
      if (!it->is_regular_file(ec) || it->is_symlink(ec)) continue;
      const std::string ext = it->path().extension().string();
      if (!exts.empty() && std::find(exts.begin(), exts.end(), ext) == exts.end()) continue;
      files.push_back(it->path());
    }
  }
  std::sort(files.begin(), files.end());
  const std::size_t goal = out.size() + budget;
  for (const auto& f : files) {
    if (out.size() >= goal) break;
    std::ifstream in(f, std::ios::binary);
    Bytes b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() > goal - out.size()) b.resize(goal - out.size());
    out.insert(out.end(), b.begin(), b.end());
  }
}

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

void OursCompress(benchmark::State& state, const Input* in) {
  qs::TMemoryStream src(in->data), dst;
  dst.Reserve(in->data.size() + in->data.size() / 32 + 64);
  for (auto _ : state) {
    src.SetPosition(0);
    dst.SetPosition(0);  // reuse the destination's bytes: no growth inside the loop
    qs::TGCompressStream().CompressStream(src, dst, static_cast<std::int64_t>(in->data.size()));
    benchmark::DoNotOptimize(dst.Data());
  }
  Finish(state, *in, "ours", static_cast<std::size_t>(dst.Position()));
}

void OursExpand(benchmark::State& state, const Input* in) {
  qs::TMemoryStream plain(in->data), packed, dst;
  qs::TGCompressStream().CompressStream(plain, packed, static_cast<std::int64_t>(in->data.size()));
  dst.Reserve(in->data.size());
  for (auto _ : state) {
    packed.SetPosition(0);
    dst.SetPosition(0);
    qs::TGCompressStream().DecompressStream(packed, dst);
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

// Keeps every row's throughput for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& r : runs) {
      auto it = r.counters.find("bytes_per_second");
      if (it != r.counters.end() && !r.error_occurred) speed[r.benchmark_name()] = it->second;
    }
  }
  std::map<std::string, double> speed;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (const auto& in : Inputs()) {
    const Input* p = &in;
    std::printf("input %-10s %9.1f MB\n", in.name.c_str(), static_cast<double>(in.data.size()) / 1e6);
    benchmark::RegisterBenchmark(("ours/compress/" + in.name).c_str(), OursCompress, p)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("ours/expand/" + in.name).c_str(), OursExpand, p)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("ours/compress-chunks/" + in.name).c_str(), OursCompressChunks, p)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("ours/expand-chunks/" + in.name).c_str(), OursExpandChunks, p)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("lz4/compress/" + in.name).c_str(), Lz4Compress, p)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("lz4/decompress/" + in.name).c_str(), Lz4Decompress, p)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("zlib1/compress/" + in.name).c_str(), ZlibCompress, p)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("zlib1/decompress/" + in.name).c_str(), ZlibDecompress, p)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("memcpy/" + in.name).c_str(), Memcpy, p)->Unit(benchmark::kMillisecond);
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  auto s = [&](const std::string& name) {
    auto it = reporter.speed.find(name);
    return it == reporter.speed.end() ? 0.0 : it->second;
  };
  auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
  std::printf("\n%-11s %9s %9s %9s %9s | %12s %12s %12s %12s | %7s %7s %7s\n", "input", "ours c", "ours x", "lz4 c",
              "lz4 x", "c/lz4 c", "x/lz4 x", "c/zlib1 c", "x/memcpy", "size", "lz4", "zlib1");
  std::printf("%-11s %9s %9s %9s %9s | %12s %12s %12s %12s | %7s %7s %7s\n", "", "MB/s", "MB/s", "MB/s", "MB/s",
              "(goal 0.75)", "(goal 0.50)", "", "", "ours", "", "");
  for (const auto& in : Inputs()) {
    const std::string& n = in.name;
    const double oc = s("ours/compress/" + n), ox = s("ours/expand/" + n), lc = s("lz4/compress/" + n),
                 lx = s("lz4/decompress/" + n), zc = s("zlib1/compress/" + n), mc = s("memcpy/" + n);
    std::printf("%-11s %9.0f %9.0f %9.0f %9.0f | %12.2f %12.2f %12.2f %12.3f | %6.1f%% %6.1f%% %6.1f%%\n", n.c_str(),
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
  benchmark::Shutdown();
  return 0;
}
