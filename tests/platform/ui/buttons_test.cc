#include "platform/ui/buttons.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/forms.h"
#include "platform/ui/imglist.h"

namespace pellor {
namespace {

class ButtonsTest : public ::testing::Test {
 protected:
  TSpeedButton* Speed(const std::string& name, int groupIndex) {
    auto* button = TComponent::Create<TSpeedButton>(form.get());
    button->SetName(name);
    button->SetParent(form.get());
    button->SetGroupIndex(groupIndex);
    return button;
  }
  TFormPtr<TForm> form = TCustomForm::CreateUnowned<TForm>();
};

std::string Downs(const std::vector<TSpeedButton*>& buttons) {
  std::string downs;
  for (TSpeedButton* b : buttons) downs += b->Down() ? '1' : '0';
  return downs;
}

TEST_F(ButtonsTest, SpeedButtonGroupsBehaveLikeRadioButtons) {
  std::vector<TSpeedButton*> buttons = {Speed("a", 1), Speed("b", 1), Speed("c", 2), Speed("d", 0)};
  int clicks = 0;
  for (TSpeedButton* b : buttons) b->OnClick = [&clicks](TObject*) { ++clicks; };
  struct Step {
    const char* what;
    std::function<void()> act;
    const char* downs;
  };
  const Step steps[] = {
      {"click a", [&] { buttons[0]->Click(); }, "1000"},
      {"click b raises a", [&] { buttons[1]->Click(); }, "0100"},
      {"click b again: it stays down", [&] { buttons[1]->Click(); }, "0100"},
      {"another group is separate", [&] { buttons[2]->Click(); }, "0110"},
      {"no group never stays down", [&] { buttons[3]->Click(); }, "0110"},
      {"code cannot raise the down button", [&] { buttons[1]->SetDown(false); }, "0110"},
      {"AllowAllUp is shared by the group", [&] { buttons[0]->SetAllowAllUp(true); buttons[1]->Click(); }, "0010"},
      {"code puts a button down", [&] { SetPropValue(*buttons[0], "Down", Variant(true)); }, "1010"},
      {"leaving the group raises it", [&] { buttons[0]->SetGroupIndex(0); }, "0010"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    EXPECT_EQ(Downs(buttons), step.downs);
  }
  EXPECT_TRUE(buttons[1]->AllowAllUp());
  EXPECT_EQ(clicks, 6);
}

TEST_F(ButtonsTest, GlyphShapeSetsTheImageCount) {
  auto* speed = Speed("sb", 0);
  auto* bit = TComponent::Create<TBitBtn>(form.get());
  struct Case {
    int width, height;
    int expected;
  };
  const Case cases[] = {{16, 16, 1}, {32, 16, 2}, {64, 16, 4}, {80, 16, 4}, {20, 16, 4}, {0, 0, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    TBitmap glyph(c.width, c.height, clRed);
    speed->SetGlyph(glyph);
    bit->SetGlyph(glyph);
    EXPECT_EQ(speed->NumGlyphs(), c.expected);  // shapes that say nothing keep the count
    EXPECT_EQ(bit->NumGlyphs(), c.expected);
    EXPECT_EQ(speed->Glyph()->Width(), c.width);
  }
  EXPECT_THROW(SetPropValue(*speed, "NumGlyphs", Variant(5)), EPropertyError);
  EXPECT_THROW(bit->SetNumGlyphs(0), EPropertyError);
  EXPECT_EQ(speed->NumGlyphs(), 4);

  // Drawing into the glyph is a visible change.
  struct Recorder : TComponentObserver {
    void PropertyChanged(TComponent&, std::string_view property) override { names.emplace_back(property); }
    std::vector<std::string> names;
  } recorder;
  speed->AddObserver(&recorder);
  speed->Glyph()->SetSize(8, 8);
  speed->Glyph()->SetPixel(1, 1, clBlue);
  EXPECT_EQ(recorder.names, (std::vector<std::string>{"Glyph", "Glyph"}));
  speed->RemoveObserver(&recorder);
}

TEST_F(ButtonsTest, ImageListSlicesStripsAndKeepsOneSize) {
  auto* images = TComponent::Create<TImageList>(form.get());
  images->SetName("ImageList1");
  TBitmap strip(40, 16, clWhite);
  strip.SetPixel(16, 0, clRed);  // the second image's corner
  strip.SetPixel(39, 15, clBlue);
  EXPECT_EQ(images->Add(strip), 0);
  ASSERT_EQ(images->Count(), 3);  // 16 + 16 + a padded 8
  EXPECT_EQ(images->Image(1).Pixel(0, 0), clRed);
  EXPECT_EQ(images->Image(2).Pixel(7, 15), clBlue);
  EXPECT_EQ(images->Image(2).Pixel(8, 15), clWhite);

  EXPECT_EQ(images->AddMasked(TBitmap(16, 16, clFuchsia), clFuchsia), 3);
  EXPECT_TRUE(images->Image(3).Transparent());
  EXPECT_EQ(images->Image(3).TransparentColor(), clFuchsia);
  EXPECT_EQ(images->AddImages(*images), 4);
  EXPECT_EQ(images->Count(), 8);

  auto* large = TComponent::Create<TImageList>(form.get());
  SetPropValue(*large, "Width", Variant(24));
  EXPECT_THROW(images->AddImages(*large), EInvalidOperation);
  EXPECT_THROW(images->Delete(8), EComponentError);
  images->Delete(0);
  EXPECT_EQ(images->Image(0).Pixel(0, 0), clRed);
  EXPECT_EQ(images->Add(TBitmap()), -1);

  // Another size empties the list: its images no longer fit.
  SetPropValue(*images, "Height", Variant(32));
  EXPECT_EQ(images->Count(), 0);
  EXPECT_THROW(SetPropValue(*images, "Width", Variant(0)), EPropertyError);
}

}  // namespace
}  // namespace pellor
