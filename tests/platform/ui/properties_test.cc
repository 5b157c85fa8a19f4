#include "platform/ui/properties.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/ui/component.h"
#include "platform/ui/graphics.h"

namespace pellor {
namespace {

enum TPos : uint8_t { psTop, psLeft, psRight, psBottom };
constexpr std::string_view kPosNames[] = {"psTop", "psLeft", "psRight", "psBottom"};
constexpr TEnumInfo kPosInfo{"TPos", kPosNames};
using TPosSet = TSet<TPos>;

// A component with a published property of every kind.
class TWidget : public TComponent {
  PELLOR_CLASS(TWidget);

 public:
  explicit TWidget(TComponent* owner) : TComponent(owner) {}

  int Count() const { return count_; }
  void SetCount(int v) { count_ = v; }
  uint8_t Gap() const { return gap_; }
  void SetGap(uint8_t v) { gap_ = v; }
  double Ratio() const { return ratio_; }
  void SetRatio(double v) { ratio_ = v; }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& v) { title_ = v; }
  char Sep() const { return sep_; }
  void SetSep(char v) { sep_ = v; }
  TPos Pos() const { return pos_; }
  void SetPos(TPos v) { pos_ = v; }
  bool Active() const { return active_; }
  void SetActive(bool v) { active_ = v; }
  TPosSet Sides() const { return sides_; }
  void SetSides(TPosSet v) { sides_ = v; }
  TColor Shade() const { return shade_; }
  void SetShade(TColor v) { shade_ = v; }
  const TStringList& Lines() const { return lines_; }
  void SetLines(const TStringList& v) {
    lines_ = v;
    ++linesSet;
  }
  TFont* Font() const { return font_.get(); }
  TWidget* Buddy() const { return buddy_.Get(); }
  void SetBuddy(TWidget* v) { buddy_.Set(v); }
  int Measured() const { return 42; }

  TNotifyEvent OnChange;
  std::function<void(TObject*, int&)> OnCount;
  int linesSet = 0;

 private:
  static void DefineProperties(PropertyBuilder<TWidget>& p) {
    p.Integer("Count", &TWidget::Count, &TWidget::SetCount)
        .Integer("Gap", &TWidget::Gap, &TWidget::SetGap)
        .Float("Ratio", &TWidget::Ratio, &TWidget::SetRatio)
        .Text("Title", &TWidget::Title, &TWidget::SetTitle)
        .Char("Sep", &TWidget::Sep, &TWidget::SetSep)
        .Enum("Pos", kPosInfo, &TWidget::Pos, &TWidget::SetPos)
        .Bool("Active", &TWidget::Active, &TWidget::SetActive)
        .Set("Sides", kPosInfo, &TWidget::Sides, &TWidget::SetSides)
        .Color("Shade", &TWidget::Shade, &TWidget::SetShade)
        .Strings("Lines", &TWidget::Lines, &TWidget::SetLines)
        .Font("Font", &TWidget::Font)
        .Reference("Buddy", &TWidget::Buddy, &TWidget::SetBuddy)
        .Integer("Measured", &TWidget::Measured)
        .Event("OnChange", &TWidget::OnChange)
        .Event("OnCount", &TWidget::OnCount);
  }

  int count_ = 0;
  uint8_t gap_ = 0;
  double ratio_ = 0;
  std::string title_;
  char sep_ = ',';
  TPos pos_ = psLeft;
  bool active_ = false;
  TPosSet sides_;
  TColor shade_ = clWindow;
  TStringList lines_;
  std::unique_ptr<TFont> font_ = std::make_unique<TFont>();
  TComponentRef<TWidget> buddy_{this};
};
PELLOR_DEFINE_CLASS(TWidget, TComponent);

// Redeclares Title as read-only and adds nothing else.
class TFixedWidget : public TWidget {
  PELLOR_CLASS(TFixedWidget);

 public:
  using TWidget::TWidget;

 private:
  static void DefineProperties(PropertyBuilder<TFixedWidget>& p) { p.Text("Title", &TFixedWidget::Title); }
};
PELLOR_DEFINE_CLASS(TFixedWidget, TWidget);

// A class without a table of its own inherits its parent's.
class TPlainWidget : public TWidget {
  PELLOR_CLASS(TPlainWidget);

 public:
  using TWidget::TWidget;
};
PELLOR_DEFINE_CLASS(TPlainWidget, TWidget);

// Forms offering handler methods.
class TfrmRoot : public TComponent {
  PELLOR_CLASS(TfrmRoot);

 public:
  using TComponent::TComponent;
  std::vector<std::string> calls;
  void miAddClick(TObject* sender) { calls.push_back("miAddClick:" + static_cast<TComponent*>(sender)->Name()); }
  void CountHandler(TObject*, int& value) { value *= 2; }

 private:
  static void DefineProperties(PropertyBuilder<TfrmRoot>& p) {
    p.Handler("miAddClick", &TfrmRoot::miAddClick).Handler("CountHandler", &TfrmRoot::CountHandler);
  }
};
PELLOR_DEFINE_CLASS(TfrmRoot, TComponent);

class TfrmChild : public TfrmRoot {
  PELLOR_CLASS(TfrmChild);

 public:
  using TfrmRoot::TfrmRoot;
  void miDeleteClick(TObject*) { calls.push_back("miDeleteClick"); }

 private:
  static void DefineProperties(PropertyBuilder<TfrmChild>& p) { p.Handler("miDeleteClick", &TfrmChild::miDeleteClick); }
};
PELLOR_DEFINE_CLASS(TfrmChild, TfrmRoot);

class PropertiesTest : public ::testing::Test {
 protected:
  PropertiesTest() {
    form->SetName("frmMain");
    w = TComponent::Create<TWidget>(form.get());
    w->SetName("wA");
  }
  std::unique_ptr<TfrmChild> form = TComponent::CreateUnowned<TfrmChild>();
  TWidget* w;
};

TEST_F(PropertiesTest, EveryKindIsWrittenFromTextAndReadBack) {
  struct Case {
    const char* path;
    const char* text;
    Variant value;      // GetPropValue afterwards
    const char* shown;  // GetPropText afterwards
  };
  const Case cases[] = {
      {"Count", " -17 ", Variant(-17), "-17"},
      {"Count", "$1F", Variant(31), "31"},
      {"Gap", "255", Variant(255), "255"},
      {"Ratio", "2.5", Variant(2.5), "2.5"},
      {"Title", "Hello world", Variant("Hello world"), "Hello world"},
      {"Sep", ";", Variant(";"), ";"},
      {"Sep", "#9", Variant("\t"), "#9"},
      {"Pos", " psbottom ", Variant("psBottom"), "psBottom"},
      {"Pos", "1", Variant("psLeft"), "psLeft"},
      {"Active", "true", Variant(true), "True"},
      {"Active", "0", Variant(false), "False"},
      {"Sides", "[psTop, psRight]", Variant("[psTop,psRight]"), "[psTop,psRight]"},
      {"Sides", "psBottom,psLeft", Variant("[psLeft,psBottom]"), "[psLeft,psBottom]"},
      {"Sides", "[]", Variant("[]"), "[]"},
      {"Shade", "clRed", Variant(255), "clRed"},
      {"Shade", "$00ECFFFB", Variant(0xECFFFB), "$00ECFFFB"},
      {"Shade", "$8000000F", Variant(static_cast<int>(clBtnFace)), "clBtnFace"},
      {"Shade", "-2147483643", Variant(static_cast<int>(clWindow)), "clWindow"},
      {"Shade", "15532027", Variant(15532027), "$00ECFFFB"},
      {"Lines", "one\r\ntwo\nthree", Variant("one\r\ntwo\r\nthree\r\n"), "one\r\ntwo\r\nthree\r\n"},
      {"Font.Color", "clBtnFace", Variant(static_cast<int>(clBtnFace)), "clBtnFace"},
      {"font.name", "Tahoma", Variant("Tahoma"), "Tahoma"},
      {"Font.Charset", "GB2312_CHARSET", Variant(134), "GB2312_CHARSET"},
      {"Font.Charset", "136", Variant(136), "CHINESEBIG5_CHARSET"},
      {"Font.Style", "[fsBold, fsItalic]", Variant("[fsBold,fsItalic]"), "[fsBold,fsItalic]"},
      {" Font . Size ", "11", Variant(11), "11"},
      {"Name", "wRenamed", Variant("wRenamed"), "wRenamed"},
      {"Tag", "7", Variant(7), "7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " = " + c.text);
    SetPropValue(*w, c.path, Variant(c.text));
    EXPECT_EQ(GetPropValue(*w, c.path), c.value);
    EXPECT_EQ(GetPropText(*w, c.path), c.shown);
  }
  EXPECT_EQ(w->Font()->Height(), -15);
  EXPECT_EQ(w->Font()->Style(), (TFontStyles{fsBold, fsItalic}));
  EXPECT_TRUE(w->Sides().Empty());
}

TEST_F(PropertiesTest, NonTextValuesAreTakenAsTheirType) {
  SetPropValue(*w, "Count", Variant(12));
  SetPropValue(*w, "Shade", Variant(int64_t{0x8000000F}));
  SetPropValue(*w, "Pos", Variant(3));
  SetPropValue(*w, "Active", Variant(true));
  SetPropValue(*w, "Sides", Variant(0b0101));
  SetPropValue(*w, "Title", Variant(3.5));
  SetPropValue(*w, "Lines", Variant::ArrayOf({"a", "b"}));
  SetPropValue(*w, "Sep", Variant(65));
  EXPECT_EQ(w->Count(), 12);
  EXPECT_EQ(w->Shade(), clBtnFace);
  EXPECT_EQ(w->Pos(), psBottom);
  EXPECT_TRUE(w->Active());
  EXPECT_EQ(w->Sides(), (TPosSet{psTop, psRight}));
  EXPECT_EQ(w->Title(), "3.5");
  EXPECT_EQ(w->Lines().Lines(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(w->Sep(), 'A');
  SetPropValue(*w, "Title", Variant());
  EXPECT_EQ(w->Title(), "");
  SetPropValue(*w, "Pos", Variant(true));  // ordinal 1, as a document's yes/no rule writes it
  EXPECT_EQ(w->Pos(), psLeft);
}

TEST_F(PropertiesTest, WrongNamesAndValuesAreRefused) {
  struct Case {
    const char* path;
    Variant value;
  };
  const Case cases[] = {
      {"Colour", Variant("clRed")},           // no such property
      {"Font.Colour", Variant("clRed")},      // none in the sub-object
      {"Title.Length", Variant(1)},           // text is no object
      {"Font.", Variant(1)},                  // empty segment
      {"", Variant(1)},
      {"Count", Variant("12abc")},
      {"Count", Variant("")},
      {"Count", Variant("3000000000")},       // beyond int
      {"Count", Variant::Null()},
      {"Gap", Variant(256)},
      {"Gap", Variant(-1)},
      {"Ratio", Variant("fast")},
      {"Sep", Variant("ab")},
      {"Sep", Variant(300)},
      {"Pos", Variant("psMiddle")},
      {"Pos", Variant(4)},
      {"Pos", Variant(-1)},
      {"Active", Variant("yes")},
      {"Sides", Variant("[psTop,psUp]")},
      {"Sides", Variant("[psTop")},
      {"Sides", Variant(16)},                 // bit beyond the enumeration
      {"Shade", Variant("clReddish")},
      {"Shade", Variant(int64_t{1} << 33)},
      {"Font", Variant("Tahoma")},            // an object takes no value
      {"Measured", Variant(1)},               // read-only
      {"Buddy", Variant("nobody")},
      {"Buddy", Variant("frmMain")},          // the form is no TWidget
      {"Buddy", Variant(5)},
      {"Lines", Variant::Array2(1, 1)},
      {"Title", Variant::ArrayOf({"a"})},
  };
  for (const Case& c : cases) {
    EXPECT_THROW(SetPropValue(*w, c.path, c.value), EPropertyError) << c.path << " = " << VarToStr(c.value);
  }
  EXPECT_EQ(w->Count(), 0);
  EXPECT_EQ(w->Pos(), psLeft);
  EXPECT_THROW(GetPropValue(*w, "Font"), EPropertyError);
  EXPECT_THROW(GetPropValue(*w, "Nothing"), EPropertyError);
  EXPECT_THROW(GetObjectProp(*w, "Count"), EPropertyError);
  EXPECT_THROW(GetStringsProp(*w, "Title"), EPropertyError);
  EXPECT_THROW(SetPropValue(*w, "Buddy.Count", Variant(1)), EPropertyError);  // unset reference
}

TEST_F(PropertiesTest, ErrorMessagesSayWhatWentWrong) {
  try {
    SetPropValue(*w, "Pos", Variant("psMiddle"));
    FAIL();
  } catch (const EPropertyError& e) {
    EXPECT_STREQ(e.what(), "Invalid value 'psMiddle' for property 'Pos' (TPos) of wA (TWidget)");
  }
  try {
    SetPropValue(*w, "Font.Colour", Variant(1));
    FAIL();
  } catch (const EPropertyError& e) {
    EXPECT_STREQ(e.what(), "Property 'Colour' does not exist in TFont");
  }
  try {
    SetPropValue(*w, "Measured", Variant(1));
    FAIL();
  } catch (const EPropertyError& e) {
    EXPECT_STREQ(e.what(), "Property 'Measured' of wA (TWidget) is read-only");
  }
}

TEST_F(PropertiesTest, TablesAreInheritedAndMayRedeclare) {
  auto* fixed = TComponent::Create<TFixedWidget>(form.get());
  auto* plain = TComponent::Create<TPlainWidget>(form.get());
  SetPropValue(*plain, "Count", Variant(3));
  SetPropValue(*fixed, "Count", Variant(4));
  EXPECT_EQ(plain->Count(), 3);
  EXPECT_EQ(fixed->Count(), 4);
  EXPECT_THROW(SetPropValue(*fixed, "Title", Variant("x")), EPropertyError);
  SetPropValue(*plain, "Title", Variant("x"));
  EXPECT_TRUE(IsPublishedProp(*fixed, "Font.Name"));
  EXPECT_FALSE(IsPublishedProp(*fixed, "Font.Nothing"));
  EXPECT_EQ(FindPropInfo(*fixed, "title")->kind, PropKind::kText);

  std::vector<std::string> names;
  for (const TPropInfo* info : TFixedWidget::StaticClass().Properties()) names.push_back(info->name);
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names[0], "Name");  // TComponent's first
  EXPECT_EQ(names[1], "Tag");
  EXPECT_EQ(std::count(names.begin(), names.end(), "Title"), 1);
  EXPECT_TRUE(TFixedWidget::StaticClass().FindProperty("Title")->ReadOnly());
}

TEST_F(PropertiesTest, ReferencesAreResolvedByNameThroughTheOwners) {
  auto* b = TComponent::Create<TWidget>(form.get());
  b->SetName("wB");
  SetPropValue(*w, "Buddy", Variant("WB"));
  EXPECT_EQ(w->Buddy(), b);
  EXPECT_EQ(GetPropValue(*w, "Buddy"), Variant("wB"));
  SetPropValue(*w, "Buddy.Title", Variant("through the buddy"));
  EXPECT_EQ(b->Title(), "through the buddy");
  EXPECT_EQ(GetObjectProp(*w, "Buddy"), b);

  // A component owned by another named component is written "Owner.Name".
  auto* module = TComponent::Create<TComponent>(form.get());
  module->SetName("dmMain");
  auto* far = TComponent::Create<TWidget>(module);
  far->SetName("wFar");
  SetPropValue(*w, "Buddy", Variant("dmMain.wFar"));
  EXPECT_EQ(w->Buddy(), far);
  EXPECT_EQ(GetPropText(*w, "Buddy"), "dmMain.wFar");
  // From inside the module the near name is enough, and the form's
  // components are still found further out.
  SetPropValue(*far, "Buddy", Variant("wA"));
  EXPECT_EQ(far->Buddy(), w);

  SetReferenceProp(*w, "Buddy", b);
  EXPECT_EQ(w->Buddy(), b);
  EXPECT_THROW(SetReferenceProp(*w, "Buddy", module), EPropertyError);
  SetPropValue(*w, "Buddy", Variant(""));
  EXPECT_EQ(w->Buddy(), nullptr);
  SetPropValue(*w, "Buddy", Variant("wB"));
  delete b;
  EXPECT_EQ(w->Buddy(), nullptr);
  EXPECT_EQ(GetPropValue(*w, "Buddy"), Variant(""));
}

TEST_F(PropertiesTest, StringListsPassThroughTheSetter) {
  TStringList lines = GetStringsProp(*w, "Lines");
  while (lines.Count() < 3) lines.Add("");
  lines.Set(2, "third");
  SetStringsProp(*w, "Lines", lines);
  EXPECT_EQ(w->Lines().Lines(), (std::vector<std::string>{"", "", "third"}));
  EXPECT_EQ(w->linesSet, 1);
}

TEST_F(PropertiesTest, EventsAreBoundToHandlersByName) {
  BindEvent(*w, "onchange", *form, "MIADDCLICK");
  ASSERT_TRUE(EventAssigned(*w, "OnChange"));
  w->OnChange(w);
  BindEvent(*w, "OnChange", *form, "miDeleteClick");  // the form's own class
  w->OnChange(w);
  EXPECT_EQ(form->calls, (std::vector<std::string>{"miAddClick:wA", "miDeleteClick"}));

  BindEvent(*w, "OnCount", *form, "CountHandler");
  int value = 21;
  w->OnCount(w, value);
  EXPECT_EQ(value, 42);

  BindEvent(*w, "OnChange", *form, "");
  EXPECT_FALSE(EventAssigned(*w, "OnChange"));
}

TEST_F(PropertiesTest, EventBindingErrorsAreClear) {
  auto stranger = TComponent::CreateUnowned<TfrmChild>();
  auto expectError = [](auto&& bind, const std::string& message) {
    try {
      bind();
      FAIL() << "no error; expected " << message;
    } catch (const EPropertyError& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  };
  expectError([&] { BindEvent(*w, "OnChange", *form, "miEditClick"); },
              "Handler 'miEditClick' does not exist in frmMain (TfrmChild)");
  expectError([&] { BindEvent(*w, "OnClick", *form, "miAddClick"); }, "Event 'OnClick' does not exist in wA (TWidget)");
  expectError([&] { BindEvent(*w, "OnChange", *form, "CountHandler"); },
              "Handler 'CountHandler' of frmMain (TfrmChild) does not fit event 'OnChange' of wA (TWidget)");
  expectError([&] { BindEvent(*w, "OnChange", *stranger, "miAddClick"); },
              "Handler 'miAddClick' of TfrmChild cannot serve wA (TWidget): handlers come from the component or "
              "its owners");
  EXPECT_THROW(EventAssigned(*w, "OnNothing"), EPropertyError);
  EXPECT_FALSE(EventAssigned(*w, "OnChange"));
}

TEST(FontTest, SizeAndHeightAreOneValue) {
  TFont font;
  EXPECT_EQ(font.Size(), 9);
  EXPECT_EQ(font.Height(), -12);
  font.SetHeight(-13);
  EXPECT_EQ(font.Size(), 10);
  font.SetSize(11);
  EXPECT_EQ(font.Height(), -15);
  EXPECT_EQ(font.Size(), 11);
  font.SetHeight(16);  // a cell height gives a negative point size, as there
  EXPECT_EQ(font.Size(), -12);
}

TEST(FontTest, AssignCopiesEverythingAndReportsOnce) {
  int changes = 0;
  TFont target([&] { ++changes; });
  TFont source;
  source.SetName("Tahoma");
  source.SetCharset(GB2312_CHARSET);
  source.SetSize(12);
  source.SetStyle({fsUnderline});
  source.SetColor(clRed);
  target.Assign(source);
  EXPECT_TRUE(target.SameAs(source));
  EXPECT_EQ(changes, 1);
  target.Assign(source);
  EXPECT_EQ(changes, 1);
  TComponent other(nullptr);
  EXPECT_THROW(target.Assign(other), EConvertError);
}

TEST(ColorTest, ConstantsKeepTheOriginalNumbers) {
  EXPECT_EQ(static_cast<uint32_t>(clBtnFace), 0x8000000Fu);
  EXPECT_EQ(static_cast<uint32_t>(clWindow), 0x80000005u);
  EXPECT_EQ(static_cast<uint32_t>(clWindowText), 0x80000008u);
  EXPECT_EQ(static_cast<uint32_t>(clInfoBk), 0x80000018u);
  EXPECT_EQ(static_cast<uint32_t>(clHighlight), 0x8000000Du);
  EXPECT_EQ(clRed, 255);
  EXPECT_EQ(clSilver, 12632256);
  EXPECT_EQ(clGreen, 32768);
  EXPECT_EQ(RGB(251, 255, 236), 15532027);
  EXPECT_EQ(clNone, 0x1FFFFFFF);
  EXPECT_EQ(clDefault, 0x20000000);
  EXPECT_EQ(ColorToString(clLtGray), "clSilver");
  EXPECT_EQ(StringToColor("CLLTGRAY"), clSilver);
  EXPECT_EQ(StringToColor("0x0000FF"), clRed);
  EXPECT_THROW(StringToColor("$1FFFFFFFF"), EConvertError);
  EXPECT_EQ(ColorToRGB(clRed), clRed);
  EXPECT_EQ(ColorToRGB(clWindow), clWhite);
  EXPECT_FALSE(IsSystemColor(ColorToRGB(clBtnFace)));
}

}  // namespace
}  // namespace pellor
