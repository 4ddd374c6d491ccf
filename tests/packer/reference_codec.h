// A plain, byte-at-a-time statement of the container codec, kept beside the tests as the yardstick
// for the fast one in src/packer: same output bytes for every input, same accepted chunks.
#pragma once
#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace qs::reference {

using Bytes = std::vector<std::uint8_t>;

// One chunk of n = in.size() bytes (1 to 32,783). The hash of the last two positions reads up to
// two bytes past the piece; spare0 and spare1 are those bytes (their values must not matter).
inline Bytes CompressChunk(const Bytes& piece, std::uint8_t spare0 = 0, std::uint8_t spare1 = 0) {
  const int n = static_cast<int>(piece.size());
  Bytes in = piece;
  in.push_back(spare0);
  in.push_back(spare1);
  std::vector<std::int16_t> table(4096, -1);
  Bytes out(static_cast<std::size_t>(n) + 6);
  out[0] = 0x40;
  int c = 1, o = 3, p = 0, k = 0;
  std::uint16_t w = 0;
  while (p < n && o <= n) {
    if (k == 16) {
      out[c] = static_cast<std::uint8_t>(w >> 8);
      out[c + 1] = static_cast<std::uint8_t>(w & 0xFF);
      c = o;
      o += 2;
      k = 0;
    }
    int r = 0;
    while (r < 4095 && p + r < n && in[p + r] == in[p]) ++r;
    if (r >= 16) {
      out[o] = 0;
      out[o + 1] = static_cast<std::uint8_t>((r - 16) >> 8);
      out[o + 2] = static_cast<std::uint8_t>((r - 16) & 0xFF);
      out[o + 3] = in[p];
      o += 4;
      p += r;
      w = static_cast<std::uint16_t>(2 * w + 1);
    } else {
      const unsigned v = (((unsigned{in[p]} << 4) ^ in[p + 1]) << 4) ^ in[p + 2];
      const unsigned h = ((v * 40543u) >> 4) & 0xFFF;
      const int e = table[h];
      int m = 0;
      if (e != -1 && p - e < 4096)
        while (m < 18 && p + m < n && in[p + m] == in[e + m]) ++m;
      table[h] = static_cast<std::int16_t>(p);
      if (m >= 3) {
        const unsigned item = static_cast<unsigned>(p - e) * 16 + static_cast<unsigned>(m - 3);
        out[o] = static_cast<std::uint8_t>(item >> 8);
        out[o + 1] = static_cast<std::uint8_t>(item & 0xFF);
        o += 2;
        p += m;
        w = static_cast<std::uint16_t>(2 * w + 1);
      } else {
        out[o] = in[p];
        o += 1;
        p += 1;
        w = static_cast<std::uint16_t>(2 * w);
      }
    }
    ++k;
  }
  w = static_cast<std::uint16_t>(w << (16 - k));
  out[c] = static_cast<std::uint8_t>(w >> 8);
  out[c + 1] = static_cast<std::uint8_t>(w & 0xFF);
  if (o <= n) return Bytes(out.begin(), out.begin() + o);
  Bytes stored{0x80};
  stored.insert(stored.end(), piece.begin(), piece.end());
  return stored;
}

// Expands one chunk; nullopt for a chunk the compressor cannot make (length outside 0..32,784, a
// command word or item cut off, a match before the start, more than 32,783 bytes).
inline std::optional<Bytes> ExpandChunk(const std::uint8_t* in, int length) {
  if (length < 0 || length > 32784) return std::nullopt;
  Bytes out;
  if (length < 2) return out;
  if (in[0] == 0x80) return Bytes(in + 1, in + length);
  if (length < 3) return std::nullopt;
  unsigned w = unsigned{in[1]} * 256 + in[2];
  int bits = 16, i = 3;
  while (i < length) {
    if (bits == 0) {
      if (i + 1 >= length) return std::nullopt;
      w = unsigned{in[i]} * 256 + in[i + 1];
      bits = 16;
      i += 2;
      if (i >= length) return std::nullopt;
    }
    if (w & 0x8000) {
      if (i + 1 >= length) return std::nullopt;
      const unsigned d = unsigned{in[i]} * 16 + (in[i + 1] >> 4);
      if (d != 0) {
        const unsigned len = (in[i + 1] & 0x0F) + 3u;
        if (d > out.size()) return std::nullopt;
        for (unsigned j = 0; j < len; ++j) out.push_back(out[out.size() - d]);
        i += 2;
      } else {
        if (i + 3 >= length) return std::nullopt;
        const unsigned count = unsigned{in[i + 1]} * 256 + in[i + 2] + 16;
        out.insert(out.end(), count, in[i + 3]);
        i += 4;
      }
    } else {
      out.push_back(in[i]);
      i += 1;
    }
    if (out.size() > 32783) return std::nullopt;
    w = (w << 1) & 0xFFFF;
    --bits;
  }
  return out;
}

// A whole container of the given data, chunk by chunk.
inline Bytes Compress(const Bytes& data) {
  Bytes body;
  std::int32_t total = 0;
  for (std::size_t pos = 0; pos < data.size(); pos += 32783) {
    const std::size_t n = std::min<std::size_t>(32783, data.size() - pos);
    const Bytes chunk = CompressChunk(
        Bytes(data.begin() + static_cast<std::ptrdiff_t>(pos), data.begin() + static_cast<std::ptrdiff_t>(pos + n)));
    const auto len = static_cast<std::uint32_t>(chunk.size());
    for (int s = 0; s < 32; s += 8) body.push_back(static_cast<std::uint8_t>(len >> s));
    body.insert(body.end(), chunk.begin(), chunk.end());
    total += static_cast<std::int32_t>(len) + 4;
  }
  Bytes out{'G', 'D', 'G'};
  for (int s = 0; s < 32; s += 8) out.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(total) >> s));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

}  // namespace qs::reference
