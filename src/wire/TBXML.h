#pragma once
// TBXML: a small, fast, non-validating XML reader.
//
// The reader copies the document into one buffer that it owns and cuts that buffer in place (NUL
// bytes) into names, texts and attribute values; element and attribute records come from pools of
// fixed-size chunks and point into the buffer. Records and the views handed out stay valid while the
// reader lives. Entities are not decoded, namespaces are not known, closing tags are not matched
// against the open element, and nothing is reported: a malformed document gives a partial tree.
// Whatever the input, the reader never reads or moves a byte outside its buffer.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace td {

struct TBXMLAttribute {
  char* name = nullptr;
  char* value = nullptr;
  TBXMLAttribute* next = nullptr;
};

struct TBXMLElement {
  char* name = nullptr;
  char* text = nullptr;  // none for an element that has a child with a closing tag, or self-closing
  TBXMLAttribute* firstAttribute = nullptr;
  TBXMLElement* parentElement = nullptr;
  TBXMLElement* firstChild = nullptr;
  TBXMLElement* currentChild = nullptr;  // last child appended so far
  TBXMLElement* nextSibling = nullptr;
  TBXMLElement* previousSibling = nullptr;
};

class TBXML {
 public:
  // Records per pool chunk.
  static constexpr std::size_t kChunkSize = 100;

  // An empty reader: no document, no root.
  TBXML();
  ~TBXML();
  TBXML(const TBXML&) = delete;
  TBXML& operator=(const TBXML&) = delete;

  // Factories. The text or bytes are copied into the reader's buffer and parsed at once.
  static std::unique_ptr<TBXML> tbxmlWithXMLString(std::string_view text);
  static std::unique_ptr<TBXML> tbxmlWithXMLData(const void* bytes, std::size_t length);
  // A "file:" URL (or a plain path): the file's contents as text; an unreadable file gives an
  // empty reader (no error is reported). Other schemes are not read by this layer.
  static std::unique_ptr<TBXML> tbxmlWithURL(std::string_view url);
  // A resource of the application's resource folder (Resources::directory()), named with its
  // extension ("feed.xml") or with the extension given apart. A "gz" file is inflated first; an
  // unreadable file gives an empty reader.
  static std::unique_ptr<TBXML> tbxmlWithXMLFile(std::string_view fileNameWithExtension);
  static std::unique_ptr<TBXML> tbxmlWithXMLFile(std::string_view fileName, std::string_view extension);

  // Initialisers of an empty reader (replace nothing once parsed; call once).
  void initWithXMLString(std::string_view text);
  void decodeData(const void* bytes, std::size_t length);

  // The first element of the document, or none.
  TBXMLElement* rootXMLElement() const { return rootXMLElement_; }

  // Texts of records. An absent name or text gives ""; bytes that are not valid UTF-8 give none.
  static std::optional<std::string> elementName(const TBXMLElement* element);
  static std::optional<std::string> textForElement(const TBXMLElement* element);
  static std::optional<std::string> attributeName(const TBXMLAttribute* attribute);
  static std::optional<std::string> attributeValue(const TBXMLAttribute* attribute);

  // Raw views into the buffer (no copy, no UTF-8 check); "" when absent.
  static std::string_view nameView(const TBXMLElement* element);
  static std::string_view textView(const TBXMLElement* element);
  static std::string_view nameView(const TBXMLAttribute* attribute);
  static std::string_view valueView(const TBXMLAttribute* attribute);

  // True when the bytes are well-formed UTF-8.
  static bool isValidUtf8(std::string_view bytes);

  // Value of the element's first attribute with exactly that name (case-sensitive), or none.
  static std::optional<std::string> valueOfAttributeNamed(std::string_view name, const TBXMLElement* element);
  // First child of the element with exactly that name, or none.
  static TBXMLElement* childElementNamed(std::string_view name, const TBXMLElement* parent);
  // First later sibling of the element with exactly that name, or none.
  static TBXMLElement* nextSiblingNamed(std::string_view name, const TBXMLElement* from);

  // Pool figures, for diagnostics and tests.
  std::size_t elementChunkCount() const { return elementChunks_.size(); }
  std::size_t attributeChunkCount() const { return attributeChunks_.size(); }
  // Length of the document in bytes (without the terminating NUL).
  std::size_t bytesLength() const { return bytesLength_; }

 private:
  TBXMLElement* nextAvailableElement();
  TBXMLAttribute* nextAvailableAttribute();
  void decodeBytes();

  TBXMLElement* rootXMLElement_ = nullptr;
  std::vector<std::unique_ptr<TBXMLElement[]>> elementChunks_;
  std::vector<std::unique_ptr<TBXMLAttribute[]>> attributeChunks_;
  std::int64_t currentElement_ = 0;
  std::int64_t currentAttribute_ = 0;
  std::unique_ptr<char[]> bytes_;
  std::size_t bytesLength_ = 0;
};

}  // namespace td
