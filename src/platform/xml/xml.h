// XML documents with XPath selection, on pugixml.
//
// Inside a document every text is UTF-8. The system keeps its texts in code
// pages (936, 950, 437), so documents arrive and leave in those code pages:
// a document whose declaration names a GB or Big5 encoding is decoded to
// UTF-8 through the runtime's code-page layer before it is parsed (pugixml
// knows no Chinese encodings and would keep the raw bytes), and a document can
// be written back in a code page with its declaration naming it. The texts a
// caller reads are UTF-8 unless it asks for a code page.
//
// XmlNode is a small handle into a document, valid as long as the document
// lives; it stands for an element, an attribute, or any other node, in the way
// DOM nodes do, because an XPath may select either (for example "//key/@Msg").
#ifndef PELLOR_XML_XML_H_
#define PELLOR_XML_XML_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "platform/rtl/codepage.h"
#include "platform/rtl/errors.h"

namespace pellor {

// Every failure of this layer: a document that is not well-formed, an XPath
// that does not compile, a name that XML does not allow, an unknown encoding,
// a file that cannot be read. `Offset` is where a parse error was found,
// counted in the units of the input (bytes for narrow text and files, UTF-16
// units for wide text), or -1 when the error has no position.
class EXmlError : public Exception {
 public:
  explicit EXmlError(const std::string& message, std::ptrdiff_t offset = -1)
      : Exception(message), offset_(offset) {}
  const char* ClassName() const override { return "EXmlError"; }
  std::ptrdiff_t Offset() const { return offset_; }

 private:
  std::ptrdiff_t offset_;
};

enum class XmlNodeType {
  kNull,
  kDocument,
  kElement,
  kAttribute,
  kText,
  kCData,
  kComment,
  kProcessingInstruction,
  kDeclaration,
  kDoctype,
};

class XmlNode;
using XmlNodeList = std::vector<XmlNode>;

class XmlNode {
 public:
  XmlNode() = default;
  explicit XmlNode(pugi::xml_node node) : node_(node) {}
  XmlNode(pugi::xml_attribute attribute, pugi::xml_node owner)
      : node_(owner), attribute_(attribute) {}

  bool IsNull() const { return !node_ && !attribute_; }
  explicit operator bool() const { return !IsNull(); }
  XmlNodeType Type() const;
  bool IsElement() const { return Type() == XmlNodeType::kElement; }
  bool IsAttribute() const { return static_cast<bool>(attribute_); }

  // The DOM name: the tag of an element, the name of an attribute, the target
  // of a processing instruction, "#text", "#cdata-section", "#comment",
  // "#document" for the others; empty for a null node.
  std::string Name() const;
  std::string Name(int codePage) const { return ToCodePage(Name(), codePage); }

  // The DOM text: for an element or the document all text below it
  // concatenated in document order (CDATA included); for an attribute its
  // value; for other nodes their value. Empty for a null node.
  std::string Text() const;
  std::string Text(int codePage) const { return ToCodePage(Text(), codePage); }
  // Element: replaces all children by one text node (none for an empty
  // text). Attribute, text, CDATA, comment: replaces the value. Raises
  // EXmlError on a null node or one that carries no text.
  void SetText(std::string_view utf8);
  void SetText(std::string_view text, int codePage) { SetText(FromCodePage(text, codePage)); }

  // Attributes of an element (names compare with case, as XML does).
  // Reading a missing attribute gives empty text; on a node that is not an
  // element these read as missing.
  bool HasAttribute(std::string_view name) const;
  std::string Attribute(std::string_view name) const;
  std::string Attribute(std::string_view name, int codePage) const {
    return ToCodePage(Attribute(name), codePage);
  }
  // The attribute node, null when missing.
  XmlNode AttributeNode(std::string_view name) const;
  XmlNodeList Attributes() const;
  // Sets the attribute, adding it when missing. Raises EXmlError when this is
  // not an element or the name is not an XML name.
  void SetAttribute(std::string_view name, std::string_view utf8Value);
  void SetAttribute(std::string_view name, std::string_view value, int codePage) {
    SetAttribute(name, FromCodePage(value, codePage));
  }
  bool RemoveAttribute(std::string_view name);

  // Navigation. Whitespace between elements is not kept as text nodes (as a
  // DOM that does not preserve white space), so the children of an element
  // that holds only elements are exactly those elements.
  XmlNode Parent() const;
  XmlNode FirstChild() const;
  XmlNode NextSibling() const;
  XmlNodeList Children() const;
  XmlNodeList ChildElements() const;
  // The first child element with this tag, null when there is none.
  XmlNode ChildElement(std::string_view name) const;

  // Building. The new node goes after the last child; raises EXmlError when
  // this node cannot hold children or the name is not an XML name.
  XmlNode AppendElement(std::string_view name);
  XmlNode AppendText(std::string_view utf8);
  XmlNode AppendComment(std::string_view utf8);
  // Removes a child node (with everything below it); false when `child` is
  // not a child of this node.
  bool RemoveChild(const XmlNode& child);

  // XPath 1.0 relative to this node. Raises EXmlError when the expression
  // does not compile or does not give a node set. Nodes come in document
  // order.
  XmlNode SelectSingleNode(std::string_view xpath) const;
  XmlNodeList SelectNodes(std::string_view xpath) const;

  // This node and everything below it as UTF-8 markup, without line breaks
  // or indentation.
  std::string Xml() const;

  pugi::xml_node PugiNode() const { return node_; }
  pugi::xml_attribute PugiAttribute() const { return attribute_; }

  friend bool operator==(const XmlNode& a, const XmlNode& b) {
    return a.node_ == b.node_ && a.attribute_ == b.attribute_;
  }

  // UTF-8 text to and from a code page (936, 950, 437, ...). Characters the
  // code page lacks become "?".
  static std::string ToCodePage(std::string_view utf8, int codePage);
  static std::string FromCodePage(std::string_view text, int codePage);

 private:
  pugi::xml_node node_;            // the node, or the owner element of an attribute
  pugi::xml_attribute attribute_;  // set for attribute nodes
};

// One document. Movable, not copyable; nodes handed out point into it.
class XmlDocument {
 public:
  XmlDocument();
  ~XmlDocument();
  XmlDocument(XmlDocument&&) noexcept;
  XmlDocument& operator=(XmlDocument&&) noexcept;
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  // Parses a document from its bytes, replacing the content. The encoding is
  // taken from a byte-order mark, else from the declaration (GB2312, GBK,
  // GB18030, CP936 decode as GB18030, which covers the other two; Big5,
  // BIG5-HKSCS, CP950 as code page 950; IBM437; UTF-8, UTF-16, ISO-8859-1),
  // else UTF-8. Afterwards the declaration, if any, names UTF-8, which is
  // what the document holds. Raises EXmlError with the parser's description
  // and the byte offset; the document is then left empty.
  void LoadText(std::string_view bytes);
  // Parses text that is already decoded: a declared encoding is ignored, as
  // when a DOM is handed a wide string. Offsets count UTF-16 units.
  void LoadWide(std::u16string_view text);
  // Reads the file and parses its bytes as LoadText does. A file that cannot
  // be read raises EXmlError naming the file and the reason.
  void LoadFile(const std::string& path);

  static XmlDocument FromText(std::string_view bytes);
  static XmlDocument FromFile(const std::string& path);

  // The encoding label the last load found in the declaration ("GB2312"),
  // empty when there was none.
  const std::string& DeclaredEncoding() const { return declaredEncoding_; }

  // The document node and its element (null when the document is empty).
  XmlNode Root() const;
  XmlNode DocumentElement() const;
  XmlNode SelectSingleNode(std::string_view xpath) const { return Root().SelectSingleNode(xpath); }
  XmlNodeList SelectNodes(std::string_view xpath) const { return Root().SelectNodes(xpath); }

  // Empties the document.
  void Clear();

  // The document as text in a code page (UTF-8 by default; 0 is the
  // machine's code page). The declaration,
  // when the document has one, names that encoding; a document in a code page
  // other than UTF-8 always gets one so that a reader can decode it.
  // Characters the code page lacks are written as character references in
  // text and attribute values (so nothing is lost); elsewhere (names,
  // comments, CDATA) they become "?". `indent` lays elements out on lines
  // indented by tabs; texts are never changed by it.
  std::string ToText(int codePage = kCodePageUtf8, bool indent = false) const;
  // Writes ToText to a file (through a temporary file and a rename). Raises
  // EInOutError when the file cannot be written.
  void Save(const std::string& path, int codePage = kCodePageUtf8, bool indent = false) const;

  pugi::xml_document& Pugi() { return *doc_; }
  const pugi::xml_document& Pugi() const { return *doc_; }

 private:
  struct OffsetMapper;
  void ParseUtf8(std::string utf8, const OffsetMapper& mapper);

  std::unique_ptr<pugi::xml_document> doc_;
  std::string declaredEncoding_;
};

// The code page a declared encoding label stands for (GB* → 936, Big5* → 950,
// UTF-8 → 65001, IBM437 → 437), 0 for labels this layer does not convert.
int CodePageOfXmlEncoding(std::string_view label);

// An XPath string literal that stands for `value` exactly. XPath 1.0 has no
// escape inside a literal, so a value with single quotes is put in double
// quotes, and one with both kinds becomes concat('...', "'", '...').
std::string XPathLiteral(std::string_view value);

}  // namespace pellor

#endif  // PELLOR_XML_XML_H_
