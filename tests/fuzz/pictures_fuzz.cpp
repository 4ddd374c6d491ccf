// Hostile picture data: a JPEG banner or an icon file of a payload, decoded as the window backend does.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/pictures/pictures.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qs::pictures::Pixels px;
  std::string error;
  if (qs::pictures::DecodeJpeg(data, size, px, error)) {
    if (px.bgr.size() != px.Stride() * static_cast<std::size_t>(px.height)) __builtin_trap();
  }
  auto images = qs::pictures::ParseIconFile(data, size);
  for (const auto& img : images) {
    if (img.offset > size || img.size > size - img.offset) __builtin_trap();
  }
  qs::pictures::ChooseIcon(images, 32);
  return 0;
}
