// Drawing surfaces: rectangles and points, brushes and pens, the canvas that
// owner-drawn controls paint on, 24-bit bitmaps and BMP files.
//
// Controls that draw themselves (grid cells, check-box glyphs, owner-drawn
// tabs and menu items, the greyed images of disabled buttons) do so through
// TCanvas, so that their drawing can be checked without a window system:
//
//   TBitmapCanvas    paints into a TBitmap; tests read the pixels back.
//   TRecordingCanvas logs every call with the brush, pen and font in force,
//                    and optionally paints into a bitmap as well.
//
// A front end that shows the model on screen implements TCanvas itself.
//
// Text metrics are fixed rather than taken from a font engine, so that layout
// algorithms (centring, column widths, caption areas) give the same numbers
// everywhere. For a font whose character height is E pixels (|Font.Height|;
// a height of 0 counts as 12):
//   - a single-byte character is (E + 1) / 2 pixels wide,
//   - a double-byte character (a lead byte 0x81..0xFE and its trail byte, in a
//     font whose character set is not ANSI or symbol) is twice that, E + 1
//     rounded down to even,
//   - a text is E pixels high (an empty text too).
// Bold and italic do not change the metrics. A 9-point font (height -12) thus
// gives 6 × 12 for "A" and 12 × 12 for a Chinese character, which is what the
// system's usual fixed-pitch Chinese screen font measures.
//
// Coordinates are pixels; a rectangle includes Left/Top and excludes
// Right/Bottom. Colours are TColor (graphics.h); system colours are resolved
// with ColorToRGB when they reach pixels.
#ifndef PELLOR_UI_CANVAS_H_
#define PELLOR_UI_CANVAS_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/graphics.h"

namespace pellor {

// A bitmap that cannot be read or written: not a BMP, a format this reader
// does not handle, truncated or implausible data, a file that cannot be
// opened.
PELLOR_DECLARE_ERROR(EInvalidGraphic, Exception);

struct TPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  bool operator==(const TSize&) const = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
  // Grown by dx, dy on each side (negative values shrink it).
  TRect Inflated(int dx, int dy) const { return {Left - dx, Top - dy, Right + dx, Bottom + dy}; }
  TRect Offset(int dx, int dy) const { return {Left + dx, Top + dy, Right + dx, Bottom + dy}; }
  bool operator==(const TRect&) const = default;
};

constexpr TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
constexpr TRect Bounds(int left, int top, int width, int height) {
  return {left, top, left + width, top + height};
}
// The common part of two rectangles; an empty rectangle when they do not meet.
TRect IntersectRect(const TRect& a, const TRect& b);

// Placement of one line of text in a rectangle (DrawText). Controls map
// their own alignment properties (TAlignment of the standard controls) onto
// these.
enum TDrawTextAlign : uint8_t { dtLeft, dtCenter, dtRight };
enum TDrawTextLayout : uint8_t { dtTop, dtVCenter, dtBottom };

// bsClear paints nothing: FillRect leaves the area, Rectangle draws only the
// outline and text is drawn without its background.
enum TBrushStyle : uint8_t { bsSolid, bsClear };
inline constexpr std::string_view kBrushStyleNames[] = {"bsSolid", "bsClear"};
inline constexpr TEnumInfo kBrushStyleInfo{"TBrushStyle", kBrushStyleNames};

// Dotted and dashed patterns apply to pens of width 1 (wider pens draw
// solid, as on the original platform); psClear draws nothing.
enum TPenStyle : uint8_t { psSolid, psDash, psDot, psClear };
inline constexpr std::string_view kPenStyleNames[] = {"psSolid", "psDash", "psDot", "psClear"};
inline constexpr TEnumInfo kPenStyleInfo{"TPenStyle", kPenStyleNames};

// What fills areas: FillRect, the inside of Rectangle, the background of text.
class TBrush : public TPersistent {
  PELLOR_CLASS(TBrush);

 public:
  explicit TBrush(std::function<void()> changed = nullptr) : changed_(std::move(changed)) {}

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style);

  void Assign(const TPersistent& source) override;

 private:
  static void DefineProperties(PropertyBuilder<TBrush>& p);
  void Changed();

  std::function<void()> changed_;
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
};

// What draws lines and outlines.
class TPen : public TPersistent {
  PELLOR_CLASS(TPen);

 public:
  explicit TPen(std::function<void()> changed = nullptr) : changed_(std::move(changed)) {}

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  // At least 1; smaller values count as 1.
  int Width() const { return width_; }
  void SetWidth(int width);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style);

  void Assign(const TPersistent& source) override;

 private:
  static void DefineProperties(PropertyBuilder<TPen>& p);
  void Changed();

  std::function<void()> changed_;
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
};

class TBitmap;

class TCanvas {
 public:
  TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;
  virtual ~TCanvas();

  // The drawing tools; they stay as set between calls.
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  TBrush& Brush() { return brush_; }
  const TBrush& Brush() const { return brush_; }
  TPen& Pen() { return pen_; }
  const TPen& Pen() const { return pen_; }

  TPoint PenPos() const { return penPos_; }
  void MoveTo(int x, int y);
  // A line with the pen from the pen position to (x, y), the end point left
  // out; the pen position moves there. A pen of width w draws each point p
  // of the line as the square from p − (w − 1) / 2 to p + w / 2.
  void LineTo(int x, int y);
  // Lines through the points in order (the last point left out); the pen
  // position does not move.
  void Polyline(std::span<const TPoint> points);

  // The rectangle filled with the brush.
  void FillRect(const TRect& rect);
  // A one-pixel border just inside the rectangle, in the brush colour.
  void FrameRect(const TRect& rect);
  // The outline with the pen (along the rectangle's outer pixels), the inside
  // filled with the brush.
  void Rectangle(const TRect& rect);
  void Rectangle(int left, int top, int right, int bottom) { Rectangle(Rect(left, top, right, bottom)); }
  // The dotted frame that marks the focused item; drawing it twice removes it
  // (the pixels of the frame are inverted).
  void DrawFocusRect(const TRect& rect);

  // Text in the font with its top-left corner at (x, y), on the brush colour
  // unless the brush is clear.
  void TextOut(int x, int y, std::string_view text);
  // The rectangle filled with the brush (unless clear) and the text drawn at
  // (x, y), cut off at the rectangle: how grid cells draw their text.
  void TextRect(const TRect& rect, int x, int y, std::string_view text);
  // One line of text placed in the rectangle by the alignments, cut off at
  // the rectangle; only the text's own extent gets the brush background.
  void DrawText(const TRect& rect, std::string_view text, TDrawTextAlign align,
                TDrawTextLayout layout = dtTop);

  // Metrics of the font (see the top of this file).
  TSize TextExtent(std::string_view text) const;
  int TextWidth(std::string_view text) const { return TextExtent(text).cx; }
  int TextHeight(std::string_view text) const { return TextExtent(text).cy; }
  // The same metrics for any font.
  static TSize TextExtentOf(const TFont& font, std::string_view text);

  // The bitmap with its top-left corner at (x, y); a transparent bitmap
  // leaves out the pixels of its transparent colour.
  void Draw(int x, int y, const TBitmap& bitmap);
  // The bitmap scaled to the rectangle (nearest pixel); transparency as Draw.
  void StretchDraw(const TRect& rect, const TBitmap& bitmap);
  // The part `source` of the bitmap copied to `dest` (scaled when the sizes
  // differ), with the pixels of `color` replaced by the brush colour, or left
  // out when the brush is clear.
  void BrushCopy(const TRect& dest, const TBitmap& bitmap, const TRect& source, TColor color);
  // Paints the brush colour at (x, y) + p for every black pixel p of `mask`
  // and leaves the destination where the mask is white: the raster operation
  // 0xE20746 that embosses a monochrome mask (see TBitmap::SetMonochrome).
  void PaintMask(int x, int y, const TBitmap& mask);

  // The colour at a point; clNone outside the surface or where the surface
  // keeps no pixels.
  TColor Pixel(int x, int y) const { return GetPixel(x, y); }
  void SetPixel(int x, int y, TColor color);

 protected:
  // One text call as the public operations resolve it: where the text goes
  // and the area it is cut off at.
  enum class TextKind : uint8_t { kTextOut, kTextRect, kDrawText };
  struct TextCall {
    TextKind kind;
    TRect rect;  // the cut-off area; for kTextOut the text's own extent
    int x;       // top-left corner of the text
    int y;
    std::string_view text;
    TDrawTextAlign align;     // kDrawText only
    TDrawTextLayout layout;   // kDrawText only
  };
  enum class ImageKind : uint8_t { kDraw, kStretchDraw, kBrushCopy, kPaintMask };
  struct ImageCall {
    ImageKind kind;
    TRect dest;
    const TBitmap* bitmap;
    TRect source;  // whole bitmap except for kBrushCopy
    TColor color;  // kBrushCopy: the colour replaced
  };

  virtual void DoMoveTo(TPoint to) {}
  virtual void DoLine(TPoint from, TPoint to) = 0;
  virtual void DoPolyline(std::span<const TPoint> points) = 0;
  virtual void DoFillRect(const TRect& rect) = 0;
  virtual void DoFrameRect(const TRect& rect) = 0;
  virtual void DoRectangle(const TRect& rect) = 0;
  virtual void DoFocusRect(const TRect& rect) = 0;
  virtual void DoText(const TextCall& call) = 0;
  virtual void DoImage(const ImageCall& call) = 0;
  virtual void DoSetPixel(int x, int y, TColor color) = 0;
  virtual TColor GetPixel(int x, int y) const = 0;

 private:
  TFont font_;
  TBrush brush_;
  TPen pen_;
  TPoint penPos_;
};

// A canvas painting into a bitmap, which must outlive it. Text is drawn as
// blocks: each character other than a blank is its cell filled with the
// font colour, one pixel column left free on its right so that neighbouring
// characters stay apart; underline and strike-out are not drawn. That keeps
// text positions, colours and cut-offs checkable pixel by pixel; the glyphs
// themselves are the front end's business.
class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}

 protected:
  void DoLine(TPoint from, TPoint to) override;
  void DoPolyline(std::span<const TPoint> points) override;
  void DoFillRect(const TRect& rect) override;
  void DoFrameRect(const TRect& rect) override;
  void DoRectangle(const TRect& rect) override;
  void DoFocusRect(const TRect& rect) override;
  void DoText(const TextCall& call) override;
  void DoImage(const ImageCall& call) override;
  void DoSetPixel(int x, int y, TColor color) override;
  TColor GetPixel(int x, int y) const override;

 private:
  void Fill(const TRect& rect, TColor color, const TRect* clip = nullptr);
  void Plot(int x, int y, TColor color, int width);
  void Changed();

  TBitmap& bitmap_;
};

enum TTransparentMode : uint8_t { tmAuto, tmFixed };
inline constexpr std::string_view kTransparentModeNames[] = {"tmAuto", "tmFixed"};
inline constexpr TEnumInfo kTransparentModeInfo{"TTransparentMode", kTransparentModeNames};

// A picture of 24-bit pixels (each a TColor 0x00BBGGRR) with a canvas.
//
// A monochrome bitmap holds only black and white: turning it monochrome maps
// black to black and every other colour to white, and whatever is drawn into
// it afterwards is mapped the same way. So a bitmap holding black marks on a
// background colour becomes the mask that PaintMask embosses.
//
// Transparency: a transparent bitmap is drawn without the pixels of its
// transparent colour, which is the colour of its bottom-left pixel (tmAuto)
// or a colour set on purpose (tmFixed).
class TBitmap : public TPersistent {
  PELLOR_CLASS(TBitmap);

 public:
  // `changed` runs after every change of size, pixels or settings; the
  // control holding the bitmap (a glyph) uses it to follow the picture.
  explicit TBitmap(std::function<void()> changed = nullptr);
  // A bitmap of that size filled with `fill`.
  TBitmap(int width, int height, TColor fill = clWhite);
  ~TBitmap() override;

  // Largest width and height accepted, from files and from SetSize alike.
  static constexpr int kMaxSide = 16384;
  static constexpr int64_t kMaxPixels = int64_t{64} << 20;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  // Keeps the pixels that stay inside; new pixels are white. Negative sizes
  // count as 0; sizes beyond the limits raise EInvalidGraphic.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }

  // clNone outside the bitmap.
  TColor Pixel(int x, int y) const;
  // Ignored outside the bitmap; system colours are resolved.
  void SetPixel(int x, int y, TColor color);

  bool Monochrome() const { return monochrome_; }
  void SetMonochrome(bool monochrome);

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  TTransparentMode TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(TTransparentMode mode);
  // With tmAuto the bottom-left pixel (clNone for an empty bitmap).
  TColor TransparentColor() const;
  // Also switches to tmFixed.
  void SetTransparentColor(TColor color);

  // A monochrome bitmap of the same size, white where this bitmap has
  // `color` and black elsewhere.
  std::unique_ptr<TBitmap> MaskOf(TColor color) const;

  // The canvas painting into this bitmap, made on first use; its brush, pen
  // and font stay as set between uses.
  TCanvas& Canvas();

  // Copies size, pixels and settings of another bitmap; refuses other classes.
  void Assign(const TPersistent& source) override;
  bool SamePixels(const TBitmap& other) const;

  // BMP files: reading takes uncompressed 1-, 4-, 8-, 24- and 32-bit images
  // (bottom-up or top-down); writing gives an uncompressed 24-bit bottom-up
  // file. Errors raise EInvalidGraphic naming the file or the fault; a failed
  // load leaves the bitmap unchanged.
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path) const;
  void LoadFromBytes(std::string_view bytes);
  std::string SaveToBytes() const;

 private:
  friend class TBitmapCanvas;

  static void DefineProperties(PropertyBuilder<TBitmap>& p);
  void Changed();
  // Stores without notifying (the canvas notifies once per operation).
  void Put(int x, int y, TColor rgb) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) {
      pixels_[static_cast<size_t>(y) * width_ + x] = monochrome_ ? MonoOf(rgb) : rgb;
    }
  }
  static TColor MonoOf(TColor rgb) { return rgb == clBlack ? clBlack : clWhite; }

  std::function<void()> changed_;
  int width_ = 0;
  int height_ = 0;
  std::vector<TColor> pixels_;  // row by row from the top
  bool monochrome_ = false;
  bool transparent_ = false;
  TTransparentMode transparentMode_ = tmAuto;
  TColor transparentColor_ = clNone;
  std::unique_ptr<TBitmapCanvas> canvas_;
};

// One logged canvas call, with the drawing tools as they were.
struct TCanvasCall {
  enum Op : uint8_t {
    kMoveTo,
    kLineTo,
    kPolyline,
    kFillRect,
    kFrameRect,
    kRectangle,
    kDrawFocusRect,
    kTextOut,
    kTextRect,
    kDrawText,
    kDraw,
    kStretchDraw,
    kBrushCopy,
    kPaintMask,
    kSetPixel,
  };
  Op op;
  TRect rect;                   // the area drawn, text cut-off area, image destination
  TPoint point;                 // line start, text position, pixel
  TPoint to;                    // line end
  std::vector<TPoint> points;   // Polyline
  std::string text;
  TDrawTextAlign align = dtLeft;    // DrawText
  TDrawTextLayout layout = dtTop;   // DrawText
  TRect source;                 // image calls: the part of the bitmap used
  TSize imageSize;              // image calls: the bitmap's size
  TColor color = clNone;        // SetPixel; BrushCopy: the replaced colour;
                                // Draw/StretchDraw: the transparent colour, clNone when opaque
  TColor brushColor;
  TBrushStyle brushStyle;
  TColor penColor;
  int penWidth;
  TPenStyle penStyle;
  std::string fontName;
  int fontHeight;
  uint8_t fontCharset;
  TFontStyles fontStyle;
  TColor fontColor;

  // "TextOut(3,2,\"abc\")", "FillRect(0,0,10,10)" ...: the operation and its
  // arguments, without the tools.
  std::string Describe() const;
};

// Logs every call. With a target bitmap it also paints into it (through the
// bitmap's own canvas, whose tools it sets to its own before each call), so
// that one test can check both what was asked and what came out.
class TRecordingCanvas : public TCanvas {
 public:
  explicit TRecordingCanvas(TBitmap* target = nullptr);
  ~TRecordingCanvas() override;

  const std::vector<TCanvasCall>& Calls() const { return calls_; }
  // The Describe() texts of all calls, in order.
  std::vector<std::string> Descriptions() const;
  void Clear() { calls_.clear(); }

 protected:
  void DoMoveTo(TPoint to) override;
  void DoLine(TPoint from, TPoint to) override;
  void DoPolyline(std::span<const TPoint> points) override;
  void DoFillRect(const TRect& rect) override;
  void DoFrameRect(const TRect& rect) override;
  void DoRectangle(const TRect& rect) override;
  void DoFocusRect(const TRect& rect) override;
  void DoText(const TextCall& call) override;
  void DoImage(const ImageCall& call) override;
  void DoSetPixel(int x, int y, TColor color) override;
  TColor GetPixel(int x, int y) const override;

 private:
  TCanvasCall& Log(TCanvasCall::Op op);
  // The target's canvas with this canvas's tools, or nullptr.
  TCanvas* Sink();

  TBitmap* target_;
  std::vector<TCanvasCall> calls_;
};

}  // namespace pellor

#endif  // PELLOR_UI_CANVAS_H_
