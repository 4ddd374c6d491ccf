// SHA-256 (FIPS 180-4) of bytes in memory, for the listing of an installer's packed files. Small
// on purpose: none of the libraries the tool already links offers it.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace qs {

class Sha256 {
 public:
  Sha256();
  void Update(const std::uint8_t* data, std::size_t size);
  std::array<std::uint8_t, 32> Finish();

 private:
  void Block(const std::uint8_t* block);
  std::array<std::uint32_t, 8> h_;
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t used_ = 0;
  std::uint64_t length_ = 0;  // bytes seen
};

// The digest as 64 lower-case hexadecimal digits.
std::string Sha256Hex(const std::uint8_t* data, std::size_t size);

}  // namespace qs
