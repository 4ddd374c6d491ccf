// Fonts and pictures of the toolkit model.
//
// A picture holds at most one graphic. Graphics arrive as a picture's "Data": a counted class
// name, then the graphic's own bytes to the end of the block. The known graphic classes are
// TJPEGImage (a 32-bit length, then a JPEG file, decoded into pixels) and TIcon (an ICO file
// filling the rest of the block). An unknown class leaves the picture empty. Decoding itself is
// ui/pictures.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "stream/component.h"
#include "ui/pictures/pictures.h"
#include "ui/types.h"

namespace qs {

class TFont : public TPersistent {
 public:
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }

  int Charset() const { return charset_; }
  TColor Color() const { return color_; }
  int Height() const { return height_; }
  const std::string& Name() const { return name_; }
  TSet Style() const { return style_; }
  void SetCharset(int v);
  void SetColor(TColor v);
  void SetHeight(int v);
  void SetName(const std::string& v);
  void SetStyle(TSet v);
  void Assign(const TFont& other);
  bool operator==(const TFont& o) const {
    return charset_ == o.charset_ && color_ == o.color_ && height_ == o.height_ && name_ == o.name_ &&
           style_ == o.style_;
  }

  // Called after every change (the owning control forwards it to its backend).
  std::function<void()> onChange;

 private:
  void Changed() {
    if (onChange) onChange();
  }
  int charset_ = DEFAULT_CHARSET;
  TColor color_ = clWindowText;
  int height_ = -11;
  std::string name_ = "MS Sans Serif";
  TSet style_ = 0;
};

class TGraphic {
 public:
  virtual ~TGraphic() = default;
  virtual std::string_view ClassName() const = 0;
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Reads the graphic's own data from the stream's position; the data ends at the stream's end.
  virtual void ReadData(TStream& stream) = 0;
  virtual void WriteData(TStream& stream) const = 0;
  virtual std::unique_ptr<TGraphic> Clone() const = 0;
};

// A JPEG picture: the JPEG file as stored, and its decoded pixels.
class TJPEGImage : public TGraphic {
 public:
  static constexpr std::string_view kClassName = "TJPEGImage";

  std::string_view ClassName() const override { return kClassName; }
  bool Empty() const override { return bytes_.empty(); }
  int Width() const override { return pixels_.width; }
  int Height() const override { return pixels_.height; }
  // A 32-bit length, then that many bytes of JPEG file. A length beyond the data present raises
  // the stream read error. Bytes that do not decode are kept; the pixels stay empty and
  // DecodeError() says why.
  void ReadData(TStream& stream) override;
  void WriteData(TStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TJPEGImage>(*this); }

  // Takes a JPEG file and decodes it.
  void LoadFromBytes(std::vector<std::uint8_t> jpeg);
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  const pictures::Pixels& Pixels() const { return pixels_; }
  const std::string& DecodeError() const { return decodeError_; }

 private:
  std::vector<std::uint8_t> bytes_;
  pictures::Pixels pixels_;
  std::string decodeError_;
};

// A Windows icon: the ICO file as stored, parsed enough to know its images.
class TIcon : public TGraphic {
 public:
  static constexpr std::string_view kClassName = "TIcon";
  std::string_view ClassName() const override { return kClassName; }
  // True when the icon holds no usable image (no data, or data that is not an ICO file).
  bool Empty() const override { return best_ < 0; }
  int Width() const override { return best_ < 0 ? 0 : entries_[static_cast<std::size_t>(best_)].width; }
  int Height() const override { return best_ < 0 ? 0 : entries_[static_cast<std::size_t>(best_)].height; }
  // Takes every byte up to the stream's end as the ICO file. Never fails on bad data.
  void ReadData(TStream& stream) override;
  void WriteData(TStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TIcon>(*this); }

  void LoadFromBytes(std::vector<std::uint8_t> ico);
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  // Images whose directory entry lies inside the file, in file order.
  const std::vector<pictures::IconImage>& Images() const { return entries_; }
  // The image a window icon shows (pictures::ChooseIcon at 32 x 32).
  const pictures::IconImage* Best() const { return best_ < 0 ? nullptr : &entries_[static_cast<std::size_t>(best_)]; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::vector<pictures::IconImage> entries_;
  int best_ = -1;
};

// The "Picture" of an image: one graphic or none. Its defined property "Data" carries it.
class TPicture : public TPersistent {
 public:
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
  void DefineProperties(TFiler& filer) override;

  TGraphic* Graphic() const { return graphic_.get(); }
  void SetGraphic(std::unique_ptr<TGraphic> g);
  void Assign(const TPicture& other);
  bool Empty() const { return !graphic_ || graphic_->Empty(); }
  // The picture as an icon: a graphic that is not an icon is replaced by an empty icon.
  TIcon& Icon();

  // The "Data" value: a counted class name, then the graphic's data. An unknown class name
  // leaves the picture empty and ignores the rest of the block.
  void ReadData(TStream& stream);
  void WriteData(TStream& stream) const;

  std::function<void()> onChange;

 private:
  void Changed() {
    if (onChange) onChange();
  }
  std::unique_ptr<TGraphic> graphic_;
};

// Creates an empty graphic of a known class (ASCII case-insensitive name), nullptr otherwise.
std::unique_ptr<TGraphic> CreateGraphic(std::string_view className);

}  // namespace qs
