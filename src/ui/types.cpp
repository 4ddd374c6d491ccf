#include "ui/types.h"

namespace qs {

const TypeInfo kBorderStyleType{
    "TFormBorderStyle", {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}, {}};
const TypeInfo kPositionType{
    "TPosition",
    {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter", "poDesktopCenter"},
    {}};
const TypeInfo kBevelShapeType{
    "TBevelShape", {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"}, {}};
const TypeInfo kAlignmentType{"TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}, {}};
const TypeInfo kScrollStyleType{"TScrollStyle", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}, {}};
const TypeInfo kCheckBoxStateType{"TCheckBoxState", {"cbUnchecked", "cbChecked", "cbGrayed"}, {}};
const TypeInfo kFontStylesType{"TFontStyles", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}, {}};
const TypeInfo kTreeOptionsType{
    "TTreeOptions",
    {"toAutoExpand",    "toAutoScroll",    "toCheckSupport", "toNoEraseBkgnd",     "toEvenHeight",
     "toFullRowSelect", "toHideSelection", "toHotTrack",     "toInfoTip",          "toLevelSelectConstraint",
     "toMultiSelect",   "toNoScroll",      "toReadOnly",     "toRightClickSelect", "toToolTips",
     "toShowButtons",   "toShowLines",     "toShowRoot",     "toSingleExpand",     "toWantReturn"},
    {}};
const TypeInfo kColorType{"TColor",
                          {},
                          {{"clBtnFace", clBtnFace},
                           {"clWindowText", clWindowText},
                           {"clWindow", clWindow},
                           {"clRed", clRed},
                           {"clSilver", clSilver},
                           {"clBlack", clBlack}}};
const TypeInfo kCharsetType{"TFontCharset", {}, {{"ANSI_CHARSET", ANSI_CHARSET}, {"DEFAULT_CHARSET", DEFAULT_CHARSET}}};

}  // namespace qs
