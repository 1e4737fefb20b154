#include "model/XmlTables.h"

#include "platform/Log.h"
#include "wire/TBXML.h"

namespace td {

std::optional<std::string_view> XmlRow::get(std::string_view column) const {
  for (auto it = cells.rbegin(); it != cells.rend(); ++it) {
    if (it->first == column) return it->second;
  }
  return std::nullopt;
}

const XmlTable* XmlTables::table(std::string_view name) const {
  auto it = tables.find(name);
  return it == tables.end() ? nullptr : &it->second;
}

XmlTables parseXml(std::string_view text) {
  XmlTables out;
  std::shared_ptr<TBXML> document = TBXML::tbxmlWithXMLString(text);
  out.document = document;
  const TBXMLElement* e = document->rootXMLElement();
  std::size_t dropped = 0;
  XmlTable* current = nullptr;
  // Pre-order walk over the first-child and next-sibling links, without recursion.
  while (e != nullptr) {
    const std::string_view name = TBXML::nameView(e);
    if (name.find("Table") != std::string_view::npos) {
      if (!TBXML::isValidUtf8(name)) {
        ++dropped;
      } else {
        if (current == nullptr || name != out.tableName) {
          out.tableName.assign(name);
          current = &out.tables[out.tableName];
        }
        XmlRow& row = current->emplace_back();
        for (const TBXMLElement* c = e->firstChild; c != nullptr; c = c->nextSibling) {
          const std::string_view cellName = TBXML::nameView(c);
          const std::string_view cellText = TBXML::textView(c);
          if (!TBXML::isValidUtf8(cellName) || !TBXML::isValidUtf8(cellText)) {
            ++dropped;
            continue;
          }
          row.cells.emplace_back(cellName, cellText);
        }
      }
    }
    if (e->firstChild != nullptr) {
      e = e->firstChild;
      continue;
    }
    while (e != nullptr && e->nextSibling == nullptr) e = e->parentElement;
    if (e != nullptr) e = e->nextSibling;
  }
  if (dropped > 0) TD_LOG_WARN("XML data set: dropped " + std::to_string(dropped) + " element(s) that are not UTF-8");
  return out;
}

}  // namespace td
