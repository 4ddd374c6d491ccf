// Painting, fonts, colours and icons: what the backend draws itself (containers, bevels, images) and
// the system objects it hands to the windows.
#include "ui/controls.h"
#include "ui/graphics.h"
#include "ui/stdctrls.h"
#include "ui/win32/backend_win32.h"
#include "ui/win32/common_win32.h"

namespace qs::win32 {

SIZE TextExtent(HFONT font, const std::string& text, int maxWidth, bool wrap) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  RECT r{0, 0, wrap ? maxWidth : 0, 0};
  UINT flags = DT_CALCRECT | DT_EXPANDTABS | (wrap ? DT_WORDBREAK : 0);
  // An empty caption still takes one line, as a label does.
  DrawTextA(dc, text.empty() ? " " : text.c_str(), -1, &r, flags);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

// ---- fonts and colours ---------------------------------------------------------------------------

HFONT TWin32Backend::FontFor(const TControl& c) {
  const TFont& f = c.EffectiveFont();
  auto key = std::make_tuple(f.Name(), f.Height(), static_cast<unsigned>(f.Style()), f.Charset());
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;
  LOGFONTA lf{};
  // Heights are in pixels at the design resolution; negative heights give the character height.
  lf.lfHeight = MulDiv(f.Height(), dpi_, 96);
  lf.lfWeight = Has(f.Style(), fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = Has(f.Style(), fsItalic);
  lf.lfUnderline = Has(f.Style(), fsUnderline);
  lf.lfStrikeOut = Has(f.Style(), fsStrikeOut);
  lf.lfCharSet = static_cast<BYTE>(f.Charset());
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lstrcpynA(lf.lfFaceName, f.Name().c_str(), LF_FACESIZE);
  HFONT font = CreateFontIndirectA(&lf);
  fonts_[key] = font;
  return font;
}

COLORREF TWin32Backend::ColorRef(std::int32_t color) const {
  const auto u = static_cast<std::uint32_t>(color);
  if (u & 0x80000000u) return GetSysColor(static_cast<int>(u & 0xFF));
  return static_cast<COLORREF>(u & 0xFFFFFF);
}

HBRUSH TWin32Backend::BrushFor(std::int32_t color) {
  auto it = brushes_.find(color);
  if (it != brushes_.end()) return it->second;
  HBRUSH b = CreateSolidBrush(ColorRef(color));
  brushes_[color] = b;
  return b;
}

// ---- painting ------------------------------------------------------------------------------------

void TWin32Backend::PaintContainer(View& v, HDC dc) {
  RECT r;
  GetClientRect(v.hwnd, &r);
  TControl& c = *v.control;
  FillRect(dc, &r, BrushFor(c.Color()));
  if (v.kind != Kind::GroupBox && v.kind != Kind::Panel) return;
  HGDIOBJ old = SelectObject(dc, FontFor(c));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorRef(c.EffectiveFont().Color()));
  if (v.kind == Kind::GroupBox) {
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    RECT frame = r;
    frame.top += tm.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (!c.Caption().empty()) {
      RECT t{Scale(8), 0, r.right - Scale(8), tm.tmHeight};
      DrawTextA(dc, c.Caption().c_str(), -1, &t, DT_CALCRECT | DT_SINGLELINE);
      RECT back{t.left - Scale(2), t.top, t.right + Scale(2), t.bottom};
      FillRect(dc, &back, BrushFor(c.Color()));
      DrawTextA(dc, c.Caption().c_str(), -1, &t, DT_SINGLELINE);
    }
  } else {
    DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
    if (!c.Caption().empty()) DrawTextA(dc, c.Caption().c_str(), -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  }
  SelectObject(dc, old);
}

HICON TWin32Backend::MakeIcon(const TIcon& icon, int size) const {
  const auto& bytes = icon.Bytes();
  const pictures::IconImage* img = pictures::ChooseIcon(icon.Images(), size);
  if (!img) return nullptr;
  // The image's bytes lie inside the file (ParseIconFile checked them).
  return CreateIconFromResourceEx(const_cast<PBYTE>(bytes.data() + img->offset), static_cast<DWORD>(img->size), TRUE,
                                  0x00030000, size, size, LR_DEFAULTCOLOR);
}

void TWin32Backend::DrawItem(View& v, const DRAWITEMSTRUCT& d) {
  HDC dc = d.hDC;
  RECT r = d.rcItem;
  TControl& c = *v.control;
  const TControl* parent = c.Parent();
  FillRect(dc, &r, BrushFor(parent ? parent->Color() : c.Color()));
  if (v.kind == Kind::Bevel) {
    auto& b = static_cast<TBevel&>(c);
    const UINT edge = EDGE_ETCHED;
    RECT line = r;
    switch (b.Shape()) {
      case bsBox:
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
        break;
      case bsFrame:
        DrawEdge(dc, &r, edge, BF_RECT);
        break;
      case bsTopLine:
        line.bottom = line.top + 2;
        DrawEdge(dc, &line, edge, BF_TOP);
        break;
      case bsBottomLine:
        line.top = line.bottom - 2;
        DrawEdge(dc, &line, edge, BF_BOTTOM);
        break;
      case bsLeftLine:
        line.right = line.left + 2;
        DrawEdge(dc, &line, edge, BF_LEFT);
        break;
      case bsRightLine:
        line.left = line.right - 2;
        DrawEdge(dc, &line, edge, BF_RIGHT);
        break;
      case bsSpacer:
        break;
    }
    return;
  }
  // An image: the JPEG's pixels as they are (centred when asked), or the icon.
  auto& image = static_cast<TImage&>(c);
  TGraphic* g = image.Picture().Graphic();
  const int cw = r.right - r.left, ch = r.bottom - r.top;
  if (auto* jpeg = dynamic_cast<TJPEGImage*>(g); jpeg && jpeg->Pixels().width > 0) {
    const pictures::Pixels& px = jpeg->Pixels();
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = px.width;
    bi.bmiHeader.biHeight = -px.height;  // rows top to bottom
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    const int x = image.Center() ? r.left + (cw - px.width) / 2 : r.left;
    const int y = image.Center() ? r.top + (ch - px.height) / 2 : r.top;
    SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(px.width), static_cast<DWORD>(px.height), 0, 0, 0,
                      static_cast<UINT>(px.height), px.bgr.data(), &bi, DIB_RGB_COLORS);
  } else if (auto* icon = dynamic_cast<TIcon*>(g); icon && !icon->Empty()) {
    const int size = icon->Width();
    if (!v.icon) v.icon = MakeIcon(*icon, size);
    if (v.icon) {
      const int x = image.Center() ? r.left + (cw - size) / 2 : r.left;
      const int y = image.Center() ? r.top + (ch - icon->Height()) / 2 : r.top;
      DrawIconEx(dc, x, y, v.icon, size, icon->Height(), 0, nullptr, DI_NORMAL);
    }
  }
}

void TWin32Backend::IconChanged(const TIcon& icon) {
  if (!defaultIcon_) {
    if (bigIcon_) DestroyIcon(bigIcon_);
    if (smallIcon_) DestroyIcon(smallIcon_);
  }
  // An empty icon leaves the windows without one of their own.
  bigIcon_ = MakeIcon(icon, GetSystemMetrics(SM_CXICON));
  smallIcon_ = MakeIcon(icon, GetSystemMetrics(SM_CXSMICON));
  defaultIcon_ = false;
  for (auto& [control, view] : views_) {
    if (view->kind != Kind::Form) continue;
    SendMessageA(view->hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    SendMessageA(view->hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  }
}

}  // namespace qs::win32
