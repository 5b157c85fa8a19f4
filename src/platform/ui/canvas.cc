#include "platform/ui/canvas.h"

#include <algorithm>
#include <cstdlib>

#include "platform/rtl/strutils.h"

namespace pellor {

TRect IntersectRect(const TRect& a, const TRect& b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
  if (r.IsEmpty()) return {};
  return r;
}

// ---- TBrush, TPen ---------------------------------------------------------------

PELLOR_DEFINE_CLASS(TBrush, TPersistent);

void TBrush::DefineProperties(PropertyBuilder<TBrush>& p) {
  p.Color("Color", &TBrush::Color, &TBrush::SetColor)
      .Enum("Style", kBrushStyleInfo, &TBrush::Style, &TBrush::SetStyle);
}

void TBrush::Changed() {
  if (changed_) changed_();
}

void TBrush::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TBrush::Assign(const TPersistent& source) {
  const auto* brush = dynamic_cast<const TBrush*>(&source);
  if (brush == nullptr) return TPersistent::Assign(source);
  if (brush->color_ == color_ && brush->style_ == style_) return;
  color_ = brush->color_;
  style_ = brush->style_;
  Changed();
}

PELLOR_DEFINE_CLASS(TPen, TPersistent);

void TPen::DefineProperties(PropertyBuilder<TPen>& p) {
  p.Color("Color", &TPen::Color, &TPen::SetColor)
      .Integer("Width", &TPen::Width, &TPen::SetWidth)
      .Enum("Style", kPenStyleInfo, &TPen::Style, &TPen::SetStyle);
}

void TPen::Changed() {
  if (changed_) changed_();
}

void TPen::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TPen::SetWidth(int width) {
  width = std::max(width, 1);
  if (width == width_) return;
  width_ = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TPen::Assign(const TPersistent& source) {
  const auto* pen = dynamic_cast<const TPen*>(&source);
  if (pen == nullptr) return TPersistent::Assign(source);
  if (pen->color_ == color_ && pen->width_ == width_ && pen->style_ == style_) return;
  color_ = pen->color_;
  width_ = pen->width_;
  style_ = pen->style_;
  Changed();
}

// ---- TCanvas --------------------------------------------------------------------

TCanvas::TCanvas() = default;
TCanvas::~TCanvas() = default;

void TCanvas::MoveTo(int x, int y) {
  penPos_ = {x, y};
  DoMoveTo(penPos_);
}

void TCanvas::LineTo(int x, int y) {
  TPoint from = penPos_;
  penPos_ = {x, y};
  DoLine(from, penPos_);
}

void TCanvas::Polyline(std::span<const TPoint> points) { DoPolyline(points); }

void TCanvas::FillRect(const TRect& rect) { DoFillRect(rect); }
void TCanvas::FrameRect(const TRect& rect) { DoFrameRect(rect); }
void TCanvas::Rectangle(const TRect& rect) { DoRectangle(rect); }
void TCanvas::DrawFocusRect(const TRect& rect) { DoFocusRect(rect); }

TSize TCanvas::TextExtentOf(const TFont& font, std::string_view text) {
  const int em = font.Height() == 0 ? 12 : std::abs(font.Height());
  const int narrow = (em + 1) / 2;
  const bool doubleByte = font.Charset() != ANSI_CHARSET && font.Charset() != SYMBOL_CHARSET;
  int width = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (doubleByte && byte >= 0x81 && byte <= 0xFE && i + 1 < text.size()) {
      width += 2 * narrow;
      ++i;
    } else {
      width += narrow;
    }
  }
  return {width, em};
}

TSize TCanvas::TextExtent(std::string_view text) const { return TextExtentOf(font_, text); }

void TCanvas::TextOut(int x, int y, std::string_view text) {
  TSize size = TextExtent(text);
  DoText({TextKind::kTextOut, Bounds(x, y, size.cx, size.cy), x, y, text, dtLeft, dtTop});
  penPos_ = {x + size.cx, y};
}

void TCanvas::TextRect(const TRect& rect, int x, int y, std::string_view text) {
  DoText({TextKind::kTextRect, rect, x, y, text, dtLeft, dtTop});
}

void TCanvas::DrawText(const TRect& rect, std::string_view text, TDrawTextAlign align, TDrawTextLayout layout) {
  TSize size = TextExtent(text);
  int x = rect.Left;
  if (align == dtRight) x = rect.Right - size.cx;
  if (align == dtCenter) x = rect.Left + (rect.Width() - size.cx) / 2;
  int y = rect.Top;
  if (layout == dtBottom) y = rect.Bottom - size.cy;
  if (layout == dtVCenter) y = rect.Top + (rect.Height() - size.cy) / 2;
  DoText({TextKind::kDrawText, rect, x, y, text, align, layout});
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap) {
  DoImage({ImageKind::kDraw, Bounds(x, y, bitmap.Width(), bitmap.Height()), &bitmap,
           Rect(0, 0, bitmap.Width(), bitmap.Height()), clNone});
}

void TCanvas::StretchDraw(const TRect& rect, const TBitmap& bitmap) {
  DoImage({ImageKind::kStretchDraw, rect, &bitmap, Rect(0, 0, bitmap.Width(), bitmap.Height()), clNone});
}

void TCanvas::BrushCopy(const TRect& dest, const TBitmap& bitmap, const TRect& source, TColor color) {
  DoImage({ImageKind::kBrushCopy, dest, &bitmap, source, color});
}

void TCanvas::PaintMask(int x, int y, const TBitmap& mask) {
  DoImage({ImageKind::kPaintMask, Bounds(x, y, mask.Width(), mask.Height()), &mask,
           Rect(0, 0, mask.Width(), mask.Height()), clNone});
}

void TCanvas::SetPixel(int x, int y, TColor color) { DoSetPixel(x, y, color); }

// ---- TBitmapCanvas -----------------------------------------------------------

void TBitmapCanvas::Changed() { bitmap_.Changed(); }

void TBitmapCanvas::Fill(const TRect& rect, TColor color, const TRect* clip) {
  TRect area = IntersectRect(rect, Rect(0, 0, bitmap_.Width(), bitmap_.Height()));
  if (clip != nullptr) area = IntersectRect(area, *clip);
  const TColor rgb = ColorToRGB(color);
  for (int y = area.Top; y < area.Bottom; ++y) {
    for (int x = area.Left; x < area.Right; ++x) bitmap_.Put(x, y, rgb);
  }
}

void TBitmapCanvas::Plot(int x, int y, TColor color, int width) {
  const int from = -(width - 1) / 2;
  for (int dy = from; dy < from + width; ++dy) {
    for (int dx = from; dx < from + width; ++dx) bitmap_.Put(x + dx, y + dy, color);
  }
}

void TBitmapCanvas::DoLine(TPoint from, TPoint to) {
  const TPen& pen = Pen();
  if (pen.Style() == psClear) return;
  const TColor rgb = ColorToRGB(pen.Color());
  const int width = pen.Width();
  // Dot: one on, one off; dash: six on, two off. Only thin pens have a pattern.
  auto on = [&](int step) {
    if (width > 1) return true;
    switch (pen.Style()) {
      case psDot: return step % 2 == 0;
      case psDash: return step % 8 < 6;
      default: return true;
    }
  };
  int x = from.X;
  int y = from.Y;
  const int dx = std::abs(to.X - from.X);
  const int dy = -std::abs(to.Y - from.Y);
  const int sx = from.X < to.X ? 1 : -1;
  const int sy = from.Y < to.Y ? 1 : -1;
  int error = dx + dy;
  for (int step = 0; x != to.X || y != to.Y; ++step) {
    if (on(step)) Plot(x, y, rgb, width);
    const int e2 = 2 * error;
    if (e2 >= dy) {
      error += dy;
      x += sx;
    }
    if (e2 <= dx) {
      error += dx;
      y += sy;
    }
  }
  Changed();
}

void TBitmapCanvas::DoPolyline(std::span<const TPoint> points) {
  for (size_t i = 1; i < points.size(); ++i) DoLine(points[i - 1], points[i]);
}

void TBitmapCanvas::DoFillRect(const TRect& rect) {
  if (Brush().Style() == bsClear) return;
  Fill(rect, Brush().Color());
  Changed();
}

void TBitmapCanvas::DoFrameRect(const TRect& rect) {
  if (rect.IsEmpty() || Brush().Style() == bsClear) return;
  const TColor color = Brush().Color();
  Fill(Rect(rect.Left, rect.Top, rect.Right, rect.Top + 1), color);
  Fill(Rect(rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom), color);
  Fill(Rect(rect.Left, rect.Top, rect.Left + 1, rect.Bottom), color);
  Fill(Rect(rect.Right - 1, rect.Top, rect.Right, rect.Bottom), color);
  Changed();
}

void TBitmapCanvas::DoRectangle(const TRect& rect) {
  if (rect.IsEmpty()) return;
  if (Brush().Style() != bsClear) Fill(rect.Inflated(-1, -1), Brush().Color());
  const TPoint corners[] = {{rect.Left, rect.Top},
                            {rect.Right - 1, rect.Top},
                            {rect.Right - 1, rect.Bottom - 1},
                            {rect.Left, rect.Bottom - 1},
                            {rect.Left, rect.Top}};
  DoPolyline(corners);
  // Covers the corner of a one-pixel rectangle, whose lines are all empty.
  if (Pen().Style() != psClear) Plot(rect.Left, rect.Top, ColorToRGB(Pen().Color()), Pen().Width());
  Changed();
}

void TBitmapCanvas::DoFocusRect(const TRect& rect) {
  if (rect.IsEmpty()) return;
  auto invert = [this](int x, int y) {
    if ((x + y) % 2 != 0) return;
    TColor c = bitmap_.Pixel(x, y);
    if (c != clNone) bitmap_.Put(x, y, c ^ 0xFFFFFF);
  };
  for (int x = rect.Left; x < rect.Right; ++x) {
    invert(x, rect.Top);
    if (rect.Bottom - 1 != rect.Top) invert(x, rect.Bottom - 1);
  }
  for (int y = rect.Top + 1; y < rect.Bottom - 1; ++y) {
    invert(rect.Left, y);
    if (rect.Right - 1 != rect.Left) invert(rect.Right - 1, y);
  }
  Changed();
}

void TBitmapCanvas::DoText(const TextCall& call) {
  const TRect* clip = call.kind == TextKind::kTextOut ? nullptr : &call.rect;
  const TSize size = TextExtent(call.text);
  if (Brush().Style() != bsClear) {
    if (call.kind == TextKind::kTextRect) {
      Fill(call.rect, Brush().Color());
    } else {
      Fill(Bounds(call.x, call.y, size.cx, size.cy), Brush().Color(), clip);
    }
  }
  const TColor ink = Font().Color();
  const int narrow = TextExtent("a").cx;
  const bool doubleByte = Font().Charset() != ANSI_CHARSET && Font().Charset() != SYMBOL_CHARSET;
  int x = call.x;
  for (size_t i = 0; i < call.text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(call.text[i]);
    int cell = narrow;
    if (doubleByte && byte >= 0x81 && byte <= 0xFE && i + 1 < call.text.size()) {
      cell = 2 * narrow;
      ++i;
    }
    if (byte != ' ') Fill(Bounds(x, call.y, std::max(cell - 1, 1), size.cy), ink, clip);
    x += cell;
  }
  Changed();
}

void TBitmapCanvas::DoImage(const ImageCall& call) {
  // Drawing a bitmap into itself reads from a copy.
  TBitmap copy;
  const TBitmap* source = call.bitmap;
  if (source == &bitmap_) {
    copy.Assign(bitmap_);
    source = &copy;
  }
  const TRect& d = call.dest;
  const TRect& s = call.source;
  if (d.IsEmpty() || s.IsEmpty()) return;
  const bool transparent = (call.kind == ImageKind::kDraw || call.kind == ImageKind::kStretchDraw) &&
                           source->Transparent();
  const TColor transparentColor = transparent ? ColorToRGB(source->TransparentColor()) : clNone;
  const TColor brush = ColorToRGB(Brush().Color());
  const TColor replaced = ColorToRGB(call.color);
  for (int y = std::max(d.Top, 0); y < std::min(d.Bottom, bitmap_.Height()); ++y) {
    const int sy = s.Top + static_cast<int>(int64_t{y - d.Top} * s.Height() / d.Height());
    for (int x = std::max(d.Left, 0); x < std::min(d.Right, bitmap_.Width()); ++x) {
      const int sx = s.Left + static_cast<int>(int64_t{x - d.Left} * s.Width() / d.Width());
      const TColor p = source->Pixel(sx, sy);
      if (p == clNone) continue;
      switch (call.kind) {
        case ImageKind::kDraw:
        case ImageKind::kStretchDraw:
          if (!transparent || p != transparentColor) bitmap_.Put(x, y, p);
          break;
        case ImageKind::kBrushCopy:
          if (p != replaced) {
            bitmap_.Put(x, y, p);
          } else if (Brush().Style() != bsClear) {
            bitmap_.Put(x, y, brush);
          }
          break;
        case ImageKind::kPaintMask:
          if (p == clBlack) bitmap_.Put(x, y, brush);
          break;
      }
    }
  }
  Changed();
}

void TBitmapCanvas::DoSetPixel(int x, int y, TColor color) { bitmap_.SetPixel(x, y, color); }

TColor TBitmapCanvas::GetPixel(int x, int y) const { return bitmap_.Pixel(x, y); }

// ---- TBitmap --------------------------------------------------------------------

PELLOR_DEFINE_CLASS(TBitmap, TPersistent);

void TBitmap::DefineProperties(PropertyBuilder<TBitmap>& p) {
  p.Integer("Width", &TBitmap::Width, &TBitmap::SetWidth)
      .Integer("Height", &TBitmap::Height, &TBitmap::SetHeight)
      .Bool("Monochrome", &TBitmap::Monochrome, &TBitmap::SetMonochrome)
      .Bool("Transparent", &TBitmap::Transparent, &TBitmap::SetTransparent)
      .Color("TransparentColor", &TBitmap::TransparentColor, &TBitmap::SetTransparentColor)
      .Enum("TransparentMode", kTransparentModeInfo, &TBitmap::TransparentMode, &TBitmap::SetTransparentMode);
}

TBitmap::TBitmap(std::function<void()> changed) : changed_(std::move(changed)) {}

TBitmap::TBitmap(int width, int height, TColor fill) {
  SetSize(width, height);
  std::fill(pixels_.begin(), pixels_.end(), ColorToRGB(fill));
}

TBitmap::~TBitmap() = default;

void TBitmap::Changed() {
  if (changed_) changed_();
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  if (width > kMaxSide || height > kMaxSide || int64_t{width} * height > kMaxPixels) {
    throw EInvalidGraphic("Bitmap size " + std::to_string(width) + " x " + std::to_string(height) +
                          " is too large");
  }
  std::vector<TColor> pixels(static_cast<size_t>(width) * height, clWhite);
  for (int y = 0; y < std::min(height, height_); ++y) {
    for (int x = 0; x < std::min(width, width_); ++x) {
      pixels[static_cast<size_t>(y) * width + x] = pixels_[static_cast<size_t>(y) * width_ + x];
    }
  }
  pixels_ = std::move(pixels);
  width_ = width;
  height_ = height;
  Changed();
}

TColor TBitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return clNone;
  return pixels_[static_cast<size_t>(y) * width_ + x];
}

void TBitmap::SetPixel(int x, int y, TColor color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  Put(x, y, ColorToRGB(color));
  Changed();
}

void TBitmap::SetMonochrome(bool monochrome) {
  if (monochrome == monochrome_) return;
  monochrome_ = monochrome;
  if (monochrome_) {
    for (TColor& p : pixels_) p = MonoOf(p);
  }
  Changed();
}

void TBitmap::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
  if (mode == transparentMode_) return;
  transparentMode_ = mode;
  Changed();
}

TColor TBitmap::TransparentColor() const {
  if (transparentMode_ == tmFixed) return transparentColor_;
  return Pixel(0, height_ - 1);
}

void TBitmap::SetTransparentColor(TColor color) {
  if (transparentMode_ == tmFixed && color == transparentColor_) return;
  transparentColor_ = color;
  transparentMode_ = tmFixed;
  Changed();
}

std::unique_ptr<TBitmap> TBitmap::MaskOf(TColor color) const {
  auto mask = std::make_unique<TBitmap>(width_, height_, clWhite);
  const TColor rgb = ColorToRGB(color);
  for (size_t i = 0; i < pixels_.size(); ++i) mask->pixels_[i] = pixels_[i] == rgb ? clWhite : clBlack;
  mask->monochrome_ = true;
  return mask;
}

TCanvas& TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(*this);
  return *canvas_;
}

void TBitmap::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TBitmap*>(&source);
  if (other == nullptr) return TPersistent::Assign(source);
  if (other == this) return;
  width_ = other->width_;
  height_ = other->height_;
  pixels_ = other->pixels_;
  monochrome_ = other->monochrome_;
  transparent_ = other->transparent_;
  transparentMode_ = other->transparentMode_;
  transparentColor_ = other->transparentColor_;
  Changed();
}

bool TBitmap::SamePixels(const TBitmap& other) const {
  return width_ == other.width_ && height_ == other.height_ && pixels_ == other.pixels_;
}

// ---- BMP files ------------------------------------------------------------------

namespace {

uint32_t ReadU32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
uint16_t ReadU16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}
void PutU32(std::string& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void PutU16(std::string& b, uint16_t v) {
  b.push_back(static_cast<char>(v & 0xFF));
  b.push_back(static_cast<char>(v >> 8));
}

[[noreturn]] void Bad(const std::string& why) { throw EInvalidGraphic("Bitmap image is not valid: " + why); }

}  // namespace

void TBitmap::LoadFromBytes(std::string_view b) {
  constexpr size_t kFileHeader = 14;
  if (b.size() < kFileHeader + 40 || b[0] != 'B' || b[1] != 'M') Bad("not a BMP file");
  const uint32_t dataOffset = ReadU32(b, 10);
  const uint32_t infoSize = ReadU32(b, 14);
  if (infoSize < 40 || infoSize > b.size() - kFileHeader) {
    Bad("unsupported header of " + std::to_string(infoSize) + " bytes");
  }
  const auto width = static_cast<int32_t>(ReadU32(b, 18));
  const auto rawHeight = static_cast<int32_t>(ReadU32(b, 22));
  const uint16_t bits = ReadU16(b, 28);
  const uint32_t compression = ReadU32(b, 30);
  uint32_t colorsUsed = ReadU32(b, 46);
  // 32-bit images may say BI_BITFIELDS (3) with the usual masks; treat them
  // as plain B, G, R, x.
  if (compression != 0 && !(compression == 3 && bits == 32)) {
    Bad("compressed images (method " + std::to_string(compression) + ") are not supported");
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {
    Bad(std::to_string(bits) + "-bit images are not supported");
  }
  if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) Bad("empty or negative size");
  const bool topDown = rawHeight < 0;
  const int height = topDown ? -rawHeight : rawHeight;
  if (width > kMaxSide || height > kMaxSide || int64_t{width} * height > kMaxPixels) {
    Bad("size " + std::to_string(width) + " x " + std::to_string(height) + " is too large");
  }

  std::vector<TColor> palette;
  if (bits <= 8) {
    const uint32_t maxColors = 1u << bits;
    if (colorsUsed == 0 || colorsUsed > maxColors) colorsUsed = maxColors;
    const size_t paletteAt = kFileHeader + infoSize;
    if (paletteAt + size_t{colorsUsed} * 4 > b.size()) Bad("truncated palette");
    for (uint32_t i = 0; i < colorsUsed; ++i) {
      const size_t at = paletteAt + size_t{i} * 4;
      palette.push_back(RGB(static_cast<uint8_t>(b[at + 2]), static_cast<uint8_t>(b[at + 1]),
                            static_cast<uint8_t>(b[at])));
    }
  }
  const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  if (dataOffset > b.size() || stride * height > b.size() - dataOffset) Bad("truncated pixel data");

  std::vector<TColor> pixels(static_cast<size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    const size_t line = dataOffset + stride * row;
    const int y = topDown ? row : height - 1 - row;
    for (int x = 0; x < width; ++x) {
      TColor color;
      if (bits >= 24) {
        const size_t at = line + static_cast<size_t>(x) * (bits / 8);
        color = RGB(static_cast<uint8_t>(b[at + 2]), static_cast<uint8_t>(b[at + 1]), static_cast<uint8_t>(b[at]));
      } else {
        const size_t bit = static_cast<size_t>(x) * bits;
        const auto byte = static_cast<unsigned char>(b[line + bit / 8]);
        const unsigned index = (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        if (index >= palette.size()) Bad("colour index " + std::to_string(index) + " beyond the palette");
        color = palette[index];
      }
      pixels[static_cast<size_t>(y) * width + x] = color;
    }
  }
  pixels_ = std::move(pixels);
  width_ = width;
  height_ = height;
  monochrome_ = false;
  Changed();
}

std::string TBitmap::SaveToBytes() const {
  const size_t stride = ((static_cast<size_t>(width_) * 24 + 31) / 32) * 4;
  const auto imageSize = static_cast<uint32_t>(stride * height_);
  std::string b;
  b.reserve(54 + imageSize);
  b += "BM";
  PutU32(b, 54 + imageSize);
  PutU32(b, 0);
  PutU32(b, 54);
  PutU32(b, 40);
  PutU32(b, static_cast<uint32_t>(width_));
  PutU32(b, static_cast<uint32_t>(height_));
  PutU16(b, 1);
  PutU16(b, 24);
  PutU32(b, 0);
  PutU32(b, imageSize);
  PutU32(b, 3780);  // 96 dots per inch
  PutU32(b, 3780);
  PutU32(b, 0);
  PutU32(b, 0);
  for (int y = height_ - 1; y >= 0; --y) {
    for (int x = 0; x < width_; ++x) {
      const auto p = static_cast<uint32_t>(pixels_[static_cast<size_t>(y) * width_ + x]);
      b.push_back(static_cast<char>((p >> 16) & 0xFF));
      b.push_back(static_cast<char>((p >> 8) & 0xFF));
      b.push_back(static_cast<char>(p & 0xFF));
    }
    b.append(stride - static_cast<size_t>(width_) * 3, '\0');
  }
  return b;
}

void TBitmap::LoadFromFile(const std::string& path) {
  auto bytes = ReadFileBytes(path);
  if (!bytes) throw EInvalidGraphic("Cannot open bitmap file " + path);
  try {
    LoadFromBytes(*bytes);
  } catch (const EInvalidGraphic& e) {
    throw EInvalidGraphic(e.Message() + " (" + path + ")");
  }
}

void TBitmap::SaveToFile(const std::string& path) const {
  try {
    WriteFileBytes(path, SaveToBytes());
  } catch (const Exception& e) {
    throw EInvalidGraphic("Cannot write bitmap file " + path + ": " + e.Message());
  }
}

// ---- TRecordingCanvas -----------------------------------------------------------

std::string TCanvasCall::Describe() const {
  auto r = [](const TRect& x) {
    return std::to_string(x.Left) + "," + std::to_string(x.Top) + "," + std::to_string(x.Right) + "," +
           std::to_string(x.Bottom);
  };
  auto p = [](TPoint x) { return std::to_string(x.X) + "," + std::to_string(x.Y); };
  auto quoted = [](const std::string& t) { return "\"" + t + "\""; };
  static constexpr const char* kAligns[] = {"left", "center", "right"};
  static constexpr const char* kLayouts[] = {"top", "vcenter", "bottom"};
  switch (op) {
    case kMoveTo: return "MoveTo(" + p(point) + ")";
    case kLineTo: return "LineTo(" + p(point) + "->" + p(to) + ")";
    case kPolyline: {
      std::string s = "Polyline(";
      for (size_t i = 0; i < points.size(); ++i) s += (i ? " " : "") + p(points[i]);
      return s + ")";
    }
    case kFillRect: return "FillRect(" + r(rect) + ")";
    case kFrameRect: return "FrameRect(" + r(rect) + ")";
    case kRectangle: return "Rectangle(" + r(rect) + ")";
    case kDrawFocusRect: return "DrawFocusRect(" + r(rect) + ")";
    case kTextOut: return "TextOut(" + p(point) + "," + quoted(text) + ")";
    case kTextRect: return "TextRect(" + r(rect) + "," + p(point) + "," + quoted(text) + ")";
    case kDrawText:
      return "DrawText(" + r(rect) + "," + quoted(text) + "," + kAligns[align] + "," + kLayouts[layout] + ")->" +
             p(point);
    case kDraw: return "Draw(" + p(point) + "," + std::to_string(imageSize.cx) + "x" + std::to_string(imageSize.cy) + ")";
    case kStretchDraw:
      return "StretchDraw(" + r(rect) + "," + std::to_string(imageSize.cx) + "x" + std::to_string(imageSize.cy) + ")";
    case kBrushCopy: return "BrushCopy(" + r(rect) + "," + r(source) + "," + ColorToString(color) + ")";
    case kPaintMask: return "PaintMask(" + p(point) + "," + std::to_string(imageSize.cx) + "x" + std::to_string(imageSize.cy) + ")";
    case kSetPixel: return "SetPixel(" + p(point) + "," + ColorToString(color) + ")";
  }
  return "?";
}

TRecordingCanvas::TRecordingCanvas(TBitmap* target) : target_(target) {}
TRecordingCanvas::~TRecordingCanvas() = default;

std::vector<std::string> TRecordingCanvas::Descriptions() const {
  std::vector<std::string> list;
  for (const TCanvasCall& call : calls_) list.push_back(call.Describe());
  return list;
}

TCanvasCall& TRecordingCanvas::Log(TCanvasCall::Op op) {
  TCanvasCall& call = calls_.emplace_back();
  call.op = op;
  call.brushColor = Brush().Color();
  call.brushStyle = Brush().Style();
  call.penColor = Pen().Color();
  call.penWidth = Pen().Width();
  call.penStyle = Pen().Style();
  call.fontName = Font().Name();
  call.fontHeight = Font().Height();
  call.fontCharset = Font().Charset();
  call.fontStyle = Font().Style();
  call.fontColor = Font().Color();
  return call;
}

TCanvas* TRecordingCanvas::Sink() {
  if (target_ == nullptr) return nullptr;
  TCanvas& sink = target_->Canvas();
  sink.Font().Assign(Font());
  sink.Brush().Assign(Brush());
  sink.Pen().Assign(Pen());
  return &sink;
}

void TRecordingCanvas::DoMoveTo(TPoint to) {
  Log(TCanvasCall::kMoveTo).point = to;
  if (TCanvas* sink = Sink()) sink->MoveTo(to.X, to.Y);
}

void TRecordingCanvas::DoLine(TPoint from, TPoint to) {
  TCanvasCall& call = Log(TCanvasCall::kLineTo);
  call.point = from;
  call.to = to;
  if (TCanvas* sink = Sink()) {
    sink->MoveTo(from.X, from.Y);
    sink->LineTo(to.X, to.Y);
  }
}

void TRecordingCanvas::DoPolyline(std::span<const TPoint> points) {
  Log(TCanvasCall::kPolyline).points.assign(points.begin(), points.end());
  if (TCanvas* sink = Sink()) sink->Polyline(points);
}

void TRecordingCanvas::DoFillRect(const TRect& rect) {
  Log(TCanvasCall::kFillRect).rect = rect;
  if (TCanvas* sink = Sink()) sink->FillRect(rect);
}

void TRecordingCanvas::DoFrameRect(const TRect& rect) {
  Log(TCanvasCall::kFrameRect).rect = rect;
  if (TCanvas* sink = Sink()) sink->FrameRect(rect);
}

void TRecordingCanvas::DoRectangle(const TRect& rect) {
  Log(TCanvasCall::kRectangle).rect = rect;
  if (TCanvas* sink = Sink()) sink->Rectangle(rect);
}

void TRecordingCanvas::DoFocusRect(const TRect& rect) {
  Log(TCanvasCall::kDrawFocusRect).rect = rect;
  if (TCanvas* sink = Sink()) sink->DrawFocusRect(rect);
}

void TRecordingCanvas::DoText(const TextCall& call) {
  static constexpr TCanvasCall::Op kOps[] = {TCanvasCall::kTextOut, TCanvasCall::kTextRect, TCanvasCall::kDrawText};
  TCanvasCall& logged = Log(kOps[static_cast<int>(call.kind)]);
  logged.rect = call.rect;
  logged.point = {call.x, call.y};
  logged.text = std::string(call.text);
  logged.align = call.align;
  logged.layout = call.layout;
  if (TCanvas* sink = Sink()) {
    switch (call.kind) {
      case TextKind::kTextOut: sink->TextOut(call.x, call.y, call.text); break;
      case TextKind::kTextRect: sink->TextRect(call.rect, call.x, call.y, call.text); break;
      case TextKind::kDrawText: sink->DrawText(call.rect, call.text, call.align, call.layout); break;
    }
  }
}

void TRecordingCanvas::DoImage(const ImageCall& call) {
  static constexpr TCanvasCall::Op kOps[] = {TCanvasCall::kDraw, TCanvasCall::kStretchDraw, TCanvasCall::kBrushCopy,
                                             TCanvasCall::kPaintMask};
  TCanvasCall& logged = Log(kOps[static_cast<int>(call.kind)]);
  logged.rect = call.dest;
  logged.point = {call.dest.Left, call.dest.Top};
  logged.source = call.source;
  logged.imageSize = {call.bitmap->Width(), call.bitmap->Height()};
  if (call.kind == ImageKind::kBrushCopy) {
    logged.color = call.color;
  } else if (call.kind != ImageKind::kPaintMask && call.bitmap->Transparent()) {
    logged.color = call.bitmap->TransparentColor();
  }
  if (TCanvas* sink = Sink()) {
    switch (call.kind) {
      case ImageKind::kDraw: sink->Draw(call.dest.Left, call.dest.Top, *call.bitmap); break;
      case ImageKind::kStretchDraw: sink->StretchDraw(call.dest, *call.bitmap); break;
      case ImageKind::kBrushCopy: sink->BrushCopy(call.dest, *call.bitmap, call.source, call.color); break;
      case ImageKind::kPaintMask: sink->PaintMask(call.dest.Left, call.dest.Top, *call.bitmap); break;
    }
  }
}

void TRecordingCanvas::DoSetPixel(int x, int y, TColor color) {
  TCanvasCall& call = Log(TCanvasCall::kSetPixel);
  call.point = {x, y};
  call.color = color;
  if (TCanvas* sink = Sink()) sink->SetPixel(x, y, color);
}

TColor TRecordingCanvas::GetPixel(int x, int y) const { return target_ != nullptr ? target_->Pixel(x, y) : clNone; }

}  // namespace pellor
