// Colours and fonts of the control model.
//
// A colour keeps the original platform's numbering because documents, grid
// settings and templates store the numbers: a plain colour is 0x00BBGGRR
// (red in the low byte), a system colour is 0x80000000 | the system colour
// index and is resolved by the window system (ColorToRGB gives the headless
// scheme), and clNone / clDefault are markers rather than colours. TColor is
// signed 32-bit as there, so clBtnFace reads as -2147483633 in decimal.
#ifndef PELLOR_UI_GRAPHICS_H_
#define PELLOR_UI_GRAPHICS_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ui/component.h"

namespace pellor {

using TColor = int32_t;

constexpr TColor RGB(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<TColor>(red | (green << 8) | (blue << 16));
}
constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | static_cast<uint32_t>(index)); }
constexpr bool IsSystemColor(TColor color) { return (static_cast<uint32_t>(color) & 0xFF000000u) == 0x80000000u; }

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clLtGray = clSilver;
inline constexpr TColor clDkGray = clGray;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;
inline constexpr TColor clSkyBlue = 0xF0CAA6;
inline constexpr TColor clCream = 0xF0FBFF;
inline constexpr TColor clMedGray = 0xA4A0A0;

inline constexpr TColor clScrollBar = SystemColor(0);
inline constexpr TColor clBackground = SystemColor(1);
inline constexpr TColor clActiveCaption = SystemColor(2);
inline constexpr TColor clInactiveCaption = SystemColor(3);
inline constexpr TColor clMenu = SystemColor(4);
inline constexpr TColor clWindow = SystemColor(5);
inline constexpr TColor clWindowFrame = SystemColor(6);
inline constexpr TColor clMenuText = SystemColor(7);
inline constexpr TColor clWindowText = SystemColor(8);
inline constexpr TColor clCaptionText = SystemColor(9);
inline constexpr TColor clActiveBorder = SystemColor(10);
inline constexpr TColor clInactiveBorder = SystemColor(11);
inline constexpr TColor clAppWorkSpace = SystemColor(12);
inline constexpr TColor clHighlight = SystemColor(13);
inline constexpr TColor clHighlightText = SystemColor(14);
inline constexpr TColor clBtnFace = SystemColor(15);
inline constexpr TColor clBtnShadow = SystemColor(16);
inline constexpr TColor clGrayText = SystemColor(17);
inline constexpr TColor clBtnText = SystemColor(18);
inline constexpr TColor clInactiveCaptionText = SystemColor(19);
inline constexpr TColor clBtnHighlight = SystemColor(20);
inline constexpr TColor cl3DDkShadow = SystemColor(21);
inline constexpr TColor cl3DLight = SystemColor(22);
inline constexpr TColor clInfoText = SystemColor(23);
inline constexpr TColor clInfoBk = SystemColor(24);
inline constexpr TColor clHotLight = SystemColor(26);
inline constexpr TColor clGradientActiveCaption = SystemColor(27);
inline constexpr TColor clGradientInactiveCaption = SystemColor(28);
inline constexpr TColor clMenuHighlight = SystemColor(29);
inline constexpr TColor clMenuBar = SystemColor(30);

inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// The colour's name ("clRed", "clBtnFace"), or "$" and eight upper-case hex
// digits of its value ("$00ECFFFB") when it has none.
std::string ColorToString(TColor color);
// Reads a colour name (case ignored), "$hex" / "0x" hex, or a decimal number
// (negative allowed); nullopt for anything else or a value beyond 32 bits.
std::optional<TColor> TryStringToColor(std::string_view text);
// As TryStringToColor; raises EConvertError "'x' is not a valid colour value".
TColor StringToColor(std::string_view text);
// The RGB value (0x00BBGGRR) of a colour: system colours by the headless
// scheme of the platform, others unchanged.
TColor ColorToRGB(TColor color);

// ---- Fonts --------------------------------------------------------------------

// Character sets: which code page a font's text is in (134 GB2312 → 936,
// 136 Big5 → 950).
inline constexpr int ANSI_CHARSET = 0;
inline constexpr int DEFAULT_CHARSET = 1;
inline constexpr int SYMBOL_CHARSET = 2;
inline constexpr int GB2312_CHARSET = 134;
inline constexpr int CHINESEBIG5_CHARSET = 136;
inline constexpr int OEM_CHARSET = 255;
// Names of character sets as templates write them ("GB2312_CHARSET").
extern const TIdentMap kCharsetIdents;

enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
inline constexpr std::string_view kFontStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
inline constexpr TEnumInfo kFontStyleInfo{"TFontStyle", kFontStyleNames};

// Screen density used to turn point sizes into pixel heights; the forms are
// designed without scaling to the screen.
inline constexpr int kPixelsPerInch = 96;

// A font: name, character set, size (points) or height (pixels; negative for
// the character height, which is what setting a size gives), style and
// colour. Size and Height are two views of one value:
// Height = -round(Size * 96 / 72).
class TFont : public TPersistent {
  PELLOR_CLASS(TFont);

 public:
  // `changed` runs after every change; the control holding the font uses it
  // to follow the font. A font on its own needs none.
  explicit TFont(std::function<void()> changed = nullptr);

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);
  uint8_t Charset() const { return charset_; }
  void SetCharset(uint8_t charset);
  int Height() const { return height_; }
  void SetHeight(int height);
  int Size() const;
  void SetSize(int size);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  TColor Color() const { return color_; }
  void SetColor(TColor color);

  // Copies another font's values (one change); refuses other classes.
  void Assign(const TPersistent& source) override;
  bool SameAs(const TFont& other) const;

 private:
  static void DefineProperties(PropertyBuilder<TFont>& p);
  void Changed();

  std::function<void()> changed_;
  std::string name_ = "SimSun";
  uint8_t charset_ = DEFAULT_CHARSET;
  int height_ = -12;  // 9 points
  TFontStyles style_;
  TColor color_ = clWindowText;
};

}  // namespace pellor

#endif  // PELLOR_UI_GRAPHICS_H_
