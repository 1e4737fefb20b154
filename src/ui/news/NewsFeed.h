#pragma once
// The news service's side of the news panel, without widgets: the categories, the address of a
// category's feed, the decoding of a feed's bytes into text and the walk that collects its items.

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace td {

// Column identifiers of the headline list; each column's header shows its identifier.
inline constexpr const char* SUBJECT_NEWS = "Subject";
inline constexpr const char* TIME_NEWS = "Time";

// The categories in the chooser's order; a title is also what the service is asked for.
inline constexpr std::array<const char*, 16> kNewsCategories{
    "BreakingNews", "Business", "Commodities", "Education", "Entertainment", "Financial", "Forex", "Health",
    "Political",    "Science",  "Sports",      "Stocks",    "Technology",    "TopNews",   "Weather", "WorldNews"};

// One item of a feed: the text of each child element of an "item" element, by the child's name
// (a later child of the same name replaces an earlier one).
using NewsItem = std::map<std::string, std::string>;

// "http://" + host + "//news/Service1.asmx/Rss2_V2?category=" + category + "&newsID=&maxCount=",
// the category as it stands.
std::string newsFeedAddress(std::string_view host, std::string_view category);

// A feed's bytes as UTF-8 text, decoded by the character set its Content-Type names, else by the
// encoding its XML declaration names, else as ISO Latin-1. A character set the converter does not
// know counts as none. `text` is empty when the bytes are not valid in the chosen encoding.
struct FeedText {
  std::optional<std::string> text;
  std::string encoding;  // the IANA name used
};
FeedText decodeFeedText(std::string_view body, std::optional<std::string_view> contentType);

// The encoding named by an XML declaration at the start of the bytes ("<?xml ... encoding='x'?>"),
// or nothing.
std::optional<std::string> xmlDeclaredEncoding(std::string_view body);

// XML text with its character references (&#38; &#x26;) and the five predefined entities (&amp;
// &lt; &gt; &quot; &apos;) replaced; any other "&" stands as written, as does a reference to a
// code point that is not a character.
std::string decodeXmlEntities(std::string_view text);

// Every "item" element of the document, at any depth, in document order (an item before the items
// nested inside it); none when the text holds no element. Texts come with their references
// replaced.
std::vector<NewsItem> parseNewsItems(std::string_view xml);

}  // namespace td
