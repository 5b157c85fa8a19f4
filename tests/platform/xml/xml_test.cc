#include "platform/xml/xml.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/rtl/codepage.h"

namespace pellor {
namespace {

std::string Gb(std::string_view utf8) { return WideToAnsi(Utf8ToWide(utf8), kCodePageGB); }
std::string Big5(std::string_view utf8) { return WideToAnsi(Utf8ToWide(utf8), kCodePageBig5); }

std::vector<std::string> Attributes(const XmlNodeList& nodes, std::string_view name) {
  std::vector<std::string> values;
  for (const XmlNode& node : nodes) values.push_back(node.Attribute(name));
  return values;
}

class TempDir {
 public:
  TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "pellor_xml_XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

// A settings document as the server delivers it: GB2312 bytes.
std::string SettingsDocumentGb() {
  return Gb(
      "<?xml version=\"1.0\" encoding=\"GB2312\"?>"
      "<!-- Velmora用户设置 -->"
      "<MT_User CompanyID=\"\" ProgID=\"\">"
      "<Components>"
      "<Component ID=\"edMF001\"><Caption>因素编号</Caption><Required>-1</Required></Component>"
      "<Component ID=\"edMF002\"><Caption>名称</Caption><Required>0</Required></Component>"
      "<Component ID=\"cboMF004\"><Required>-1</Required><DEFAULTTEXT>堃</DEFAULTTEXT></Component>"
      "</Components>"
      "</MT_User>");
}

TEST(XmlTest, Gb2312DocumentIsDecodedBeforeParsing) {
  XmlDocument doc = XmlDocument::FromText(SettingsDocumentGb());
  EXPECT_EQ(doc.DeclaredEncoding(), "GB2312");
  XmlNode root = doc.DocumentElement();
  ASSERT_TRUE(root);
  EXPECT_EQ(root.Name(), "MT_User");

  XmlNodeList required = root.SelectNodes("Components/*[Required='-1']");
  EXPECT_EQ(Attributes(required, "ID"), (std::vector<std::string>{"edMF001", "cboMF004"}));

  XmlNode caption = root.SelectSingleNode("Components/Component[@ID='edMF001']/Caption");
  EXPECT_EQ(caption.Text(), "因素编号");
  EXPECT_EQ(caption.Text(kCodePageGB), Gb("因素编号"));
  // A character of GBK outside GB2312 still decodes under the GB2312 label.
  EXPECT_EQ(root.SelectSingleNode("//DEFAULTTEXT").Text(), "堃");
  // Chinese literals in an XPath compare as UTF-8.
  XmlNode byCaption = root.SelectSingleNode("Components/Component[Caption='名称']");
  EXPECT_EQ(byCaption.Attribute("ID"), "edMF002");
  // The comment survives, and the declaration now says what the DOM holds.
  EXPECT_EQ(doc.Root().FirstChild().NextSibling().Text(), " Velmora用户设置 ");
  EXPECT_NE(doc.ToText().find("encoding=\"UTF-8\""), std::string::npos);
}

TEST(XmlTest, DocumentWrittenBackInItsCodePageKeepsItsBytes) {
  std::string original = Gb(
      "<?xml version=\"1.0\" encoding=\"GB2312\"?><!-- Velmora用户设置 -->"
      "<MT_User CompanyID=\"\" ProgID=\"\"><Components/></MT_User>");
  XmlDocument doc = XmlDocument::FromText(original);
  EXPECT_EQ(doc.ToText(kCodePageGB), original);
}

TEST(XmlTest, Big5DocumentWithColourDefinitions) {
  std::string text = Big5(
      "<?xml version=\"1.0\" encoding=\"Big5\"?>"
      "<colormanager><head>"
      "<component name=\"gdHead\" enable=\"Y\">"
      "<condition value=\"MF004='2'\" colorx=\"255\" bkcolor=\"16777215\" msg=\"面試\"/>"
      "<condition value=\"MF004='1'\" colorx=\"0\" bkcolor=\"65535\"/>"
      "</component>"
      "<component name=\"edMF001\" enable=\"N\"/>"
      "<component name=\"edMF002\" enable=\"Y\"/>"
      "</head><body><component name=\"gdBody1\" enable=\"Y\"/></body></colormanager>");
  XmlDocument doc = XmlDocument::FromText(text);
  XmlNodeList components = doc.SelectNodes("//colormanager/head/component[@enable=\"Y\"]");
  EXPECT_EQ(Attributes(components, "name"), (std::vector<std::string>{"gdHead", "edMF002"}));

  XmlNodeList conditions = components[0].ChildElements();
  ASSERT_EQ(conditions.size(), 2u);
  EXPECT_EQ(conditions[0].Attribute("value"), "MF004='2'");
  EXPECT_EQ(conditions[0].Attribute("msg"), "面試");
  EXPECT_EQ(conditions[0].Attribute("msg", kCodePageBig5), Big5("面試"));
  EXPECT_FALSE(conditions[1].HasAttribute("msg"));
  EXPECT_EQ(conditions[1].Attribute("msg"), "");
}

TEST(XmlTest, AttributePathsSelectAttributeNodes) {
  // A language package: messages are elements named by key with a Msg attribute.
  XmlDocument doc = XmlDocument::FromText(
      "<TdmRadical Caption=\"Data\"><sCompany Msg=\"Company\"/>"
      "<group><sCreator Msg=\"Creator\" Other=\"x\"/></group></TdmRadical>");
  char path[64];
  std::snprintf(path, sizeof(path), "//%s/@%s", "sCreator", "Msg");
  XmlNode message = doc.SelectSingleNode(path);
  ASSERT_TRUE(message);
  EXPECT_TRUE(message.IsAttribute());
  EXPECT_EQ(message.Name(), "Msg");
  EXPECT_EQ(message.Text(), "Creator");
  EXPECT_EQ(message.Parent().Name(), "sCreator");
  EXPECT_EQ(message.Xml(), "Msg=\"Creator\"");

  std::snprintf(path, sizeof(path), "//%s/@%s", "sMissing", "Msg");
  EXPECT_TRUE(doc.SelectSingleNode(path).IsNull());
  EXPECT_TRUE(doc.SelectNodes(path).empty());
  // An XPath relative to an attribute node works too.
  EXPECT_EQ(message.SelectSingleNode("../@Other").Text(), "x");
}

TEST(XmlTest, ParseErrorsCarryDescriptionAndInputOffset) {
  struct Case {
    std::string input;
    std::ptrdiff_t offset;
    std::string description;
  };
  const std::vector<Case> cases = {
      {"<a><b></a>", 8, "Start-end tags mismatch"},
      {"not xml at all", 14, "No document element found"},
      {"", 0, "No document element found"},
      {"<a x=\"1\" x2></a>", 12, "Error parsing element attribute"},
      // The offset counts bytes of the input, not of the UTF-8 it became.
      {Gb("<?xml version=\"1.0\" encoding=\"GBK\"?><因素><b></因素>"), 47,
       "Start-end tags mismatch"},
      {"\xEF\xBB\xBF<a></b>", 8, "Start-end tags mismatch"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    XmlDocument doc;
    try {
      doc.LoadText(c.input);
      ADD_FAILURE() << "no error";
    } catch (const EXmlError& error) {
      EXPECT_EQ(error.Offset(), c.offset);
      EXPECT_NE(error.Message().find(c.description), std::string::npos) << error.Message();
      EXPECT_NE(error.Message().find("offset " + std::to_string(c.offset)), std::string::npos)
          << error.Message();
      EXPECT_STREQ(error.ClassName(), "EXmlError");
    }
    EXPECT_TRUE(doc.DocumentElement().IsNull());
  }
}

TEST(XmlTest, ParseErrorMessageNamesLineAndColumn) {
  try {
    XmlDocument::FromText("<a>\n  <b>\n  </c>\n</a>");
    FAIL() << "no error";
  } catch (const EXmlError& error) {
    EXPECT_EQ(error.Message(),
              "XML parse error at offset 14 (line 3, column 5): Start-end tags mismatch");
  }
}

TEST(XmlTest, BadXPathRaisesWithParserMessage) {
  XmlDocument doc = XmlDocument::FromText("<a><b/></a>");
  try {
    doc.SelectNodes("//b[");
    FAIL() << "no error";
  } catch (const EXmlError& error) {
    EXPECT_NE(error.Message().find("//b["), std::string::npos) << error.Message();
    EXPECT_NE(error.Message().find("Unrecognized node test"), std::string::npos) << error.Message();
  }
  EXPECT_THROW(doc.SelectSingleNode("count(//b)"), EXmlError);
  // Deeply nested expressions are refused instead of exhausting the stack.
  std::string deep = std::string(5000, '(') + "//b" + std::string(5000, ')');
  EXPECT_THROW(doc.SelectNodes(deep), EXmlError);
}

TEST(XmlTest, ModifySaveAndReload) {
  TempDir dir;
  XmlDocument doc = XmlDocument::FromText(SettingsDocumentGb());
  XmlNode components = doc.DocumentElement().ChildElement("Components");
  XmlNode entry = components.AppendElement("Component");
  entry.SetAttribute("ID", Gb("lbl说明"), kCodePageGB);
  entry.AppendElement("Caption").SetText("说明 <&> \"引号\"");
  entry.AppendElement("Visible").SetText("0");
  XmlNode first = components.SelectSingleNode("Component[@ID='edMF001']");
  first.ChildElement("Caption").SetText(Gb("编号"), kCodePageGB);
  first.SetAttribute("ID", "edMF009");
  EXPECT_TRUE(components.RemoveChild(components.SelectSingleNode("Component[@ID='edMF002']")));
  EXPECT_FALSE(components.RemoveChild(doc.DocumentElement()));

  std::string path = dir.File("settings.xml");
  doc.Save(path, kCodePageGB);
  std::string saved = ReadAll(path);
  EXPECT_EQ(saved.rfind("<?xml version=\"1.0\" encoding=\"GB2312\"?>", 0), 0u) << saved;
  EXPECT_NE(saved.find(Gb("说明")), std::string::npos);

  XmlDocument reloaded = XmlDocument::FromFile(path);
  XmlNode root = reloaded.DocumentElement();
  EXPECT_EQ(Attributes(root.SelectNodes("Components/*"), "ID"),
            (std::vector<std::string>{"edMF009", "cboMF004", "lbl说明"}));
  EXPECT_EQ(root.SelectSingleNode("Components/Component[@ID='lbl说明']/Caption").Text(),
            "说明 <&> \"引号\"");
  EXPECT_EQ(root.SelectSingleNode("Components/Component[@ID='edMF009']/Caption").Text(), "编号");
  EXPECT_EQ(Attributes(root.SelectNodes("Components/*[Required='-1']"), "ID"),
            (std::vector<std::string>{"edMF009", "cboMF004"}));

  // The same document saved as UTF-8 reads back the same.
  doc.Save(path);
  EXPECT_EQ(XmlDocument::FromFile(path).ToText(), doc.ToText());
}

TEST(XmlTest, CharactersMissingFromTheCodePageSurviveAsReferences) {
  XmlDocument doc = XmlDocument::FromText("<a t=\"한 &amp; 😀\">臺灣 한국</a>");
  std::string gb = doc.ToText(kCodePageGB);
  EXPECT_EQ(gb, Gb("<?xml version=\"1.0\" encoding=\"GBK\"?><a t=\"&#xD55C; &amp; &#x1F600;\">") +
                    Gb("臺灣 &#xD55C;&#xAD6D;</a>"));
  XmlDocument back = XmlDocument::FromText(gb);
  EXPECT_EQ(back.DocumentElement().Text(), "臺灣 한국");
  EXPECT_EQ(back.DocumentElement().Attribute("t"), "한 & 😀");
}

TEST(XmlTest, EncodingsWithoutDeclarationOrFromMarks) {
  // No declaration: UTF-8.
  EXPECT_EQ(XmlDocument::FromText("<a>名称</a>").DocumentElement().Text(), "名称");
  // UTF-16 with a byte-order mark, whatever the declaration says.
  std::u16string wide = u"\xFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>名称</a>";
  std::string bytes(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
  if (std::endian::native == std::endian::little) {
    XmlDocument doc = XmlDocument::FromText(bytes);
    EXPECT_EQ(doc.DocumentElement().Text(), "名称");
    EXPECT_EQ(doc.ToText(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>名称</a>");
    // Without the mark and the declaration the zero bytes give it away; an
    // error offset then counts bytes of the UTF-16 input.
    std::u16string bare = u"<a>名称</b>";
    try {
      XmlDocument::FromText(std::string(reinterpret_cast<const char*>(bare.data()), bare.size() * 2));
      ADD_FAILURE() << "no error";
    } catch (const EXmlError& error) {
      EXPECT_EQ(error.Offset(), 14);
    }
  }
  // Wide text is already decoded: the declared GB2312 is not applied again.
  XmlDocument doc;
  doc.LoadWide(u"<?xml version=\"1.0\" encoding=\"GB2312\"?><a>名称</a>");
  EXPECT_EQ(doc.DocumentElement().Text(), "名称");
  // Latin-1 is decoded byte by byte.
  EXPECT_EQ(XmlDocument::FromText("<?xml version='1.0' encoding='ISO-8859-1'?><a>\xE9</a>")
                .DocumentElement()
                .Text(),
            "é");

  EXPECT_THROW(XmlDocument::FromText("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a/>"),
               EXmlError);
  try {
    XmlDocument::FromFile("/nonexistent/dir/file.Lng");
    FAIL() << "no error";
  } catch (const EXmlError& error) {
    EXPECT_NE(error.Message().find("/nonexistent/dir/file.Lng"), std::string::npos);
  }
}

TEST(XmlTest, NodesTextsAndNames) {
  XmlDocument doc = XmlDocument::FromText(
      "<r><e>one<![CDATA[<two>]]><i>three</i></e><!--c--><?pi data?>\r\n<l>a\r\nb</l></r>");
  XmlNode e = doc.SelectSingleNode("/r/e");
  EXPECT_EQ(e.Text(), "one<two>three");
  std::vector<std::string> names;
  for (const XmlNode& child : doc.DocumentElement().Children()) names.push_back(child.Name());
  EXPECT_EQ(names, (std::vector<std::string>{"e", "#comment", "pi", "l"}));
  EXPECT_EQ(e.FirstChild().Name(), "#text");
  EXPECT_EQ(e.FirstChild().NextSibling().Type(), XmlNodeType::kCData);
  // Line ends arrive as a line feed alone.
  EXPECT_EQ(doc.SelectSingleNode("//l").Text(), "a\nb");

  e.SetText("");
  EXPECT_TRUE(e.Children().empty());
  EXPECT_THROW(e.SetAttribute("a b", "x"), EXmlError);
  EXPECT_THROW(e.AppendElement("<x>"), EXmlError);
  EXPECT_THROW(doc.SelectSingleNode("/r/@none").SetText("x"), EXmlError);
  EXPECT_TRUE(e.RemoveAttribute("none") == false);
  e.SetAttribute("k", "1");
  e.SetAttribute("k", "2");
  ASSERT_EQ(e.Attributes().size(), 1u);
  EXPECT_EQ(e.Attribute("k"), "2");
  EXPECT_EQ(e.Xml(), "<e k=\"2\"/>");
}

TEST(XmlTest, QuotedLiteralsSelectTheRightNode) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"plain", "'plain'"},
      {"it's", "\"it's\""},
      {"say \"hi\"", "'say \"hi\"'"},
      {"it's \"x\"", "concat('it', \"'\", 's \"x\"')"},
      {"'\"'", "concat(\"'\", '\"', \"'\")"},
      {"", "''"},
  };
  XmlDocument doc = XmlDocument::FromText("<c/>");
  XmlNode c = doc.DocumentElement();
  for (size_t i = 0; i < cases.size(); ++i) c.AppendElement("Component").SetAttribute("ID", cases[i].first);
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].first);
    EXPECT_EQ(XPathLiteral(cases[i].first), cases[i].second);
    XmlNodeList found = c.SelectNodes("Component[@ID=" + XPathLiteral(cases[i].first) + "]");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], c.ChildElements()[i]);
  }
}

TEST(XmlTest, HostileDocumentsDoNotCrash) {
  const int depth = 200000;
  std::string deep;
  for (int i = 0; i < depth; ++i) deep += "<a>";
  deep += "x";
  for (int i = 0; i < depth; ++i) deep += "</a>";
  XmlDocument doc = XmlDocument::FromText(deep);
  EXPECT_EQ(doc.SelectNodes("//a").size(), static_cast<size_t>(depth));
  EXPECT_EQ(doc.DocumentElement().Text(), "x");
  EXPECT_EQ(doc.ToText(), deep);
  // Removing the deep subtree must not recurse once per level.
  doc.DocumentElement().SetText("y");
  EXPECT_EQ(doc.ToText(), "<a>y</a>");

  std::string wide = "<a";
  for (int i = 0; i < 100000; ++i) wide += " n" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
  wide += "/>";
  XmlDocument many = XmlDocument::FromText(wide);
  EXPECT_EQ(many.DocumentElement().Attributes().size(), 100000u);
  EXPECT_EQ(many.SelectSingleNode("/a/@n99999").Text(), "99999");

  // Unterminated deep nesting is an error, not a crash.
  EXPECT_THROW(XmlDocument::FromText(std::string(300000, '<')), EXmlError);
  EXPECT_THROW(XmlDocument::FromText(deep.substr(0, deep.size() / 2)), EXmlError);
}

TEST(XmlTest, EncodingNames) {
  EXPECT_EQ(CodePageOfXmlEncoding("gb2312"), kCodePageGB);
  EXPECT_EQ(CodePageOfXmlEncoding("GB18030"), kCodePageGB);
  EXPECT_EQ(CodePageOfXmlEncoding("BIG5-HKSCS"), kCodePageBig5);
  EXPECT_EQ(CodePageOfXmlEncoding("CP950"), kCodePageBig5);
  EXPECT_EQ(CodePageOfXmlEncoding("utf-8"), kCodePageUtf8);
  EXPECT_EQ(CodePageOfXmlEncoding("Shift_JIS"), 0);
}

}  // namespace
}  // namespace pellor
