// The toolkit's value types and the names a form stream uses for them. Enumerations list their
// values in order (the first is 0); a set holds bit v for value v.
#pragma once
#include <cstdint>

#include "stream/component.h"

namespace qs {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter };
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
enum TTreeOption {
  toAutoExpand,
  toAutoScroll,
  toCheckSupport,
  toNoEraseBkgnd,
  toEvenHeight,
  toFullRowSelect,
  toHideSelection,
  toHotTrack,
  toInfoTip,
  toLevelSelectConstraint,
  toMultiSelect,
  toNoScroll,
  toReadOnly,
  toRightClickSelect,
  toToolTips,
  toShowButtons,
  toShowLines,
  toShowRoot,
  toSingleExpand,
  toWantReturn,
};

// A set of enumeration values, bit v for value v.
using TSet = std::uint32_t;
constexpr TSet SetOf(int v) { return TSet{1} << v; }

// Colours: 0x00BBGGRR, or a system colour 0x800000nn.
using TColor = std::int32_t;
inline constexpr TColor clBtnFace = static_cast<TColor>(0x8000000Fu);
inline constexpr TColor clWindowText = static_cast<TColor>(0x80000008u);
inline constexpr TColor clWindow = static_cast<TColor>(0x80000005u);
inline constexpr TColor clRed = 0x000000FF;
inline constexpr TColor clSilver = 0x00C0C0C0;
inline constexpr TColor clBlack = 0x00000000;

inline constexpr int ANSI_CHARSET = 0;
inline constexpr int DEFAULT_CHARSET = 1;

// Stream names of the types above.
extern const TypeInfo kBorderStyleType, kPositionType, kBevelShapeType, kAlignmentType, kScrollStyleType,
    kCheckBoxStateType, kFontStylesType, kTreeOptionsType, kColorType, kCharsetType;

}  // namespace qs
