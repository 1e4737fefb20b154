#include "wire/TBXML.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "wire/NSDataAdditions.h"

#include <string>
#include <vector>

namespace td {
namespace {

std::string name(const TBXMLElement* e) { return TBXML::elementName(e).value_or("<invalid>"); }
std::string text(const TBXMLElement* e) { return TBXML::textForElement(e).value_or("<invalid>"); }

std::vector<std::string> childNames(const TBXMLElement* e) {
  std::vector<std::string> out;
  for (const TBXMLElement* c = e->firstChild; c; c = c->nextSibling) out.push_back(name(c));
  return out;
}

TEST(TBXMLTree, RootWithTwoChildrenLinksThemInOrderAndTrimsTheirTexts) {
  auto xml = TBXML::tbxmlWithXMLString("<root>\n  <a>  one </a>\n  <b>\ttwo\n</b>\n</root>");
  TBXMLElement* root = xml->rootXMLElement();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(name(root), "root");
  EXPECT_EQ(root->text, nullptr);
  EXPECT_EQ(text(root), "");
  ASSERT_EQ(childNames(root), (std::vector<std::string>{"a", "b"}));
  const TBXMLElement* a = root->firstChild;
  const TBXMLElement* b = a->nextSibling;
  EXPECT_EQ(text(a), "one");
  EXPECT_EQ(text(b), "two");
  EXPECT_EQ(b->previousSibling, a);
  EXPECT_EQ(a->parentElement, root);
  EXPECT_EQ(b->parentElement, root);
  EXPECT_EQ(root->currentChild, b);
  EXPECT_EQ(b->nextSibling, nullptr);
}

TEST(TBXMLTree, NestedElementsAndTextRules) {
  // Text after a child is never recorded; an element with only self-closing children keeps the
  // text before its first child (untrimmed, since no closing tag of its own trimmed it yet).
  auto xml = TBXML::tbxmlWithXMLString("<r><p>lead<c/>tail<d/></p><q>x<i>in</i>after</q><e></e></r>");
  TBXMLElement* r = xml->rootXMLElement();
  ASSERT_EQ(childNames(r), (std::vector<std::string>{"p", "q", "e"}));
  const TBXMLElement* p = r->firstChild;
  EXPECT_EQ(text(p), "lead");
  ASSERT_EQ(childNames(p), (std::vector<std::string>{"c", "d"}));
  EXPECT_EQ(p->firstChild->text, nullptr);  // self-closing: no text
  const TBXMLElement* q = p->nextSibling;
  EXPECT_EQ(q->text, nullptr);  // its child had a closing tag
  EXPECT_EQ(text(q->firstChild), "in");
  const TBXMLElement* e = q->nextSibling;
  ASSERT_NE(e->text, nullptr);
  EXPECT_EQ(text(e), "");
}

TEST(TBXMLTree, SelfClosingElementDoesNotBecomeCurrent) {
  auto xml = TBXML::tbxmlWithXMLString("<r><a x='1'/><b/><c>t</c></r>");
  TBXMLElement* r = xml->rootXMLElement();
  EXPECT_EQ(childNames(r), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(r->firstChild->firstChild, nullptr);
  EXPECT_EQ(TBXML::valueOfAttributeNamed("x", r->firstChild), "1");
}

TEST(TBXMLTree, NameEndsOnlyAtSpaceOrSlash) {
  auto xml = TBXML::tbxmlWithXMLString("<r><a/><b\tk=\"v\">t</b><c\nd>u</c></r>");
  TBXMLElement* r = xml->rootXMLElement();
  EXPECT_EQ(childNames(r), (std::vector<std::string>{"a", "b\tk=\"v\"", "c\nd"}));
  EXPECT_EQ(r->firstChild->nextSibling->firstAttribute, nullptr);
}

TEST(TBXMLTree, CommentsDeclarationsAndDoctypeBeforeTheRootAreSkipped) {
  auto xml = TBXML::tbxmlWithXMLString(
      "<?xml version=\"1.0\"?>\n<!-- <fake>x</fake> -->\n<!DOCTYPE r>\n<r><!-- c --><a>1</a></r>");
  TBXMLElement* r = xml->rootXMLElement();
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(name(r), "r");
  EXPECT_EQ(childNames(r), (std::vector<std::string>{"a"}));
}

TEST(TBXMLTree, OddTagsFollowTheCuttingRules) {
  // A closing tag with no open element is ignored; a tag ended by "<" loses the next tag's "<";
  // a ">" right after a tag end leaves the element without text.
  auto xml = TBXML::tbxmlWithXMLString("</stray><r><a <b>x</b><c>>y</c></r>");
  TBXMLElement* r = xml->rootXMLElement();
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(name(r), "r");
  ASSERT_EQ(childNames(r), (std::vector<std::string>{"a", "c"}));  // "</b>" closed a
  const TBXMLElement* a = r->firstChild;
  EXPECT_EQ(a->firstAttribute, nullptr);
  EXPECT_EQ(text(a), "b>x");
  EXPECT_EQ(a->nextSibling->text, nullptr);
}

TEST(TBXMLTree, CdataBecomesPlainTextWithoutMarkers) {
  auto xml = TBXML::tbxmlWithXMLString("<r><a><![CDATA[x < y && y > z]]></a><b>pre <![CDATA[<i>]]> post</b></r>");
  TBXMLElement* r = xml->rootXMLElement();
  ASSERT_EQ(childNames(r), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(text(r->firstChild), "x < y && y > z");
  EXPECT_EQ(text(r->firstChild->nextSibling), "pre <i> post");
}

TEST(TBXMLTree, AdjacentCdataSectionsJoin) {
  auto xml = TBXML::tbxmlWithXMLString("<r><![CDATA[a<]]><![CDATA[>b]]></r>");
  EXPECT_EQ(text(xml->rootXMLElement()), "a<>b");
}

TEST(TBXMLTree, CdataRunsMoveOverTheirMarkersAndLeaveSpacesBeforeTheNextTag) {
  // Unclosed elements keep their untrimmed text, which shows the bytes as the reader left them.
  EXPECT_EQ(text(TBXML::tbxmlWithXMLString("<r>x<![CDATA[a<]]>y<![CDATA[>b]]>z")->rootXMLElement()),
            "xa<y>bz" + std::string(24, ' '));
  EXPECT_EQ(text(TBXML::tbxmlWithXMLString("<r>x<![CDATA[a]]>y<![CDATA[b")->rootXMLElement()),
            "xay<![CDATA[b" + std::string(12, ' '));
  auto xml = TBXML::tbxmlWithXMLString("<r><a>x<![CDATA[1]]><![CDATA[2]]>y</a><b/></r>");
  EXPECT_EQ(childNames(xml->rootXMLElement()), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(text(xml->rootXMLElement()->firstChild), "x12y");
}

TEST(TBXMLTree, EntitiesStayAsWritten) {
  auto xml = TBXML::tbxmlWithXMLString("<r k=\"a&amp;b\">x &lt; y</r>");
  EXPECT_EQ(text(xml->rootXMLElement()), "x &lt; y");
  EXPECT_EQ(TBXML::valueOfAttributeNamed("k", xml->rootXMLElement()), "a&amp;b");
}

TEST(TBXMLTree, HundredAndOneElementsUseTwoChunks) {
  std::string doc = "<r>";
  for (int i = 0; i < 100; ++i) doc += "<e>" + std::to_string(i) + "</e>";
  doc += "</r>";
  auto xml = TBXML::tbxmlWithXMLString(doc);
  EXPECT_EQ(xml->elementChunkCount(), 2u);
  const TBXMLElement* last = xml->rootXMLElement()->currentChild;
  EXPECT_EQ(text(last), "99");
  // The 101st element is record 0 of the second chunk: not adjacent to the 100th.
  EXPECT_NE(last, last->previousSibling + 1);
  EXPECT_EQ(last->previousSibling, xml->rootXMLElement() + 99);
}

TEST(TBXMLAttributes, QuotesCdataAndLookups) {
  auto xml = TBXML::tbxmlWithXMLString(
      "<r a='say \"hi\"' b=\"it's\" longname=\"1\" c=\"<![CDATA[q\"uote>]]>!\" d = 'sp'>t</r>");
  const TBXMLElement* r = xml->rootXMLElement();
  EXPECT_EQ(name(r), "r");
  EXPECT_EQ(TBXML::valueOfAttributeNamed("a", r), "say \"hi\"");
  EXPECT_EQ(TBXML::valueOfAttributeNamed("b", r), "it's");
  EXPECT_EQ(TBXML::valueOfAttributeNamed("c", r), "q\"uote>!");
  EXPECT_EQ(TBXML::valueOfAttributeNamed("d", r), "sp");
  EXPECT_EQ(TBXML::valueOfAttributeNamed("long", r), std::nullopt);
  EXPECT_EQ(TBXML::valueOfAttributeNamed("A", r), std::nullopt);
  std::vector<std::string> names;
  for (const TBXMLAttribute* at = r->firstAttribute; at; at = at->next) names.push_back(*TBXML::attributeName(at));
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "longname", "c", "d"}));
  EXPECT_EQ(text(r), "t");
}

TEST(TBXMLAttributes, NameWithoutQuotedValueMakesNoAttribute) {
  auto xml = TBXML::tbxmlWithXMLString("<r flag other=unquoted>t</r>");
  EXPECT_EQ(xml->rootXMLElement()->firstAttribute, nullptr);
  EXPECT_EQ(TBXML::attributeName(nullptr), "");
  EXPECT_EQ(TBXML::attributeValue(nullptr), "");
}

TEST(TBXMLLookups, ChildAndSiblingByExactName) {
  auto xml = TBXML::tbxmlWithXMLString("<r><ab/><a>1</a><b/><a>2</a></r>");
  const TBXMLElement* r = xml->rootXMLElement();
  TBXMLElement* a = TBXML::childElementNamed("a", r);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(text(a), "1");
  TBXMLElement* a2 = TBXML::nextSiblingNamed("a", a);
  ASSERT_NE(a2, nullptr);
  EXPECT_EQ(text(a2), "2");
  EXPECT_EQ(TBXML::nextSiblingNamed("a", a2), nullptr);
  EXPECT_EQ(TBXML::childElementNamed("zz", r), nullptr);
  EXPECT_EQ(TBXML::childElementNamed("a", nullptr), nullptr);
}

TEST(TBXMLInput, EmptyOrElementlessDocumentsHaveNoRoot) {
  EXPECT_EQ(TBXML().rootXMLElement(), nullptr);
  EXPECT_EQ(TBXML::tbxmlWithXMLString("")->rootXMLElement(), nullptr);
  EXPECT_EQ(TBXML::tbxmlWithXMLString("just text")->rootXMLElement(), nullptr);
  EXPECT_EQ(TBXML::tbxmlWithXMLString("<?xml?><!-- c -->")->rootXMLElement(), nullptr);
  EXPECT_EQ(TBXML::elementName(nullptr), "");
  EXPECT_EQ(TBXML::textForElement(nullptr), "");
}

TEST(TBXMLInput, UnterminatedConstructsEndTheParseKeepingWhatWasRead) {
  struct Case {
    const char* doc;
    std::vector<std::string> children;
  };
  const Case cases[] = {
      {"<r><a>1</a><!-- never closed <b>2</b>", {"a"}},
      {"<r><a>1</a><![CDATA[ never closed <b>2</b>", {"a"}},
      {"<r><a>1</a><b attr=\"x", {"a"}},
      {"<r><a>1</a><b", {"a"}},
      {"<r><a>1</a><b x=\"<![CDATA[ y", {"a"}},
  };
  for (const Case& c : cases) {
    auto xml = TBXML::tbxmlWithXMLString(c.doc);
    ASSERT_NE(xml->rootXMLElement(), nullptr) << c.doc;
    EXPECT_EQ(childNames(xml->rootXMLElement()), c.children) << c.doc;
  }
}

TEST(TBXMLInput, CdataRunningToTheEndOfTheDocument) {
  auto xml = TBXML::tbxmlWithXMLString("<r>a<![CDATA[<x>]]>tail");
  EXPECT_EQ(text(xml->rootXMLElement()), "a<x>tail            ");
}

TEST(TBXMLInput, InvalidUtf8GivesNoString) {
  auto xml = TBXML::tbxmlWithXMLString("<r><a>\xC3\xA9</a><b>\xFF\xFE</b><c\xC0\xAF/></r>");
  const TBXMLElement* a = xml->rootXMLElement()->firstChild;
  EXPECT_EQ(TBXML::textForElement(a), "\xC3\xA9");
  EXPECT_EQ(TBXML::textForElement(a->nextSibling), std::nullopt);
  EXPECT_EQ(TBXML::elementName(a->nextSibling->nextSibling), std::nullopt);
}

TEST(TBXMLInput, EmbeddedNulBytesAreSafe) {
  const char doc[] = "<r><a>x\0y</a><b>z</b></r>";
  auto xml = TBXML::tbxmlWithXMLData(doc, sizeof doc - 1);
  EXPECT_EQ(childNames(xml->rootXMLElement()), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(text(xml->rootXMLElement()->firstChild), "x");
}

// Every prefix of a document, and every document with one byte changed to a markup character,
// parses without reading outside the buffer (the sanitizer builds check this).
TEST(TBXMLInput, EveryTruncationAndMarkupSubstitutionIsSafe) {
  const std::string doc =
      "<?xml version='1.0'?><!-- c --><r a=\"1\" b='<![CDATA[x\"]]>'><t>v<![CDATA[<>]]>w</t>"
      "<s/><u k=\"v\"/><![CDATA[z]]></r>";
  const char markup[] = {'<', '>', '/', '"', '\'', '!', '[', ']', '-', '?', ' ', '='};
  for (std::size_t n = 0; n <= doc.size(); ++n) {
    auto xml = TBXML::tbxmlWithXMLData(doc.data(), n);
    (void)xml->rootXMLElement();
  }
  std::size_t elements = 0;
  for (std::size_t i = 0; i < doc.size(); ++i) {
    for (char m : markup) {
      std::string mutated = doc;
      mutated[i] = m;
      auto xml = TBXML::tbxmlWithXMLString(mutated);
      for (const TBXMLElement* e = xml->rootXMLElement(); e; e = e->firstChild) {
        ++elements;
        (void)TBXML::textForElement(e);
        for (const TBXMLAttribute* a = e->firstAttribute; a; a = a->next) (void)TBXML::attributeValue(a);
      }
    }
  }
  EXPECT_GT(elements, 0u);
}

TEST(TBXMLInput, LongRunOfCdataSectionsStaysLinear) {
  std::string doc = "<r>";
  for (int i = 0; i < 50000; ++i) doc += "<![CDATA[x]]>";
  doc += "</r>";
  auto xml = TBXML::tbxmlWithXMLString(doc);
  EXPECT_EQ(TBXML::textView(xml->rootXMLElement()).size(), 50000u);
}

TEST(TBXMLFiles, UnreadableSourcesGiveAnEmptyReader) {
  EXPECT_EQ(TBXML::tbxmlWithURL("file:///nonexistent/x.xml")->rootXMLElement(), nullptr);
  EXPECT_EQ(TBXML::tbxmlWithURL("ftp://host/x.xml")->rootXMLElement(), nullptr);
  EXPECT_EQ(TBXML::tbxmlWithXMLFile("no-such-resource.xml")->rootXMLElement(), nullptr);
}

TEST(TBXMLFiles, ResourceFilesAndFileUrlsArePlainOrGzip) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("tbxml_test_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string doc = "<feed><title>T</title></feed>";
  std::ofstream(dir / "feed.xml", std::ios::binary) << doc;
  std::ofstream(dir / "feed.gz", std::ios::binary) << NSDataAdditions::gzipDeflate(doc).value();
  ::setenv("TARNWICKDESK_RESOURCES", dir.c_str(), 1);
  std::vector<std::unique_ptr<TBXML>> readers;
  readers.push_back(TBXML::tbxmlWithXMLFile("feed.xml"));
  readers.push_back(TBXML::tbxmlWithXMLFile("feed", "xml"));
  readers.push_back(TBXML::tbxmlWithXMLFile("feed.gz"));
  readers.push_back(TBXML::tbxmlWithURL("file://" + (dir / "feed.xml").string()));
  for (const auto& xml : readers) {
    ASSERT_NE(xml->rootXMLElement(), nullptr);
    EXPECT_EQ(text(TBXML::childElementNamed("title", xml->rootXMLElement())), "T");
  }
  ::unsetenv("TARNWICKDESK_RESOURCES");
  fs::remove_all(dir);
}

}  // namespace
}  // namespace td
