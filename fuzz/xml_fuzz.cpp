// Fuzz target: the XML reader and the XML table walk of the login data set.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/ReferenceData.h"
#include "model/XmlTables.h"
#include "platform/Log.h"
#include "wire/TBXML.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  td::log::setLevel(td::log::Level::Off);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto xml = td::TBXML::tbxmlWithXMLData(data, size);
  std::size_t work = 0;
  // Walk every element and attribute through the links, reading every string.
  for (const td::TBXMLElement* e = xml->rootXMLElement(); e != nullptr;) {
    work += td::TBXML::elementName(e).value_or("").size();
    work += td::TBXML::textForElement(e).value_or("").size();
    for (const td::TBXMLAttribute* a = e->firstAttribute; a != nullptr; a = a->next) {
      work += td::TBXML::attributeName(a).value_or("").size() + td::TBXML::attributeValue(a).value_or("").size();
    }
    const std::string_view name = td::TBXML::nameView(e);
    if (td::TBXML::childElementNamed(name, e) != nullptr) ++work;
    if (td::TBXML::nextSiblingNamed(name, e) != nullptr) ++work;
    if (td::TBXML::valueOfAttributeNamed(name, e)) ++work;
    if (e->firstChild != nullptr) {
      e = e->firstChild;
      continue;
    }
    while (e != nullptr && e->nextSibling == nullptr) e = e->parentElement;
    if (e != nullptr) e = e->nextSibling;
  }
  const td::XmlTables tables = td::parseXml(std::string_view(reinterpret_cast<const char*>(data), size));
  td::ReferenceData reference;
  reference.FillTableDetails(tables);
  work += reference.ItemCollection().size() + reference.getItemCode(1).size();
  return work == static_cast<std::size_t>(-1) ? 1 : 0;
}
