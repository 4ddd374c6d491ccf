// Decoding of the pictures a form carries, into plain pixel rows that a window backend can paint:
// JPEG images (through libjpeg) and the images of an icon file. Both read outside bytes, so every
// size and offset is checked before use and bad input gives a clear error, never a crash.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qs::pictures {

// 24-bit pixels in device-independent-bitmap order: rows from top to bottom, each row blue, green,
// red per pixel and padded to a multiple of 4 bytes.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bgr;
  std::size_t Stride() const { return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3}; }
};

// The largest picture decoded, in pixels: a banner is a few hundred pixels each way; a header that
// claims more is refused before any pixel memory is taken.
inline constexpr std::uint64_t kMaxPixels = 16u * 1024 * 1024;
// Progressive images are decoded scan by scan; a stream with more scans than this is refused.
inline constexpr int kMaxScans = 256;

// Decodes a JPEG image. On failure gives false, leaves out empty and puts the reason in error.
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, Pixels& out, std::string& error);

// One image of an icon file: where its bytes lie in the file and what its directory entry says.
struct IconImage {
  std::size_t offset = 0;
  std::size_t size = 0;
  int width = 0;  // 1 to 256
  int height = 0;
  int bitCount = 0;
};

// The images of an icon file (".ico": reserved 0, type 1, count, then 16-byte entries). Entries
// whose bytes do not lie inside the file are left out; not an icon file gives an empty list.
std::vector<IconImage> ParseIconFile(const std::uint8_t* data, std::size_t size);

// The image to show at size x size pixels: an exact size with the most colours, else the
// smallest larger one, else the largest. nullptr for an empty list.
const IconImage* ChooseIcon(const std::vector<IconImage>& images, int size);

}  // namespace qs::pictures
