#include "platform/ui/graphics.h"

#include <cstdio>

#include "platform/rtl/strutils.h"

namespace pellor {

namespace {

// Names first, aliases after them, so that a value shows by its first name.
constexpr TIdentEntry kColorIdentEntries[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
    {clMenu, "clMenu"},
    {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuText, "clMenuText"},
    {clNone, "clNone"},
    {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
    {clLtGray, "clLtGray"},
    {clDkGray, "clDkGray"},
};
constexpr TIdentMap kColorIdents{"TColor", kColorIdentEntries};

constexpr TIdentEntry kCharsetIdentEntries[] = {
    {0, "ANSI_CHARSET"},        {1, "DEFAULT_CHARSET"},     {2, "SYMBOL_CHARSET"},
    {77, "MAC_CHARSET"},        {128, "SHIFTJIS_CHARSET"},  {129, "HANGEUL_CHARSET"},
    {130, "JOHAB_CHARSET"},     {134, "GB2312_CHARSET"},    {136, "CHINESEBIG5_CHARSET"},
    {161, "GREEK_CHARSET"},     {162, "TURKISH_CHARSET"},   {163, "VIETNAMESE_CHARSET"},
    {177, "HEBREW_CHARSET"},    {178, "ARABIC_CHARSET"},    {186, "BALTIC_CHARSET"},
    {204, "RUSSIAN_CHARSET"},   {222, "THAI_CHARSET"},      {238, "EASTEUROPE_CHARSET"},
    {255, "OEM_CHARSET"},
};

// The headless platform's system colours, by index: a classic grey scheme.
constexpr TColor kSystemScheme[] = {
    RGB(212, 208, 200),  //  0 scroll bar
    RGB(58, 110, 165),   //  1 desktop
    RGB(10, 36, 106),    //  2 active caption
    RGB(128, 128, 128),  //  3 inactive caption
    RGB(212, 208, 200),  //  4 menu
    RGB(255, 255, 255),  //  5 window
    RGB(0, 0, 0),        //  6 window frame
    RGB(0, 0, 0),        //  7 menu text
    RGB(0, 0, 0),        //  8 window text
    RGB(255, 255, 255),  //  9 caption text
    RGB(212, 208, 200),  // 10 active border
    RGB(212, 208, 200),  // 11 inactive border
    RGB(128, 128, 128),  // 12 application work space
    RGB(10, 36, 106),    // 13 highlight
    RGB(255, 255, 255),  // 14 highlight text
    RGB(212, 208, 200),  // 15 button face
    RGB(128, 128, 128),  // 16 button shadow
    RGB(128, 128, 128),  // 17 grey text
    RGB(0, 0, 0),        // 18 button text
    RGB(212, 208, 200),  // 19 inactive caption text
    RGB(255, 255, 255),  // 20 button highlight
    RGB(64, 64, 64),     // 21 3-D dark shadow
    RGB(212, 208, 200),  // 22 3-D light
    RGB(0, 0, 0),        // 23 info text
    RGB(255, 255, 225),  // 24 info background
    RGB(181, 181, 181),  // 25 (unused)
    RGB(0, 0, 128),      // 26 hot light
    RGB(166, 202, 240),  // 27 gradient active caption
    RGB(192, 192, 192),  // 28 gradient inactive caption
    RGB(10, 36, 106),    // 29 menu highlight
    RGB(212, 208, 200),  // 30 menu bar
};

// Rounds a * b / c half away from zero.
int MulDiv(int a, int b, int c) {
  int64_t product = static_cast<int64_t>(a) * b;
  int64_t half = c / 2;
  return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

const TIdentMap kCharsetIdents{"TFontCharset", kCharsetIdentEntries};

std::string ColorToString(TColor color) {
  if (auto name = kColorIdents.NameOf(color)) return std::string(*name);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "$%08X", static_cast<uint32_t>(color));
  return buffer;
}

std::optional<TColor> TryStringToColor(std::string_view text) {
  std::string trimmed = Trim(text);
  if (auto value = kColorIdents.ValueOf(trimmed)) return static_cast<TColor>(*value);
  auto number = TryStrToInt64(trimmed);
  if (!number || *number < INT32_MIN || *number > static_cast<int64_t>(UINT32_MAX)) return std::nullopt;
  return static_cast<TColor>(static_cast<uint32_t>(*number));
}

TColor StringToColor(std::string_view text) {
  auto color = TryStringToColor(text);
  if (!color) throw EConvertError("'" + std::string(text) + "' is not a valid colour value");
  return *color;
}

TColor ColorToRGB(TColor color) {
  if (!IsSystemColor(color)) return color;
  uint32_t index = static_cast<uint32_t>(color) & 0xFFu;
  if (index >= std::size(kSystemScheme)) return clBlack;
  return kSystemScheme[index];
}

// ---- TFont ----------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TFont, TPersistent);

void TFont::DefineProperties(PropertyBuilder<TFont>& p) {
  p.Integer("Charset", &TFont::Charset, &TFont::SetCharset, &kCharsetIdents)
      .Color("Color", &TFont::Color, &TFont::SetColor)
      .Integer("Height", &TFont::Height, &TFont::SetHeight)
      .Text("Name", &TFont::Name, &TFont::SetName)
      .Integer("Size", &TFont::Size, &TFont::SetSize)
      .Set("Style", kFontStyleInfo, &TFont::Style, &TFont::SetStyle);
}

TFont::TFont(std::function<void()> changed) : changed_(std::move(changed)) {}

void TFont::Changed() {
  if (changed_) changed_();
}

void TFont::SetName(const std::string& name) {
  if (name == name_) return;
  name_ = name;
  Changed();
}

void TFont::SetCharset(uint8_t charset) {
  if (charset == charset_) return;
  charset_ = charset;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}

int TFont::Size() const { return -MulDiv(height_, 72, kPixelsPerInch); }

void TFont::SetSize(int size) { SetHeight(-MulDiv(size, kPixelsPerInch, 72)); }

void TFont::SetStyle(TFontStyles style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TFont::Assign(const TPersistent& source) {
  const auto* font = dynamic_cast<const TFont*>(&source);
  if (font == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  if (SameAs(*font)) return;
  name_ = font->name_;
  charset_ = font->charset_;
  height_ = font->height_;
  style_ = font->style_;
  color_ = font->color_;
  Changed();
}

bool TFont::SameAs(const TFont& other) const {
  return name_ == other.name_ && charset_ == other.charset_ && height_ == other.height_ &&
         style_ == other.style_ && color_ == other.color_;
}

}  // namespace pellor
