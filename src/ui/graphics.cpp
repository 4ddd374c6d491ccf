#include "ui/graphics.h"

#include "core/errors.h"
#include "core/streams.h"
#include "core/text.h"
#include "stream/props.h"

namespace qs {

// ---- TFont ------------------------------------------------------------------------------------

const ClassInfo& TFont::StaticInfo() {
  static const ClassInfo info{"TFont",
                              nullptr,
                              {
                                  props::Int<&TFont::Charset, &TFont::SetCharset>("Charset", &kCharsetType),
                                  props::Int<&TFont::Color, &TFont::SetColor>("Color", &kColorType),
                                  props::Int<&TFont::Height, &TFont::SetHeight>("Height"),
                                  props::Str<&TFont::Name, &TFont::SetName>("Name"),
                                  props::Set<&TFont::Style, &TFont::SetStyle>("Style", kFontStylesType),
                              },
                              {},
                              {},
                              {}};
  return info;
}

void TFont::SetCharset(int v) {
  charset_ = v;
  Changed();
}
void TFont::SetColor(TColor v) {
  color_ = v;
  Changed();
}
void TFont::SetHeight(int v) {
  height_ = v;
  Changed();
}
void TFont::SetName(const std::string& v) {
  name_ = v;
  Changed();
}
void TFont::SetStyle(TSet v) {
  style_ = v;
  Changed();
}
void TFont::Assign(const TFont& o) {
  charset_ = o.charset_;
  color_ = o.color_;
  height_ = o.height_;
  name_ = o.name_;
  style_ = o.style_;
  Changed();
}

// ---- TJPEGImage -------------------------------------------------------------------------------

void TJPEGImage::ReadData(TStream& stream) {
  const std::int32_t length = stream.ReadI32();
  // The length is checked against the data present before anything is allocated for it.
  if (length < 0 || length > stream.Size() - stream.Position()) throw EReadError();
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
  stream.ReadBuffer(bytes.data(), bytes.size());
  LoadFromBytes(std::move(bytes));
}

void TJPEGImage::WriteData(TStream& stream) const {
  stream.WriteI32(static_cast<std::int32_t>(bytes_.size()));
  stream.WriteBuffer(bytes_.data(), bytes_.size());
}

void TJPEGImage::LoadFromBytes(std::vector<std::uint8_t> jpeg) {
  bytes_ = std::move(jpeg);
  pixels_ = {};
  decodeError_.clear();
  if (!bytes_.empty()) pictures::DecodeJpeg(bytes_.data(), bytes_.size(), pixels_, decodeError_);
}

// ---- TIcon ------------------------------------------------------------------------------------

void TIcon::ReadData(TStream& stream) {
  const std::int64_t rest = stream.Size() - stream.Position();
  std::vector<std::uint8_t> bytes(rest > 0 ? static_cast<std::size_t>(rest) : 0);
  stream.ReadBuffer(bytes.data(), bytes.size());
  LoadFromBytes(std::move(bytes));
}

void TIcon::WriteData(TStream& stream) const { stream.WriteBuffer(bytes_.data(), bytes_.size()); }

void TIcon::LoadFromBytes(std::vector<std::uint8_t> ico) {
  bytes_ = std::move(ico);
  entries_ = pictures::ParseIconFile(bytes_.data(), bytes_.size());
  const pictures::IconImage* best = pictures::ChooseIcon(entries_, 32);
  best_ = best ? static_cast<int>(best - entries_.data()) : -1;
}

// ---- TPicture ---------------------------------------------------------------------------------

std::unique_ptr<TGraphic> CreateGraphic(std::string_view className) {
  if (SameTextAZ(className, TJPEGImage::kClassName)) return std::make_unique<TJPEGImage>();
  if (SameTextAZ(className, TIcon::kClassName)) return std::make_unique<TIcon>();
  return nullptr;
}

const ClassInfo& TPicture::StaticInfo() {
  static const ClassInfo info{"TPicture", nullptr, {}, {}, {}, {}};
  return info;
}

void TPicture::DefineProperties(TFiler& filer) {
  filer.DefineBinaryProperty(
      "Data", [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); }, !Empty());
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> g) {
  graphic_ = std::move(g);
  Changed();
}

void TPicture::Assign(const TPicture& other) {
  if (&other == this) return;
  SetGraphic(other.graphic_ ? other.graphic_->Clone() : nullptr);
}

TIcon& TPicture::Icon() {
  if (!dynamic_cast<TIcon*>(graphic_.get())) SetGraphic(std::make_unique<TIcon>());
  return static_cast<TIcon&>(*graphic_);
}

void TPicture::ReadData(TStream& stream) {
  const std::uint8_t n = stream.ReadU8();
  std::string name(n, '\0');
  stream.ReadBuffer(name.data(), n);
  std::unique_ptr<TGraphic> g = CreateGraphic(name);
  // An unknown graphic class leaves the picture empty; the rest of the block is not looked at.
  if (g) g->ReadData(stream);
  SetGraphic(std::move(g));
}

void TPicture::WriteData(TStream& stream) const {
  if (!graphic_) return;
  const std::string_view name = graphic_->ClassName();
  stream.WriteU8(static_cast<std::uint8_t>(name.size()));
  stream.WriteBuffer(name.data(), name.size());
  graphic_->WriteData(stream);
}

}  // namespace qs
