#include "ui/pictures/pictures.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace qs::pictures {
namespace {

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to
// DecodeJpeg. Only C frames of libjpeg lie between, so no destructor is skipped.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf back;
  char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->back, 1);
}

// Warnings (corrupt data that the decoder works around) are counted, not printed.
void OnMessage(j_common_ptr cinfo, int level) {
  if (level < 0) ++cinfo->err->num_warnings;
}

struct ScanLimit {
  jpeg_progress_mgr base;
  bool exceeded = false;
};

void OnProgress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
      reinterpret_cast<ScanLimit*>(cinfo->progress)->exceeded = true;
      // Stop through the error path, which unwinds libjpeg cleanly.
      cinfo->err->msg_code = JERR_BAD_SCAN_SCRIPT;
      (*cinfo->err->error_exit)(cinfo);
    }
  }
}

// The part that runs under setjmp: no object with a destructor is created in it.
bool DecodeInto(jpeg_decompress_struct& cinfo, ErrorManager& err, const std::uint8_t* data, std::size_t size,
                Pixels& out, std::uint8_t** rowsScratch, const char*& failure) {
  if (setjmp(err.back)) return false;
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGR;  // DIB byte order, straight from the decoder
  if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
    failure = "CMYK images are not supported";
    return false;
  }
  if (static_cast<std::uint64_t>(cinfo.image_width) * cinfo.image_height > kMaxPixels) {
    failure = "the image is too large";
    return false;
  }
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_components != 3 || cinfo.output_width == 0 || cinfo.output_height == 0) {
    failure = "unexpected image layout";
    return false;
  }
  out.width = static_cast<int>(cinfo.output_width);
  out.height = static_cast<int>(cinfo.output_height);
  out.bgr.assign(out.Stride() * static_cast<std::size_t>(out.height), 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    *rowsScratch = out.bgr.data() + out.Stride() * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, rowsScratch, 1);
  }
  jpeg_finish_decompress(&cinfo);
  return true;
}

std::uint32_t U16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, Pixels& out, std::string& error) {
  out = Pixels{};
  error.clear();
  if (data == nullptr || size < 4 || data[0] != 0xFF || data[1] != 0xD8) {
    error = "not a JPEG image";
    return false;
  }
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  ErrorManager err;
  std::memset(&err, 0, sizeof err);
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = OnError;
  err.base.emit_message = OnMessage;
  ScanLimit limit;
  std::memset(&limit.base, 0, sizeof limit.base);
  limit.base.progress_monitor = OnProgress;
  cinfo.progress = &limit.base;
  std::uint8_t* row = nullptr;
  const char* failure = nullptr;
  bool ok = DecodeInto(cinfo, err, data, size, out, &row, failure);
  jpeg_destroy_decompress(&cinfo);
  if (!ok) {
    error = failure ? failure : limit.exceeded ? "too many scans" : err.message;
    out = Pixels{};
  }
  return ok;
}

std::vector<IconImage> ParseIconFile(const std::uint8_t* data, std::size_t size) {
  std::vector<IconImage> images;
  if (data == nullptr || size < 6 || U16(data) != 0 || U16(data + 2) != 1) return images;
  const std::size_t count = U16(data + 4);
  if (count == 0 || 6 + count * 16 > size) return images;
  images.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* e = data + 6 + i * 16;
    IconImage img;
    img.width = e[0] ? e[0] : 256;
    img.height = e[1] ? e[1] : 256;
    img.bitCount = static_cast<int>(U16(e + 6));
    if (img.bitCount == 0 && e[2] != 0) {  // some writers leave the bit count out: derive it from the colours
      img.bitCount = e[2] <= 2 ? 1 : e[2] <= 16 ? 4 : 8;
    }
    img.size = U32(e + 8);
    img.offset = U32(e + 12);
    // The image must lie after the directory and inside the file.
    if (img.size == 0 || img.offset < 6 + count * 16 || img.offset > size || img.size > size - img.offset) continue;
    images.push_back(img);
  }
  return images;
}

const IconImage* ChooseIcon(const std::vector<IconImage>& images, int size) {
  const IconImage* exact = nullptr;
  const IconImage* larger = nullptr;
  const IconImage* largest = nullptr;
  for (const IconImage& img : images) {
    if (img.width == size && img.height == size) {
      if (!exact || img.bitCount > exact->bitCount) exact = &img;
    } else if (img.width > size && img.height > size) {
      if (!larger || img.width < larger->width || (img.width == larger->width && img.bitCount > larger->bitCount))
        larger = &img;
    }
    if (!largest || img.width > largest->width || (img.width == largest->width && img.bitCount > largest->bitCount))
      largest = &img;
  }
  return exact ? exact : larger ? larger : largest;
}

}  // namespace qs::pictures
