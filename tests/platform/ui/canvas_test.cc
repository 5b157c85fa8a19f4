#include "platform/ui/canvas.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/rtl/codepage.h"

namespace pellor {
namespace {

// The pixels of a bitmap as rows of characters, one per pixel, by a legend;
// colours not in the legend show as '?'.
std::vector<std::string> Picture(const TBitmap& b, const std::vector<std::pair<TColor, char>>& legend) {
  std::vector<std::string> rows;
  for (int y = 0; y < b.Height(); ++y) {
    std::string row;
    for (int x = 0; x < b.Width(); ++x) {
      char c = '?';
      for (auto [color, ch] : legend) {
        if (b.Pixel(x, y) == color) c = ch;
      }
      row += c;
    }
    rows.push_back(row);
  }
  return rows;
}

const std::vector<std::pair<TColor, char>> kLegend = {
    {clWhite, '.'}, {clBlack, '#'}, {clRed, 'r'}, {clBlue, 'b'}, {clLime, 'g'}, {clYellow, 'y'}};

TEST(CanvasTest, TextMetricsAreFixedCellsPerByteKind) {
  struct Case {
    int height;
    uint8_t charset;
    std::string text;
    TSize size;
  };
  const std::string chinese = Cp936("查询");
  const Case cases[] = {
      {-12, DEFAULT_CHARSET, "AB", {12, 12}},
      {-12, GB2312_CHARSET, chinese, {24, 12}},
      {-12, GB2312_CHARSET, "a" + chinese + "b", {36, 12}},
      {-12, ANSI_CHARSET, chinese, {24, 12}},  // four single-byte cells
      {-13, DEFAULT_CHARSET, "0", {7, 13}},
      {-13, DEFAULT_CHARSET, Cp936("分"), {14, 13}},
      {0, DEFAULT_CHARSET, "", {0, 12}},
      {16, DEFAULT_CHARSET, "ab", {16, 16}},
      // A lone lead byte at the end counts as one cell.
      {-12, GB2312_CHARSET, std::string("x\xB2"), {12, 12}},
  };
  for (const Case& c : cases) {
    TFont font;
    font.SetHeight(c.height);
    font.SetCharset(c.charset);
    EXPECT_EQ(TCanvas::TextExtentOf(font, c.text), c.size) << c.text << " height " << c.height;
  }
  TBitmap bitmap(1, 1);
  bitmap.Canvas().Font().SetSize(9);
  EXPECT_EQ(bitmap.Canvas().TextWidth("Test"), 24);
  EXPECT_EQ(bitmap.Canvas().TextHeight("A"), 12);
}

TEST(CanvasTest, RectanglesFramesAndLines) {
  TBitmap b(6, 5);
  TCanvas& c = b.Canvas();
  c.Brush().SetColor(clRed);
  c.FillRect(Rect(1, 1, 3, 3));
  c.Brush().SetColor(clBlue);
  c.FrameRect(Rect(3, 0, 6, 3));
  c.Pen().SetColor(clBlack);
  c.MoveTo(0, 4);
  c.LineTo(4, 4);  // end point left out
  EXPECT_EQ(c.PenPos(), (TPoint{4, 4}));
  EXPECT_EQ(Picture(b, kLegend), (std::vector<std::string>{
                                     "...bbb",
                                     ".rrb.b",
                                     ".rrbbb",
                                     "......",
                                     "####..",
                                 }));

  TBitmap r(5, 4);
  r.Canvas().Pen().SetColor(clBlack);
  r.Canvas().Brush().SetColor(clYellow);
  r.Canvas().Rectangle(0, 0, 5, 4);
  EXPECT_EQ(Picture(r, kLegend), (std::vector<std::string>{"#####", "#yyy#", "#yyy#", "#####"}));

  // A clear brush leaves the inside; a clear pen draws no outline.
  TBitmap o(4, 3);
  o.Canvas().Brush().SetStyle(bsClear);
  o.Canvas().Rectangle(0, 0, 4, 3);
  o.Canvas().FillRect(Rect(0, 0, 4, 3));
  o.Canvas().Pen().SetStyle(psClear);
  o.Canvas().Brush().SetStyle(bsSolid);
  o.Canvas().Brush().SetColor(clRed);
  o.Canvas().Rectangle(0, 0, 4, 3);
  EXPECT_EQ(Picture(o, kLegend), (std::vector<std::string>{"####", "#rr#", "####"}));
}

TEST(CanvasTest, PenWidthAndPatterns) {
  TBitmap b(7, 4);
  TCanvas& c = b.Canvas();
  c.Pen().SetWidth(2);
  c.MoveTo(1, 0);
  c.LineTo(1, 2);  // squares of 2 x 2: x 1..2, y 0..2
  c.Pen().SetWidth(0);
  EXPECT_EQ(c.Pen().Width(), 1);
  c.Pen().SetStyle(psDot);
  c.MoveTo(0, 3);
  c.LineTo(7, 3);
  EXPECT_EQ(Picture(b, kLegend), (std::vector<std::string>{
                                     ".##....",
                                     ".##....",
                                     ".##....",
                                     "#.#.#.#",
                                 }));
  // A polyline leaves out only its last point.
  TBitmap p(3, 3);
  const TPoint points[] = {{0, 0}, {2, 0}, {2, 2}};
  p.Canvas().Polyline(points);
  EXPECT_EQ(Picture(p, kLegend), (std::vector<std::string>{"###", "..#", "..."}));
}

TEST(CanvasTest, TextIsDrawnAsCellBlocksOnTheBrush) {
  TBitmap b(12, 4);
  TCanvas& c = b.Canvas();
  c.Font().SetHeight(-2);  // one-pixel-wide cells, two pixels high
  c.Font().SetColor(clBlack);
  c.Brush().SetColor(clYellow);
  c.TextOut(1, 0, "a b");
  EXPECT_EQ(c.PenPos(), (TPoint{4, 0}));
  c.Brush().SetStyle(bsClear);
  c.TextOut(6, 2, "xy");
  EXPECT_EQ(Picture(b, kLegend), (std::vector<std::string>{
                                     ".#y#........",
                                     ".#y#........",
                                     "......##....",
                                     "......##....",
                                 }));

  // TextRect fills the whole rectangle and cuts the text off at it.
  TBitmap t(8, 3);
  t.Canvas().Font().SetHeight(-4);  // cells of 2, blocks of 1
  t.Canvas().Font().SetColor(clRed);
  t.Canvas().Brush().SetColor(clBlue);
  t.Canvas().TextRect(Rect(0, 0, 5, 3), 1, 1, "abcd");
  EXPECT_EQ(Picture(t, kLegend), (std::vector<std::string>{"bbbbb...", "brbrb...", "brbrb..."}));
}

TEST(CanvasTest, DrawTextPlacesOneLineByAlignment) {
  struct Case {
    TDrawTextAlign align;
    TDrawTextLayout layout;
    TPoint at;
  };
  const Case cases[] = {
      {dtLeft, dtTop, {10, 20}},
      {dtRight, dtTop, {88, 20}},
      {dtCenter, dtVCenter, {49, 29}},
      {dtCenter, dtBottom, {49, 38}},
  };
  for (const Case& c : cases) {
    TRecordingCanvas canvas;
    canvas.Font().SetSize(9);
    canvas.DrawText(Rect(10, 20, 100, 50), "ab", c.align, c.layout);
    ASSERT_EQ(canvas.Calls().size(), 1u);
    EXPECT_EQ(canvas.Calls()[0].point, c.at) << canvas.Calls()[0].Describe();
  }
}

TEST(CanvasTest, TransparentDrawStretchAndBrushCopy) {
  // A 3 x 2 glyph on a green background: the bottom-left pixel decides.
  TBitmap glyph(3, 2, clLime);
  glyph.SetPixel(1, 0, clRed);
  glyph.SetPixel(2, 1, clBlack);
  EXPECT_EQ(glyph.TransparentColor(), clLime);

  TBitmap b(4, 2);
  b.Canvas().Draw(0, 0, glyph);  // opaque
  glyph.SetTransparent(true);
  b.Canvas().Draw(1, 0, glyph);
  EXPECT_EQ(Picture(b, kLegend), (std::vector<std::string>{"grr.", "gg##"}));

  glyph.SetTransparentColor(clRed);
  EXPECT_EQ(glyph.TransparentMode(), tmFixed);
  TBitmap s(6, 2);
  s.Canvas().StretchDraw(Rect(0, 0, 6, 2), glyph);
  EXPECT_EQ(Picture(s, kLegend), (std::vector<std::string>{"gg..gg", "gggg##"}));

  TBitmap c(3, 2);
  c.Canvas().Brush().SetColor(clYellow);
  c.Canvas().BrushCopy(Rect(0, 0, 3, 2), glyph, Rect(0, 0, 3, 2), clLime);
  EXPECT_EQ(Picture(c, kLegend), (std::vector<std::string>{"yry", "yy#"}));
  c.Canvas().Brush().SetStyle(bsClear);
  c.Canvas().BrushCopy(Rect(0, 0, 3, 2), glyph, Rect(0, 0, 3, 2), clBlack);
  EXPECT_EQ(Picture(c, kLegend), (std::vector<std::string>{"grg", "gg#"}));
}

TEST(CanvasTest, MonochromeMaskEmbossesWithTheBrush) {
  // Black marks on a grey background become a mask: black stays black, every
  // other colour turns white.
  TBitmap work(3, 3, clSilver);
  work.SetPixel(0, 0, clBlack);
  work.SetPixel(1, 1, clBlack);
  work.SetMonochrome(true);
  EXPECT_EQ(Picture(work, kLegend), (std::vector<std::string>{"#..", ".#.", "..."}));
  work.Canvas().Brush().SetColor(clRed);
  work.Canvas().FillRect(Rect(2, 2, 3, 3));  // red drawn into a mask is white
  EXPECT_EQ(work.Pixel(2, 2), clWhite);

  TBitmap face(4, 4, clBtnFace);
  TCanvas& c = face.Canvas();
  c.Brush().SetColor(clWhite);
  c.PaintMask(1, 1, work);
  c.Brush().SetColor(clBlack);
  c.PaintMask(0, 0, work);
  const TColor f = ColorToRGB(clBtnFace);
  EXPECT_EQ(Picture(face, {{f, '-'}, {clWhite, '.'}, {clBlack, '#'}}),
            (std::vector<std::string>{"#---", "-#--", "--.-", "----"}));

  // MaskOf: white where the colour is, black elsewhere.
  TBitmap glyph(2, 1, clLime);
  glyph.SetPixel(1, 0, clRed);
  auto mask = glyph.MaskOf(clLime);
  EXPECT_TRUE(mask->Monochrome());
  EXPECT_EQ(Picture(*mask, kLegend), std::vector<std::string>{".#"});
}

TEST(CanvasTest, FocusRectInvertsAndUndoesItself) {
  TBitmap b(4, 3, clWhite);
  b.Canvas().DrawFocusRect(Rect(0, 0, 4, 3));
  EXPECT_EQ(Picture(b, kLegend), (std::vector<std::string>{"#.#.", "...#", "#.#."}));
  b.Canvas().DrawFocusRect(Rect(0, 0, 4, 3));
  EXPECT_TRUE(b.SamePixels(TBitmap(4, 3, clWhite)));
}

TEST(CanvasTest, RecordingCanvasLogsCallsWithToolsAndPaintsIntoItsTarget) {
  TBitmap target(4, 2);
  TRecordingCanvas canvas(&target);
  canvas.Brush().SetColor(clRed);
  canvas.FillRect(Rect(0, 0, 2, 2));
  canvas.Font().SetColor(clBlue);
  canvas.Font().SetStyle({fsBold});
  canvas.Brush().SetStyle(bsClear);
  canvas.TextOut(2, 0, "x");
  canvas.SetPixel(3, 1, clLime);
  EXPECT_EQ(canvas.Descriptions(),
            (std::vector<std::string>{"FillRect(0,0,2,2)", "TextOut(2,0,\"x\")", "SetPixel(3,1,clLime)"}));
  const TCanvasCall& text = canvas.Calls()[1];
  EXPECT_EQ(text.fontColor, clBlue);
  EXPECT_TRUE(text.fontStyle.Contains(fsBold));
  EXPECT_EQ(text.brushStyle, bsClear);
  EXPECT_EQ(canvas.Calls()[0].brushColor, clRed);
  EXPECT_EQ(canvas.Pixel(0, 1), clRed);
  EXPECT_EQ(canvas.Pixel(2, 0), clBlue);
  EXPECT_EQ(canvas.Pixel(3, 1), clLime);
  EXPECT_EQ(canvas.Pixel(9, 9), clNone);

  TRecordingCanvas alone;
  alone.MoveTo(1, 1);
  alone.LineTo(3, 1);
  EXPECT_EQ(alone.Descriptions(), (std::vector<std::string>{"MoveTo(1,1)", "LineTo(1,1->3,1)"}));
  EXPECT_EQ(alone.Pixel(1, 1), clNone);
}

TEST(CanvasTest, BitmapSizeAndChangeNotification) {
  int changes = 0;
  TBitmap b([&] { ++changes; });
  b.SetSize(2, 2);
  b.SetPixel(1, 1, clRed);
  b.SetSize(3, 1);  // keeps what stays inside, new pixels white
  EXPECT_EQ(Picture(b, kLegend), std::vector<std::string>{"..."});
  b.Canvas().FillRect(Rect(0, 0, 1, 1));
  EXPECT_EQ(changes, 4);
  EXPECT_THROW(b.SetSize(TBitmap::kMaxSide + 1, 1), EInvalidGraphic);
  EXPECT_EQ(b.Width(), 3);
  b.SetPixel(-1, 0, clRed);  // ignored
  EXPECT_EQ(b.Pixel(5, 0), clNone);

  TBitmap copy;
  copy.Assign(b);
  EXPECT_TRUE(copy.SamePixels(b));
  TFont font;
  EXPECT_THROW(copy.Assign(font), EConvertError);
}

// A paletted BMP: `indices` row by row from the top, stored bottom-up.
std::string PalettedBmp(int bits, int width, const std::vector<std::vector<int>>& indices,
                        const std::vector<TColor>& palette) {
  const int height = static_cast<int>(indices.size());
  const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  std::string b(14 + 40, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(10, static_cast<uint32_t>(54 + palette.size() * 4));
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  b[26] = 1;
  b[28] = static_cast<char>(bits);
  put32(46, static_cast<uint32_t>(palette.size()));
  for (TColor c : palette) {
    b.push_back(static_cast<char>((c >> 16) & 0xFF));
    b.push_back(static_cast<char>((c >> 8) & 0xFF));
    b.push_back(static_cast<char>(c & 0xFF));
    b.push_back('\0');
  }
  for (int row = height - 1; row >= 0; --row) {
    std::string line(stride, '\0');
    for (int x = 0; x < width; ++x) {
      const size_t bit = static_cast<size_t>(x) * bits;
      line[bit / 8] = static_cast<char>(line[bit / 8] | (indices[row][x] << (8 - bits - bit % 8)));
    }
    b += line;
  }
  return b;
}

TEST(CanvasTest, ReadsPalettedBmpFiles) {
  const std::vector<std::vector<int>> picture = {{0, 1, 1}, {1, 0, 0}};
  for (int bits : {1, 4, 8}) {
    TBitmap b;
    b.LoadFromBytes(PalettedBmp(bits, 3, picture, {clWhite, clRed}));
    EXPECT_EQ(Picture(b, kLegend), (std::vector<std::string>{".rr", "r.."})) << bits << " bits";
  }
  TBitmap b;
  // A palette that does not reach the index used is refused, and the bitmap
  // stays as it was.
  b.SetSize(1, 1);
  EXPECT_THROW(b.LoadFromBytes(PalettedBmp(4, 3, {{0, 2, 0}}, {clWhite, clRed})), EInvalidGraphic);
  EXPECT_EQ(b.Width(), 1);
}

TEST(CanvasTest, WritesAndReadsBack24BitFiles) {
  TBitmap b(3, 2, clLime);
  b.SetPixel(0, 0, RGB(1, 2, 3));
  b.SetPixel(2, 1, clBlue);
  const std::string path = ::testing::TempDir() + "canvas_test.bmp";
  b.SaveToFile(path);
  TBitmap back;
  back.LoadFromFile(path);
  EXPECT_TRUE(back.SamePixels(b));
  std::remove(path.c_str());

  // Top-down images (negative height) read the right way up.
  std::string bytes = b.SaveToBytes();
  EXPECT_EQ(bytes.size(), 54u + 2 * 12);
  std::string topDown = bytes;
  const uint32_t minusTwo = static_cast<uint32_t>(-2);
  for (int i = 0; i < 4; ++i) topDown[22 + i] = static_cast<char>((minusTwo >> (8 * i)) & 0xFF);
  TBitmap flipped;
  flipped.LoadFromBytes(topDown);
  EXPECT_EQ(flipped.Pixel(0, 1), RGB(1, 2, 3));
  EXPECT_EQ(flipped.Pixel(2, 0), clBlue);
}

TEST(CanvasTest, RefusesDamagedOrUnsupportedFiles) {
  TBitmap good(2, 2);
  const std::string valid = good.SaveToBytes();
  auto with = [&](size_t at, std::string bytes) {
    std::string b = valid;
    b.replace(at, bytes.size(), bytes);
    return b;
  };
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"not a BMP", "PK\x03\x04"},
      {"truncated pixels", valid.substr(0, valid.size() - 1)},
      {"compressed", with(30, std::string("\x01\0\0\0", 4))},
      {"16 bits", with(28, std::string("\x10\0", 2))},
      {"huge", with(18, std::string("\xFF\xFF\x00\x00", 4))},
      {"zero height", with(22, std::string("\0\0\0\0", 4))},
      {"core header", with(14, std::string("\x0C\0\0\0", 4))},
      {"offset beyond the end", with(10, std::string("\xFF\xFF\xFF\x7F", 4))},
  };
  for (const Case& c : cases) {
    TBitmap b;
    EXPECT_THROW(b.LoadFromBytes(c.bytes), EInvalidGraphic) << c.what;
  }
  TBitmap b;
  EXPECT_THROW(b.LoadFromFile("/nonexistent/x.bmp"), EInvalidGraphic);
}

TEST(CanvasTest, ToolsArePublishedByName) {
  TBrush brush;
  SetPropValue(brush, "Color", "clRed");
  SetPropValue(brush, "Style", "bsClear");
  EXPECT_EQ(brush.Color(), clRed);
  EXPECT_EQ(brush.Style(), bsClear);
  TPen pen;
  SetPropValue(pen, "Width", 3);
  EXPECT_EQ(GetPropText(pen, "Style"), "psSolid");
  EXPECT_EQ(pen.Width(), 3);
  TBitmap b;
  SetPropValue(b, "Width", 4);
  SetPropValue(b, "TransparentColor", "clFuchsia");
  EXPECT_EQ(b.Width(), 4);
  EXPECT_EQ(b.TransparentMode(), tmFixed);
}

}  // namespace
}  // namespace pellor
