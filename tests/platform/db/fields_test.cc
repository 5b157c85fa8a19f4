#include "platform/db/fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/client_dataset.h"
#include "platform/rtl/codepage.h"
#include "platform/rtl/datetime.h"
#include "platform/ui/properties.h"

namespace pellor {
namespace {

// A data module with persistent fields named as templates name them.
class TdmFields : public TComponent {
  PELLOR_CLASS(TdmFields);

 public:
  explicit TdmFields(TComponent* owner) : TComponent(owner) {}
  std::vector<std::string> log;
  void cdsMainMF001Validate(TField* sender) { log.push_back("validate " + sender->AsString()); }
  void NumberGetText(TField* sender, std::string& text, bool displayText) {
    text = (displayText ? "D:" : "E:") + sender->AsString();
  }

 private:
  static void DefineProperties(PropertyBuilder<TdmFields>& p) {
    p.Handler("cdsMainMF001Validate", &TdmFields::cdsMainMF001Validate)
        .Handler("NumberGetText", &TdmFields::NumberGetText);
  }
};
PELLOR_DEFINE_CLASS(TdmFields, TComponent);

class FieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dm = TComponent::CreateUnowned<TdmFields>();
    cds = TComponent::Create<TClientDataSet>(dm.get());
    cds->SetName("cdsMain");
  }

  template <class F>
  F* Add(const std::string& name, int size = 0) {
    F* field = TComponent::Create<F>(dm.get());
    field->SetName("cdsMain" + name);
    field->SetFieldName(name);
    if (size > 0) field->SetSize(size);
    field->SetDataSet(cds);
    return field;
  }

  void OpenAndInsert() {
    cds->CreateDataSet();
    cds->Append();
  }

  std::unique_ptr<TdmFields> dm;
  TClientDataSet* cds = nullptr;
};

TEST_F(FieldsTest, StringAssignmentIsCutToSizeWithoutSplittingACharacter) {
  auto* f = Add<TStringField>("MF002", 10);
  OpenAndInsert();
  const std::string zhong = Cp936("中"), wen = Cp936("文");
  struct Case {
    std::string in, out;
  } cases[] = {
      {"abcdefghijkl", "abcdefghij"},                     // plain bytes: cut at 10
      {"123456789" + zhong + wen, "123456789"},           // the 10th byte starts a character: 9 bytes
      {"12345678" + zhong + wen, "12345678" + zhong},     // a character ending at byte 10 stays
      {zhong + wen + zhong + wen + zhong + wen, zhong + wen + zhong + wen + zhong},
      {"short", "short"},
  };
  for (const Case& c : cases) {
    f->SetAsString(c.in);
    EXPECT_EQ(f->AsString(), c.out) << c.in;
  }
  // A Big5 dataset cuts by its own lead bytes the same way.
  cds->SetCodePage(kCodePageBig5);
  f->SetAsString("123456789\xA4\xA4\xA4\xE5");
  EXPECT_EQ(f->AsString(), "123456789");
}

TEST_F(FieldsTest, WideStringSizeCountsCharacters) {
  auto* f = Add<TWideStringField>("W", 3);
  OpenAndInsert();
  f->SetAsWideString(u"abcdef");
  EXPECT_EQ(f->AsWideString(), u"abc");
  f->SetAsString(Cp936("中文字体"));  // narrow text is widened through the dataset's code page
  EXPECT_EQ(f->AsWideString(), u"中文字");
}

TEST_F(FieldsTest, TextIsParsedByTypeAndBadTextIsRefusedWithTheFieldName) {
  auto* i = Add<TIntegerField>("I");
  auto* s = Add<TSmallintField>("S");
  auto* d = Add<TFloatField>("D");
  auto* b = Add<TBooleanField>("B");
  auto* dt = Add<TDateField>("DT");
  auto* tm = Add<TTimeField>("TM");
  auto* str = Add<TStringField>("STR");
  i->SetDisplayLabel("Count");
  OpenAndInsert();

  i->SetAsString(" 42 ");
  EXPECT_EQ(i->AsInteger(), 42);
  d->SetAsString("3.25");
  EXPECT_DOUBLE_EQ(d->AsFloat(), 3.25);
  dt->SetAsString("20240305");
  EXPECT_EQ(DateToStr8(dt->AsDateTime()), "20240305");
  dt->SetAsString("2024/3/6");
  EXPECT_EQ(DateToStr8(dt->AsDateTime()), "20240306");
  tm->SetAsString("12:30");
  EXPECT_EQ(FormatDateTime("hh:nn", tm->AsDateTime()), "12:30");
  b->SetDisplayValues("Y;N");
  b->SetAsString("y");
  EXPECT_TRUE(b->AsBoolean());
  b->SetAsString("n");
  EXPECT_FALSE(b->AsBoolean());

  // Empty text clears a number but stores an empty text in a text field.
  i->SetAsString("");
  EXPECT_TRUE(i->IsNull());
  str->SetAsString("");
  EXPECT_FALSE(str->IsNull());
  EXPECT_EQ(str->AsString(), "");

  i->SetAsInteger(7);
  try {
    i->SetAsString("abc");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid integer value for field 'Count'");
  }
  EXPECT_EQ(i->AsInteger(), 7);  // refused: the old value stays
  EXPECT_THROW(s->SetAsInteger(40000), EDatabaseError);
  EXPECT_THROW(dt->SetAsString("2024/13/40"), EConvertError);
  EXPECT_THROW(b->SetAsString("maybe"), EDatabaseError);
}

TEST_F(FieldsTest, DisplayAndEditTextFollowFormatsAndTheGetTextEvent) {
  auto* f = Add<TFloatField>("F");
  auto* c = Add<TCurrencyField>("C");
  auto* i = Add<TIntegerField>("I");
  auto* b = Add<TBooleanField>("B");
  auto* m = Add<TMemoField>("M");
  auto* dt = Add<TDateField>("DT");
  OpenAndInsert();

  f->SetAsFloat(1234.5);
  EXPECT_EQ(f->DisplayText(), "1234.5");
  f->SetDisplayFormat("#,##0.00");
  f->SetEditFormat("##0.#######");
  EXPECT_EQ(f->DisplayText(), "1,234.50");
  EXPECT_EQ(f->Text(), "1234.5");
  c->SetAsFloat(1234.5);
  EXPECT_EQ(c->DisplayText(), "1,234.50");
  EXPECT_EQ(c->Text(), "1234.50");
  i->SetAsInteger(5);
  i->SetDisplayFormat("000");  // without an edit format the editor uses the display format
  EXPECT_EQ(i->Text(), "005");
  b->SetDisplayValues("Yes;No");
  b->SetAsBoolean(false);
  EXPECT_EQ(b->DisplayText(), "No");
  EXPECT_EQ(m->DisplayText(), "(memo)");
  m->SetAsString("long text");
  EXPECT_EQ(m->DisplayText(), "(MEMO)");
  EXPECT_EQ(m->AsString(), "long text");
  dt->SetAsString("20080501");
  dt->SetDisplayFormat("yyyy.mm.dd");
  EXPECT_EQ(dt->DisplayText(), "2008.05.01");

  BindEvent(*f, "OnGetText", *dm, "NumberGetText");
  EXPECT_EQ(f->DisplayText(), "D:1234.5");
  EXPECT_EQ(f->Text(), "E:1234.5");
  EXPECT_EQ(f->AsString(), "1234.5");  // plain conversions bypass the event
}

TEST_F(FieldsTest, SetTextGoesThroughOnSetTextAndValidationSeesTheNewValue) {
  auto* pct = Add<TFloatField>("PCT");
  auto* num = Add<TStringField>("MF001", 6);
  pct->OnSetText = [](TField* sender, const std::string& text) {
    sender->SetAsFloat(std::stod(text.substr(0, text.find('%'))) / 100);
  };
  BindEvent(*num, "OnValidate", *dm, "cdsMainMF001Validate");
  OpenAndInsert();

  pct->SetText("15.5%");
  EXPECT_DOUBLE_EQ(pct->AsFloat(), 0.155);
  pct->SetAsString("0.2");  // the plain setter does not call the handler
  EXPECT_DOUBLE_EQ(pct->AsFloat(), 0.2);

  num->SetAsString("A01");
  EXPECT_EQ(dm->log, std::vector<std::string>{"validate A01"});
  num->OnValidate = [](TField* sender) {
    if (sender->AsString() == "BAD") throw EAbort();
  };
  EXPECT_THROW(num->SetText("BAD"), EAbort);
  EXPECT_EQ(num->AsString(), "A01");
}

TEST_F(FieldsTest, ReadOnlyAndBrowseStateRefuseAssignment) {
  auto* a = Add<TStringField>("A");
  auto* r = Add<TStringField>("R");
  r->SetReadOnly(true);
  r->SetDisplayLabel("Stamp");
  cds->CreateDataSet();
  EXPECT_FALSE(a->CanModify() && cds->State() == dsEdit);
  try {
    a->SetAsString("x");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "cdsMain: Dataset not in edit or insert mode");
  }
  cds->Append();
  try {
    r->SetAsString("x");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "cdsMain: Field 'Stamp' cannot be modified");
  }
  EXPECT_FALSE(r->CanModify());
  EXPECT_TRUE(a->CanModify());
  // Lifting the switch for one assignment is how stamps are written.
  r->SetReadOnly(false);
  r->SetAsString("x");
  r->SetReadOnly(true);
  EXPECT_EQ(r->AsString(), "x");
}

TEST_F(FieldsTest, PropertiesAreReachedByNameAndIndexMovesTheColumn) {
  auto* a = Add<TStringField>("A", 6);
  auto* b = Add<TFloatField>("B");
  SetPropValue(*b, "DisplayFormat", Variant("#,##0.0"));
  SetPropValue(*b, "DisplayWidth", Variant(12));
  SetPropValue(*b, "Visible", Variant("False"));
  SetPropValue(*b, "Index", Variant(0));
  EXPECT_EQ(b->DisplayFormat(), "#,##0.0");
  EXPECT_EQ(b->DisplayWidth(), 12);
  EXPECT_FALSE(b->Visible());
  EXPECT_EQ(cds->Fields(0), b);
  EXPECT_EQ(a->Index(), 1);
  EXPECT_EQ(GetPropText(*a, "FieldKind"), "fkData");
  EXPECT_EQ(a->DisplayWidth(), 6);  // a text shows as wide as its size until set
  EXPECT_EQ(GetPropValue(*b, "DataSet"), Variant("cdsMain"));
}

TEST_F(FieldsTest, FieldClassesByNameAndTypesByName) {
  std::unique_ptr<TField> f(CreateFieldByClassName("tfloatfield", nullptr));
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->DataType(), ftFloat);
  EXPECT_EQ(f->ClassName(), "TFloatField");
  EXPECT_TRUE(f->InheritsFrom("TNumericField"));
  EXPECT_EQ(CreateFieldByClassName("TNoSuchField", nullptr), nullptr);
  EXPECT_EQ(FieldTypeFromName("ftWideString"), ftWideString);
  EXPECT_EQ(FieldTypeName(ftFixedChar), "ftFixedChar");
  EXPECT_FALSE(FieldTypeFromName("ftNothing").has_value());
}

TEST_F(FieldsTest, FieldsRefuseChangesWhileTheDatasetIsOpen) {
  auto* a = Add<TStringField>("A");
  Add<TStringField>("B");
  auto* dup = TComponent::Create<TStringField>(dm.get());
  dup->SetFieldName("a");
  EXPECT_THROW(dup->SetDataSet(cds), EDatabaseError);  // field names are unique without case
  delete dup;
  cds->CreateDataSet();
  EXPECT_THROW(a->SetSize(3), EDatabaseError);
  EXPECT_THROW(a->SetDataSet(nullptr), EDatabaseError);
  EXPECT_EQ(cds->FindField("b")->FieldName(), "B");
  try {
    cds->FieldByName("C");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "cdsMain: Field 'C' not found");
  }
}

}  // namespace
}  // namespace pellor
