#include "platform/xml/xml.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/rtl/strutils.h"

namespace pellor {

namespace {

// Code pages the layer decodes with, beyond the ones codepage.h names.
constexpr int kCodePageGB18030 = 54936;
constexpr int kCodePageUtf16LE = 1200;
constexpr int kCodePageUtf16BE = 1201;

// Comments, processing instructions, the declaration and the doctype are kept
// so that a document written back reads as it came; whitespace-only text
// between elements is dropped, as a DOM that does not preserve white space
// does, and line ends arrive as a line feed alone.
constexpr unsigned kParseOptions = pugi::parse_full;

std::string UpperAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// How a declared encoding is read.
enum class Decoding {
  kUtf8,       // parse the bytes as they are
  kLatin1,     // every byte is the character of that number
  kCodePage,   // through the code-page layer
  kUnknown,
};

struct EncodingInfo {
  Decoding decoding;
  int codePage;  // the code page a text in this encoding is in (kCodePage only)
  int decodeAs;  // the code page to decode with (a superset where one exists)
};

EncodingInfo LookUpEncoding(std::string_view label) {
  std::string key;
  for (char c : UpperAscii(label)) {
    if (c != '-' && c != '_') key.push_back(c);
  }
  if (key.empty() || key == "UTF8" || key == "USASCII" || key == "ASCII" || key == "UTF16" ||
      key == "UTF16LE" || key == "UTF16BE" || key == "UCS2") {
    // A UTF-16 label on text whose bytes are ASCII-compatible describes the
    // text before it was narrowed; the bytes themselves are UTF-8.
    return {Decoding::kUtf8, kCodePageUtf8, kCodePageUtf8};
  }
  if (key == "ISO88591" || key == "LATIN1" || key == "L1" || key == "ISOIR100") {
    return {Decoding::kLatin1, 0, 0};
  }
  // GB18030 decodes every GB2312 and GBK text the same way and more besides.
  if (key == "GB2312" || key == "GBK" || key == "GB18030" || key == "CP936" || key == "EUCCN" ||
      key == "XGBK" || key == "WINDOWS936" || key == "MS936") {
    return {Decoding::kCodePage, kCodePageGB, kCodePageGB18030};
  }
  if (key == "BIG5" || key == "BIG5HKSCS" || key == "CP950" || key == "XXBIG5" ||
      key == "WINDOWS950" || key == "MS950" || key == "CNBIG5") {
    return {Decoding::kCodePage, kCodePageBig5, kCodePageBig5};
  }
  if (key == "IBM437" || key == "CP437" || key == "437") {
    return {Decoding::kCodePage, kCodePageEnglish, kCodePageEnglish};
  }
  return {Decoding::kUnknown, 0, 0};
}

// The value of the encoding pseudo-attribute of a leading XML declaration,
// nullopt when the text starts with no declaration or it names none.
std::optional<std::string> DeclaredEncodingOf(std::string_view text) {
  if (text.substr(0, 5) != "<?xml" || text.size() < 6 || !IsXmlSpace(text[5])) {
    return std::nullopt;
  }
  size_t end = text.find("?>");
  std::string_view decl = text.substr(0, end == std::string_view::npos ? text.size() : end);
  size_t pos = 5;
  while (true) {
    pos = decl.find("encoding", pos);
    if (pos == std::string_view::npos) return std::nullopt;
    // Only a whole pseudo-attribute name counts.
    if (!IsXmlSpace(decl[pos - 1])) {
      pos += 8;
      continue;
    }
    size_t i = pos + 8;
    while (i < decl.size() && IsXmlSpace(decl[i])) ++i;
    if (i >= decl.size() || decl[i] != '=') {
      pos += 8;
      continue;
    }
    ++i;
    while (i < decl.size() && IsXmlSpace(decl[i])) ++i;
    if (i >= decl.size() || (decl[i] != '"' && decl[i] != '\'')) return std::nullopt;
    char quote = decl[i];
    size_t close = decl.find(quote, i + 1);
    if (close == std::string_view::npos) return std::nullopt;
    return std::string(decl.substr(i + 1, close - i - 1));
  }
}

// Steps back to the first byte of the UTF-8 character at `offset`.
size_t Utf8Boundary(std::string_view text, size_t offset) {
  if (offset > text.size()) offset = text.size();
  while (offset > 0 && offset < text.size() &&
         (static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80) {
    --offset;
  }
  return offset;
}

bool IsNameStartByte(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
}

bool IsNameByte(unsigned char c) {
  return IsNameStartByte(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// Names are checked for the characters that would break the markup; all
// non-ASCII characters are let through (XML allows nearly all of them).
void CheckName(std::string_view name, const char* what) {
  bool valid = !name.empty() && IsNameStartByte(static_cast<unsigned char>(name[0]));
  for (size_t i = 1; valid && i < name.size(); ++i) {
    valid = IsNameByte(static_cast<unsigned char>(name[i]));
  }
  if (!valid) {
    throw EXmlError("\"" + std::string(name) + "\" is not a valid XML " + what + " name");
  }
}

// Removes `child` from `parent` without recursion: pugixml frees a subtree
// recursively, which a deeply nested document turns into a stack overflow.
// Leaves go first, so every single removal frees one node.
void RemoveSubtree(pugi::xml_node parent, pugi::xml_node child) {
  pugi::xml_node current = child;
  while (true) {
    while (current.first_child()) current = current.first_child();
    if (current == child) break;
    pugi::xml_node up = current.parent();
    up.remove_child(current);
    current = up;
  }
  parent.remove_child(child);
}

void RemoveAllChildren(pugi::xml_node node) {
  while (pugi::xml_node child = node.first_child()) RemoveSubtree(node, child);
}

class StringWriter : public pugi::xml_writer {
 public:
  explicit StringWriter(std::string* out) : out_(out) {}
  void write(const void* data, size_t size) override {
    out_->append(static_cast<const char*>(data), size);
  }

 private:
  std::string* out_;
};

std::string CharacterReference(char32_t codePoint) {
  char buffer[16];
  std::snprintf(buffer, sizeof(buffer), "&#x%X;", static_cast<unsigned>(codePoint));
  return buffer;
}

// Encodes UTF-8 markup as pugixml wrote it into a code page. Characters the
// code page lacks become character references where markup allows them (in
// text and in attribute values) and "?" elsewhere.
std::string EncodeMarkup(std::string_view utf8, int codePage) {
  std::u16string wide = Utf8ToWide(utf8);
  if (std::optional<std::string> whole = TryWideToAnsi(wide, codePage)) return std::move(*whole);

  enum class State { kText, kTag, kValue, kComment, kCData, kPI, kDoctype };
  State state = State::kText;
  char16_t quote = 0;
  int bracketDepth = 0;
  std::string out;
  out.reserve(wide.size() * 2);
  auto startsWith = [&](size_t i, std::u16string_view what) {
    return std::u16string_view(wide).substr(i, what.size()) == what;
  };
  size_t i = 0;
  while (i < wide.size()) {
    char16_t c = wide[i];
    if (c < 0x80) {
      switch (state) {
        case State::kText:
          if (c == u'<') {
            if (startsWith(i, u"<!--")) {
              state = State::kComment;
              out += "<!--";
              i += 4;
              continue;
            }
            if (startsWith(i, u"<![CDATA[")) {
              state = State::kCData;
              out += "<![CDATA[";
              i += 9;
              continue;
            }
            if (startsWith(i, u"<?")) {
              state = State::kPI;
            } else if (startsWith(i, u"<!")) {
              state = State::kDoctype;
              bracketDepth = 0;
            } else {
              state = State::kTag;
            }
          }
          break;
        case State::kTag:
          if (c == u'"' || c == u'\'') {
            state = State::kValue;
            quote = c;
          } else if (c == u'>') {
            state = State::kText;
          }
          break;
        case State::kValue:
          if (c == quote) state = State::kTag;
          break;
        case State::kComment:
          if (startsWith(i, u"-->")) {
            out += "-->";
            i += 3;
            state = State::kText;
            continue;
          }
          break;
        case State::kCData:
          if (startsWith(i, u"]]>")) {
            out += "]]>";
            i += 3;
            state = State::kText;
            continue;
          }
          break;
        case State::kPI:
          if (startsWith(i, u"?>")) {
            out += "?>";
            i += 2;
            state = State::kText;
            continue;
          }
          break;
        case State::kDoctype:
          if (c == u'[') {
            ++bracketDepth;
          } else if (c == u']') {
            --bracketDepth;
          } else if (c == u'>' && bracketDepth <= 0) {
            state = State::kText;
          }
          break;
      }
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    size_t units = 1;
    char32_t codePoint = c;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      units = 2;
      codePoint = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
    }
    std::u16string_view character = std::u16string_view(wide).substr(i, units);
    if (std::optional<std::string> encoded = TryWideToAnsi(character, codePage)) {
      out += *encoded;
    } else if (state == State::kText || state == State::kValue) {
      out += CharacterReference(codePoint);
    } else {
      out += WideToAnsi(character, codePage);
    }
    i += units;
  }
  return out;
}

// The label a document in `codePage` declares; the label the document came
// with is kept when it names the same code page, so that a GB2312 document
// stays a GB2312 document.
std::string EncodingLabelFor(int codePage, const std::string& declared) {
  if (!declared.empty()) {
    EncodingInfo info = LookUpEncoding(declared);
    if (info.decoding == Decoding::kCodePage && info.codePage == codePage) return declared;
  }
  switch (codePage) {
    case kCodePageUtf8:
      return "UTF-8";
    case kCodePageGB:
      return "GBK";
    case kCodePageBig5:
      return "Big5";
    case kCodePageEnglish:
      return "IBM437";
    default:
      throw EXmlError("No XML encoding name is known for code page " + std::to_string(codePage));
  }
}

std::string DeclarationText(pugi::xml_node declaration, const std::string& encoding) {
  std::string text = "<?xml";
  bool hasVersion = declaration && declaration.attribute("version");
  if (!hasVersion) text += " version=\"1.0\"";
  bool encodingWritten = false;
  auto writeEncoding = [&]() {
    text += " encoding=\"" + encoding + "\"";
    encodingWritten = true;
  };
  if (!hasVersion) writeEncoding();
  if (declaration) {
    for (pugi::xml_attribute attribute : declaration.attributes()) {
      std::string_view name = attribute.name();
      if (name == "encoding") {
        if (!encodingWritten) writeEncoding();
        continue;
      }
      text += " " + std::string(name) + "=\"" + attribute.value() + "\"";
      if (name == "version" && !encodingWritten) writeEncoding();
    }
  }
  if (!encodingWritten) writeEncoding();
  text += "?>";
  return text;
}

pugi::xpath_query CompileXPath(std::string_view xpath) {
  try {
    pugi::xpath_query query(std::string(xpath).c_str());
    if (query.return_type() != pugi::xpath_type_node_set) {
      throw EXmlError("XPath expression \"" + std::string(xpath) + "\" does not select nodes");
    }
    return query;
  } catch (const pugi::xpath_exception& error) {
    throw EXmlError("Invalid XPath expression \"" + std::string(xpath) + "\": " + error.what() +
                        " at offset " + std::to_string(error.result().offset),
                    error.result().offset);
  }
}

XmlNode FromXPathNode(const pugi::xpath_node& node) {
  if (node.attribute()) return XmlNode(node.attribute(), node.parent());
  return XmlNode(node.node());
}

std::string ReadFile(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    int error = errno;
    throw EXmlError("Cannot open XML file \"" + path + "\": " + std::strerror(error));
  }
  std::string bytes;
  char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) bytes.append(buffer, got);
  bool failed = std::ferror(file) != 0;
  int error = errno;
  std::fclose(file);
  if (failed) throw EXmlError("Cannot read XML file \"" + path + "\": " + std::strerror(error));
  return bytes;
}

}  // namespace

// Maps an offset into the UTF-8 text that pugixml parsed back to the input
// the caller gave, so that an error points into what the caller has.
struct XmlDocument::OffsetMapper {
  enum class Kind { kUtf8, kLatin1, kUtf16, kWide, kCodePage };
  Kind kind = Kind::kUtf8;
  int codePage = 0;
  size_t bias = 0;  // bytes before the text (a byte-order mark)

  std::ptrdiff_t Map(std::string_view utf8, size_t offset) const {
    offset = Utf8Boundary(utf8, offset);
    std::string_view prefix = utf8.substr(0, offset);
    switch (kind) {
      case Kind::kUtf8:
        return static_cast<std::ptrdiff_t>(bias + offset);
      case Kind::kLatin1:
      case Kind::kWide:
      case Kind::kUtf16: {
        size_t units = Utf8ToWide(prefix).size();
        return static_cast<std::ptrdiff_t>(bias + (kind == Kind::kUtf16 ? 2 * units : units));
      }
      case Kind::kCodePage: {
        // A byte the decoder could not read became U+FFFD; it was one byte.
        std::u16string wide = Utf8ToWide(prefix);
        size_t bytes = 0;
        size_t start = 0;
        for (size_t i = 0; i <= wide.size(); ++i) {
          if (i == wide.size() || wide[i] == 0xFFFD) {
            bytes += WideToAnsi(std::u16string_view(wide).substr(start, i - start), codePage).size();
            if (i < wide.size()) ++bytes;
            start = i + 1;
          }
        }
        return static_cast<std::ptrdiff_t>(bias + bytes);
      }
    }
    return static_cast<std::ptrdiff_t>(offset);
  }
};

// ---- XmlNode ----

XmlNodeType XmlNode::Type() const {
  if (attribute_) return XmlNodeType::kAttribute;
  switch (node_.type()) {
    case pugi::node_null:
      return XmlNodeType::kNull;
    case pugi::node_document:
      return XmlNodeType::kDocument;
    case pugi::node_element:
      return XmlNodeType::kElement;
    case pugi::node_pcdata:
      return XmlNodeType::kText;
    case pugi::node_cdata:
      return XmlNodeType::kCData;
    case pugi::node_comment:
      return XmlNodeType::kComment;
    case pugi::node_pi:
      return XmlNodeType::kProcessingInstruction;
    case pugi::node_declaration:
      return XmlNodeType::kDeclaration;
    case pugi::node_doctype:
      return XmlNodeType::kDoctype;
  }
  return XmlNodeType::kNull;
}

std::string XmlNode::Name() const {
  if (attribute_) return attribute_.name();
  switch (node_.type()) {
    case pugi::node_pcdata:
      return "#text";
    case pugi::node_cdata:
      return "#cdata-section";
    case pugi::node_comment:
      return "#comment";
    case pugi::node_document:
      return "#document";
    default:
      return node_.name();
  }
}

std::string XmlNode::Text() const {
  if (attribute_) return attribute_.value();
  switch (node_.type()) {
    case pugi::node_null:
    case pugi::node_declaration:
      return "";
    case pugi::node_element:
    case pugi::node_document:
      break;
    default:
      return node_.value();
  }
  // Walked without recursion: documents may nest deeper than the stack.
  std::string text;
  pugi::xml_node current = node_.first_child();
  while (current) {
    if (current.type() == pugi::node_pcdata || current.type() == pugi::node_cdata) {
      text += current.value();
    }
    if (current.first_child()) {
      current = current.first_child();
      continue;
    }
    while (current != node_ && !current.next_sibling()) current = current.parent();
    if (current == node_) break;
    current = current.next_sibling();
  }
  return text;
}

void XmlNode::SetText(std::string_view utf8) {
  std::string value(utf8);
  if (attribute_) {
    attribute_.set_value(value.c_str());
    return;
  }
  switch (node_.type()) {
    case pugi::node_element:
      RemoveAllChildren(node_);
      if (!value.empty()) node_.append_child(pugi::node_pcdata).set_value(value.c_str());
      return;
    case pugi::node_pcdata:
    case pugi::node_cdata:
    case pugi::node_comment:
    case pugi::node_pi:
      node_.set_value(value.c_str());
      return;
    default:
      throw EXmlError("Cannot set the text of node \"" + Name() + "\"");
  }
}

bool XmlNode::HasAttribute(std::string_view name) const { return !AttributeNode(name).IsNull(); }

std::string XmlNode::Attribute(std::string_view name) const { return AttributeNode(name).Text(); }

XmlNode XmlNode::AttributeNode(std::string_view name) const {
  if (attribute_ || node_.type() != pugi::node_element) return XmlNode();
  for (pugi::xml_attribute attribute : node_.attributes()) {
    if (name == attribute.name()) return XmlNode(attribute, node_);
  }
  return XmlNode();
}

XmlNodeList XmlNode::Attributes() const {
  XmlNodeList list;
  if (attribute_ || node_.type() != pugi::node_element) return list;
  for (pugi::xml_attribute attribute : node_.attributes()) list.emplace_back(attribute, node_);
  return list;
}

void XmlNode::SetAttribute(std::string_view name, std::string_view utf8Value) {
  if (attribute_ || node_.type() != pugi::node_element) {
    throw EXmlError("Cannot set attribute \"" + std::string(name) + "\" on node \"" + Name() +
                    "\", which is not an element");
  }
  CheckName(name, "attribute");
  XmlNode existing = AttributeNode(name);
  pugi::xml_attribute attribute = existing.attribute_;
  if (!attribute) attribute = node_.append_attribute(std::string(name).c_str());
  attribute.set_value(std::string(utf8Value).c_str());
}

bool XmlNode::RemoveAttribute(std::string_view name) {
  XmlNode existing = AttributeNode(name);
  if (existing.IsNull()) return false;
  return node_.remove_attribute(existing.attribute_);
}

XmlNode XmlNode::Parent() const {
  if (attribute_) return XmlNode(node_);
  return XmlNode(node_.parent());
}

XmlNode XmlNode::FirstChild() const {
  if (attribute_) return XmlNode();
  return XmlNode(node_.first_child());
}

XmlNode XmlNode::NextSibling() const {
  if (attribute_) {
    pugi::xml_attribute next = attribute_.next_attribute();
    return next ? XmlNode(next, node_) : XmlNode();
  }
  return XmlNode(node_.next_sibling());
}

XmlNodeList XmlNode::Children() const {
  XmlNodeList list;
  if (attribute_) return list;
  for (pugi::xml_node child : node_.children()) list.emplace_back(child);
  return list;
}

XmlNodeList XmlNode::ChildElements() const {
  XmlNodeList list;
  if (attribute_) return list;
  for (pugi::xml_node child : node_.children()) {
    if (child.type() == pugi::node_element) list.emplace_back(child);
  }
  return list;
}

XmlNode XmlNode::ChildElement(std::string_view name) const {
  if (attribute_) return XmlNode();
  for (pugi::xml_node child : node_.children()) {
    if (child.type() == pugi::node_element && name == child.name()) return XmlNode(child);
  }
  return XmlNode();
}

XmlNode XmlNode::AppendElement(std::string_view name) {
  CheckName(name, "element");
  pugi::xml_node child;
  if (!attribute_) child = node_.append_child(std::string(name).c_str());
  if (!child) throw EXmlError("Node \"" + Name() + "\" cannot hold element \"" + std::string(name) + "\"");
  return XmlNode(child);
}

XmlNode XmlNode::AppendText(std::string_view utf8) {
  pugi::xml_node child;
  if (!attribute_) child = node_.append_child(pugi::node_pcdata);
  if (!child) throw EXmlError("Node \"" + Name() + "\" cannot hold text");
  child.set_value(std::string(utf8).c_str());
  return XmlNode(child);
}

XmlNode XmlNode::AppendComment(std::string_view utf8) {
  // "--" cannot occur inside a comment, and a comment cannot end in "-".
  if (utf8.find("--") != std::string_view::npos || (!utf8.empty() && utf8.back() == '-')) {
    throw EXmlError("A comment cannot contain \"--\" or end with \"-\"");
  }
  pugi::xml_node child;
  if (!attribute_) child = node_.append_child(pugi::node_comment);
  if (!child) throw EXmlError("Node \"" + Name() + "\" cannot hold a comment");
  child.set_value(std::string(utf8).c_str());
  return XmlNode(child);
}

bool XmlNode::RemoveChild(const XmlNode& child) {
  if (attribute_ || child.attribute_ || !child.node_ || child.node_.parent() != node_) return false;
  RemoveSubtree(node_, child.node_);
  return true;
}

XmlNode XmlNode::SelectSingleNode(std::string_view xpath) const {
  pugi::xpath_query query = CompileXPath(xpath);
  if (IsNull()) return XmlNode();
  pugi::xpath_node context = attribute_ ? pugi::xpath_node(attribute_, node_) : pugi::xpath_node(node_);
  try {
    return FromXPathNode(query.evaluate_node_set(context).first());
  } catch (const pugi::xpath_exception& error) {
    throw EXmlError("XPath expression \"" + std::string(xpath) + "\" failed: " + error.what());
  }
}

XmlNodeList XmlNode::SelectNodes(std::string_view xpath) const {
  pugi::xpath_query query = CompileXPath(xpath);
  XmlNodeList list;
  if (IsNull()) return list;
  pugi::xpath_node context = attribute_ ? pugi::xpath_node(attribute_, node_) : pugi::xpath_node(node_);
  try {
    pugi::xpath_node_set nodes = query.evaluate_node_set(context);
    nodes.sort();
    list.reserve(nodes.size());
    for (const pugi::xpath_node& node : nodes) list.push_back(FromXPathNode(node));
  } catch (const pugi::xpath_exception& error) {
    throw EXmlError("XPath expression \"" + std::string(xpath) + "\" failed: " + error.what());
  }
  return list;
}

std::string XmlNode::Xml() const {
  std::string text;
  if (attribute_) {
    // An attribute prints as name="value" with the markup characters escaped.
    pugi::xml_document scratch;
    scratch.append_child("a").append_attribute(attribute_.name()).set_value(attribute_.value());
    StringWriter writer(&text);
    scratch.first_child().print(writer, "", pugi::format_raw);
    // Strip "<a " and "/>".
    return text.substr(3, text.size() - 5);
  }
  if (!node_) return text;
  StringWriter writer(&text);
  if (node_.type() == pugi::node_document) {
    for (pugi::xml_node child : node_.children()) child.print(writer, "", pugi::format_raw);
  } else {
    node_.print(writer, "", pugi::format_raw);
  }
  return text;
}

std::string XmlNode::ToCodePage(std::string_view utf8, int codePage) {
  if (codePage == kCodePageUtf8) return std::string(utf8);
  return WideToAnsi(Utf8ToWide(utf8), codePage);
}

std::string XmlNode::FromCodePage(std::string_view text, int codePage) {
  if (codePage == kCodePageUtf8) return std::string(text);
  return WideToUtf8(AnsiToWide(text, codePage));
}

// ---- XmlDocument ----

XmlDocument::XmlDocument() : doc_(std::make_unique<pugi::xml_document>()) {}
XmlDocument::~XmlDocument() = default;
XmlDocument::XmlDocument(XmlDocument&&) noexcept = default;
XmlDocument& XmlDocument::operator=(XmlDocument&&) noexcept = default;

XmlDocument XmlDocument::FromText(std::string_view bytes) {
  XmlDocument document;
  document.LoadText(bytes);
  return document;
}

XmlDocument XmlDocument::FromFile(const std::string& path) {
  XmlDocument document;
  document.LoadFile(path);
  return document;
}

void XmlDocument::Clear() {
  doc_->reset();
  declaredEncoding_.clear();
}

void XmlDocument::LoadText(std::string_view bytes) {
  Clear();
  auto starts = [&](std::string_view prefix) { return bytes.substr(0, prefix.size()) == prefix; };
  OffsetMapper mapper;

  // A byte-order mark decides the encoding whatever the declaration says.
  if (starts("\xEF\xBB\xBF")) {
    mapper.bias = 3;
    ParseUtf8(std::string(bytes.substr(3)), mapper);
    return;
  }
  if (starts(std::string_view("\xFF\xFE\0\0", 4)) || starts(std::string_view("\0\0\xFE\xFF", 4))) {
    throw EXmlError("UTF-32 XML documents are not supported");
  }
  int utf16 = 0;
  if (starts(std::string_view("\xFF\xFE", 2))) {
    utf16 = kCodePageUtf16LE;
    mapper.bias = 2;
  } else if (starts(std::string_view("\xFE\xFF", 2))) {
    utf16 = kCodePageUtf16BE;
    mapper.bias = 2;
  } else if (starts(std::string_view("<\0", 2))) {
    // Without a mark, a first "<" followed or preceded by a zero byte can
    // only be UTF-16.
    utf16 = kCodePageUtf16LE;
  } else if (starts(std::string_view("\0<", 2))) {
    utf16 = kCodePageUtf16BE;
  }
  if (utf16 != 0) {
    std::u16string wide = AnsiToWide(bytes.substr(mapper.bias), utf16);
    mapper.kind = OffsetMapper::Kind::kUtf16;
    ParseUtf8(WideToUtf8(wide), mapper);
    return;
  }

  std::optional<std::string> declared = DeclaredEncodingOf(bytes);
  EncodingInfo info = LookUpEncoding(declared.value_or(""));
  switch (info.decoding) {
    case Decoding::kUtf8:
      ParseUtf8(std::string(bytes), mapper);
      break;
    case Decoding::kLatin1: {
      std::u16string wide(bytes.begin(), bytes.end());
      for (size_t i = 0; i < bytes.size(); ++i) wide[i] = static_cast<unsigned char>(bytes[i]);
      mapper.kind = OffsetMapper::Kind::kLatin1;
      ParseUtf8(WideToUtf8(wide), mapper);
      break;
    }
    case Decoding::kCodePage:
      mapper.kind = OffsetMapper::Kind::kCodePage;
      mapper.codePage = info.decodeAs;
      ParseUtf8(WideToUtf8(AnsiToWide(bytes, info.decodeAs)), mapper);
      break;
    case Decoding::kUnknown:
      throw EXmlError("Unsupported XML encoding \"" + *declared + "\"");
  }
  declaredEncoding_ = declared.value_or("");
}

void XmlDocument::LoadWide(std::u16string_view text) {
  Clear();
  OffsetMapper mapper;
  mapper.kind = OffsetMapper::Kind::kWide;
  if (!text.empty() && text[0] == 0xFEFF) {
    text.remove_prefix(1);
    mapper.bias = 1;
  }
  ParseUtf8(WideToUtf8(text), mapper);
}

void XmlDocument::LoadFile(const std::string& path) {
  Clear();
  std::string bytes = ReadFile(path);
  try {
    LoadText(bytes);
  } catch (const EXmlError& error) {
    throw EXmlError(error.Message() + " in file \"" + path + "\"", error.Offset());
  }
}

void XmlDocument::ParseUtf8(std::string utf8, const OffsetMapper& mapper) {
  pugi::xml_parse_result result =
      doc_->load_buffer(utf8.data(), utf8.size(), kParseOptions, pugi::encoding_utf8);
  if (!result) {
    doc_->reset();
    size_t offset = static_cast<size_t>(result.offset < 0 ? 0 : result.offset);
    offset = Utf8Boundary(utf8, offset);
    std::ptrdiff_t inputOffset = mapper.Map(utf8, offset);
    // Line and column help a person find the place in an editor.
    size_t line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < offset; ++i) {
      if (utf8[i] == '\n') {
        ++line;
        lineStart = i + 1;
      }
    }
    size_t column = 1;
    for (size_t i = lineStart; i < offset; ++i) {
      if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) ++column;
    }
    throw EXmlError("XML parse error at offset " + std::to_string(inputOffset) + " (line " +
                        std::to_string(line) + ", column " + std::to_string(column) +
                        "): " + result.description(),
                    inputOffset);
  }
  // The DOM now holds UTF-8, so that is what its declaration must say.
  for (pugi::xml_node child : doc_->children()) {
    if (child.type() != pugi::node_declaration) continue;
    if (pugi::xml_attribute encoding = child.attribute("encoding")) encoding.set_value("UTF-8");
  }
}

XmlNode XmlDocument::Root() const { return XmlNode(doc_->root()); }

XmlNode XmlDocument::DocumentElement() const { return XmlNode(doc_->document_element()); }

std::string XmlDocument::ToText(int codePage, bool indent) const {
  if (codePage == 0) codePage = SystemCodePage();
  std::string label = EncodingLabelFor(codePage, declaredEncoding_);
  unsigned flags = pugi::format_no_declaration | (indent ? pugi::format_indent : pugi::format_raw);
  std::string utf8;
  StringWriter writer(&utf8);
  pugi::xml_node declaration;
  for (pugi::xml_node child : doc_->children()) {
    if (child.type() == pugi::node_declaration) {
      declaration = child;
      break;
    }
  }
  bool declarationWritten = false;
  auto writeDeclaration = [&]() {
    utf8 += DeclarationText(declaration, label);
    if (indent) utf8 += "\n";
    declarationWritten = true;
  };
  // A reader can only tell a code page from the declaration.
  if (!declaration && codePage != kCodePageUtf8) writeDeclaration();
  for (pugi::xml_node child : doc_->children()) {
    if (child.type() == pugi::node_declaration) {
      if (!declarationWritten) writeDeclaration();
      continue;
    }
    child.print(writer, "\t", flags);
  }
  if (codePage == kCodePageUtf8) return utf8;
  return EncodeMarkup(utf8, codePage);
}

void XmlDocument::Save(const std::string& path, int codePage, bool indent) const {
  WriteFileBytes(path, ToText(codePage, indent));
}

int CodePageOfXmlEncoding(std::string_view label) {
  EncodingInfo info = LookUpEncoding(label);
  if (info.decoding == Decoding::kCodePage) return info.codePage;
  if (info.decoding == Decoding::kUtf8 && !label.empty()) return kCodePageUtf8;
  return 0;
}

std::string XPathLiteral(std::string_view value) {
  bool hasSingle = value.find('\'') != std::string_view::npos;
  bool hasDouble = value.find('"') != std::string_view::npos;
  if (!hasSingle) return "'" + std::string(value) + "'";
  if (!hasDouble) return "\"" + std::string(value) + "\"";
  // Both kinds: single-quoted pieces with each single quote as "'" between.
  std::string result = "concat(";
  size_t start = 0;
  bool first = true;
  while (start <= value.size()) {
    size_t quote = value.find('\'', start);
    std::string_view piece =
        value.substr(start, quote == std::string_view::npos ? std::string_view::npos : quote - start);
    if (!piece.empty()) {
      if (!first) result += ", ";
      result += "'" + std::string(piece) + "'";
      first = false;
    }
    if (quote == std::string_view::npos) break;
    if (!first) result += ", ";
    result += "\"'\"";
    first = false;
    start = quote + 1;
  }
  result += ")";
  return result;
}

}  // namespace pellor
