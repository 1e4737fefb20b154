// The news panel's logic without widgets or network: the feed address and request, the decoding of
// a feed's bytes, the walk that collects its items, the cells, the link check and which responses
// may replace the list.

#include "ui/news/NewsTableController.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Log.h"
#include "platform/ManualMainQueue.h"

namespace td {
namespace {

using namespace std::string_literals;

class NewsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MainQueue::setInstance(&queue_);
    log::setSink([this](log::Level level, std::string_view text) {
      if (level >= log::Level::Warning) logged_.emplace_back(text);
    });
  }
  void TearDown() override {
    controller_.reset();
    started_.clear();
    queue_.runPending();
    log::setSink({});
    MainQueue::setInstance(nullptr);
  }

  // A controller whose requests are kept here, not sent, and whose links land in `opened_`.
  NewsTableController& controller() {
    if (!controller_) {
      NewsTableController::Hooks hooks;
      hooks.startRequest = [this](const ASIHTTPRequest::Ptr& request) { started_.push_back(request); };
      hooks.openWebAddress = [this](const std::string& address) {
        opened_.push_back(address);
        return browserWorks_;
      };
      controller_ = std::make_unique<NewsTableController>("news.example:8411", std::move(hooks));
    }
    return *controller_;
  }

  // Answers a request the controller started as the service would.
  void answer(const ASIHTTPRequest::Ptr& request, int status, const std::string& body,
              std::optional<std::string> contentType = "text/xml; charset=utf-8") {
    request->setResponseStatusCode(status);
    HTTPHeaders headers;
    if (contentType) headers.set("Content-Type", *contentType);
    request->setResponseHeaders(headers);
    request->setRawResponseData(body);
    request->delegate()->requestFinished(*request);
  }

  std::vector<std::string> titles() const {
    std::vector<std::string> out;
    for (const NewsItem& item : controller_->webDataList()) out.push_back(item.count("title") ? item.at("title") : "-");
    return out;
  }

  static std::string feed(const std::vector<std::string>& titles) {
    std::string xml = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>t</title>";
    for (const auto& t : titles)
      xml += "<item><title>" + t + "</title><link>http://news.example/a?x=1&amp;y=2</link><pubDate>Tue, 14 May "
             "2024 09:30:00 GMT</pubDate></item>";
    return xml + "</channel></rss>";
  }

  ManualMainQueue queue_;
  std::unique_ptr<NewsTableController> controller_;
  std::vector<ASIHTTPRequest::Ptr> started_;
  std::vector<std::string> opened_;
  std::vector<std::string> logged_;
  bool browserWorks_ = true;
};

TEST_F(NewsTest, EachChoiceStartsOneGetOfTheCategorysFeedThatRetriesTwiceOnTimeOut) {
  EXPECT_EQ(newsFeedAddress("127.0.0.1:8411", "Forex"),
            "http://127.0.0.1:8411//news/Service1.asmx/Rss2_V2?category=Forex&newsID=&maxCount=");
  controller().PopUpItemSelected("Forex");
  controller().PopUpItemSelected("Stocks");
  ASSERT_EQ(started_.size(), 2u);
  const ASIHTTPRequest& request = *started_[1];
  EXPECT_EQ(request.url().absoluteString(),
            "http://news.example:8411//news/Service1.asmx/Rss2_V2?category=Stocks&newsID=&maxCount=");
  EXPECT_EQ(request.url().path(), "//news/Service1.asmx/Rss2_V2");
  EXPECT_EQ(request.requestMethod(), "GET");
  EXPECT_EQ(request.numberOfTimesToRetryOnTimeout(), 2);
  EXPECT_EQ(request.delegate(), &controller());
  EXPECT_EQ(request.userInfo().at(NewsTableController::kCategoryKey), "Stocks");
  EXPECT_EQ(controller().selectedCategory(), "Stocks");
}

TEST_F(NewsTest, TheWalkCollectsEveryItemAtAnyDepthInDocumentOrder) {
  const auto items = parseNewsItems(
      "<rss><channel><title>feed</title>"
      "<item><title>first</title><link>l1</link><pubDate>d1</pubDate><title>first, again</title>"
      "<description><item><title>nested</title></item></description></item>"
      "<group><item></item></group>"
      "<item><title>last</title></item>"
      "</channel></rss>");
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].at("title"), "first, again");  // the later child of a name wins
  EXPECT_EQ(items[0].at("link"), "l1");
  EXPECT_EQ(items[0].at("pubDate"), "d1");
  EXPECT_EQ(items[0].at("description"), "");        // a child with children has no text
  EXPECT_EQ(items[1].at("title"), "nested");        // after the item it sits in
  EXPECT_TRUE(items[2].empty());                    // an item without children
  EXPECT_EQ(items[3].at("title"), "last");

  EXPECT_TRUE(parseNewsItems("").empty());
  EXPECT_TRUE(parseNewsItems("no markup at all").empty());
  EXPECT_TRUE(parseNewsItems("<rss><channel><title>quiet day</title></channel></rss>").empty());
  EXPECT_EQ(parseNewsItems("<rss><channel><item><title>cut off").size(), 1u);
}

TEST_F(NewsTest, AFeedNestedAHundredThousandDeepIsWalkedWithoutExhaustingTheStack) {
  constexpr int kDepth = 100000;
  std::string xml;
  for (int i = 0; i < kDepth; ++i) xml += "<e>";
  xml += "<item><title>deep</title></item>";
  for (int i = 0; i < kDepth; ++i) xml += "</e>";
  const auto items = parseNewsItems(xml);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].at("title"), "deep");
}

TEST_F(NewsTest, TextsComeWithTheirEntityAndCharacterReferencesReplaced) {
  EXPECT_EQ(decodeXmlEntities("S&amp;P &lt;500&gt; &quot;up&quot; &apos;1%&apos;"), "S&P <500> \"up\" '1%'");
  EXPECT_EQ(decodeXmlEntities("&#8364;5 &#xA5;9 &#X41;"), "\xE2\x82\xAC" "5 \xC2\xA5" "9 &#X41;");
  EXPECT_EQ(decodeXmlEntities("&#x1F4C8;"), "\xF0\x9F\x93\x88");
  // Not references: they stand as written.
  EXPECT_EQ(decodeXmlEntities("AT&T & Co; R&D"), "AT&T & Co; R&D");
  EXPECT_EQ(decodeXmlEntities("&nbsp;&#0;&#xD800;&#x110000;&#12a;&#;&"), "&nbsp;&#0;&#xD800;&#x110000;&#12a;&#;&");
  EXPECT_EQ(decodeXmlEntities("&amp;amp;"), "&amp;");

  const auto items = parseNewsItems("<item><title>Gold &amp; oil</title><link>http://x/?a=1&amp;b=2</link></item>");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].at("title"), "Gold & oil");
  EXPECT_EQ(items[0].at("link"), "http://x/?a=1&b=2");
}

TEST_F(NewsTest, TheFeedIsDecodedByItsContentTypeElseItsDeclarationElseAsLatin1) {
  const std::string latin1Declared = "<?xml version=\"1.0\" encoding='ISO-8859-1'?><t>Z\xFCrich</t>";
  const std::string utf8Declared = "<?xml version=\"1.0\" encoding=\"utf-8\" ?><t>Z\xC3\xBCrich</t>";
  const std::string undeclared = "<t>Z\xFCrich</t>";

  // The header's charset wins over the declaration.
  auto text = decodeFeedText(utf8Declared, "text/xml; charset=ISO-8859-1");
  EXPECT_EQ(text.encoding, "ISO-8859-1");
  EXPECT_EQ(text.text, "<?xml version=\"1.0\" encoding=\"utf-8\" ?><t>Z\xC3\x83\xC2\xBCrich</t>");
  // Without one (or with one the converter does not know), the declaration counts.
  for (const auto& contentType : {std::optional<std::string_view>(), std::optional<std::string_view>("text/xml"),
                                  std::optional<std::string_view>("text/xml; charset=no-such-set")}) {
    text = decodeFeedText(utf8Declared, contentType);
    EXPECT_EQ(text.encoding, "UTF-8");
    EXPECT_EQ(text.text, utf8Declared);
  }
  EXPECT_EQ(decodeFeedText(latin1Declared, "text/xml").text, "<?xml version=\"1.0\" encoding='ISO-8859-1'?><t>Z\xC3\xBCrich</t>");
  // Without either, Latin-1.
  text = decodeFeedText(undeclared, std::nullopt);
  EXPECT_EQ(text.encoding, "ISO-8859-1");
  EXPECT_EQ(text.text, "<t>Z\xC3\xBCrich</t>");
  // Bytes that are not valid in the chosen encoding give no text.
  EXPECT_FALSE(decodeFeedText(undeclared, "text/xml; charset=utf-8").text);

  EXPECT_EQ(xmlDeclaredEncoding("\xEF\xBB\xBF<?xml version='1.0' encoding = 'utf-16le'?>"), "UTF-16LE");
  EXPECT_FALSE(xmlDeclaredEncoding("<t encoding='utf-8'/>"));
  EXPECT_FALSE(xmlDeclaredEncoding("<?xml version='1.0'?><t>encoding='utf-8'</t>"));
  EXPECT_FALSE(xmlDeclaredEncoding("<?xml version='1.0' encoding='utf-8"));
  EXPECT_FALSE(xmlDeclaredEncoding("<?xml-stylesheet href='a' encoding='utf-8'?>"));
}

TEST_F(NewsTest, CellsShowTheTitleAndTheDateAsTheyCame) {
  controller().parseXml(
      "<rss><item><title>Yen &amp; gold</title><pubDate>yesterday, about noon</pubDate></item><item/></rss>");
  EXPECT_EQ(controller().rowCount(), 2);
  EXPECT_EQ(controller().columnCount(), 2);
  EXPECT_EQ(controller().objectValue(SUBJECT_NEWS, 0), "Yen & gold");
  EXPECT_EQ(controller().objectValue(TIME_NEWS, 0), "yesterday, about noon");
  EXPECT_FALSE(controller().objectValue(SUBJECT_NEWS, 1));
  EXPECT_FALSE(controller().objectValue(TIME_NEWS, 1));
  EXPECT_FALSE(controller().objectValue("Other", 0));
  EXPECT_FALSE(controller().objectValue(SUBJECT_NEWS, 2));

  EXPECT_EQ(controller().headerData(0, Qt::Horizontal).toString(), "Subject");
  EXPECT_EQ(controller().headerData(1, Qt::Horizontal).toString(), "Time");
  EXPECT_EQ(controller().data(controller().index(0, 0)).toString(), "Yen & gold");
  EXPECT_EQ(controller().data(controller().index(0, 1)).toString(), "yesterday, about noon");
  EXPECT_FALSE(controller().data(controller().index(1, 0)).isValid());
}

TEST_F(NewsTest, OnlyHttpAndHttpsLinksOpenAndEveryOtherOutcomeIsLogged) {
  controller().parseXml(
      "<rss><item><link>https://news.example/a?x=1&amp;y=2</link></item>"
      "<item><link>file:///etc/passwd</link></item>"
      "<item><link>javascript:alert(1)</link></item>"
      "<item><title>no link</title></item>"
      "<item><link>http://news.example/b</link></item></rss>");
  controller().doubleAction(0);
  EXPECT_EQ(opened_, std::vector<std::string>{"https://news.example/a?x=1&y=2"});
  EXPECT_TRUE(logged_.empty());

  controller().doubleAction(1);
  controller().doubleAction(2);
  controller().doubleAction(3);
  EXPECT_EQ(opened_.size(), 1u);
  EXPECT_EQ(logged_, (std::vector<std::string>{"Failed to open url: file:///etc/passwd",
                                               "Failed to open url: javascript:alert(1)", "Failed to open url: "}));

  logged_.clear();
  browserWorks_ = false;
  controller().doubleAction(4);
  EXPECT_EQ(opened_.back(), "http://news.example/b");
  EXPECT_EQ(logged_, std::vector<std::string>{"Failed to open url: http://news.example/b"});

  // No row selected, or a row that is gone: nothing opens, nothing is logged.
  logged_.clear();
  controller().doubleAction(-1);
  controller().doubleAction(5);
  EXPECT_EQ(opened_.size(), 2u);
  EXPECT_TRUE(logged_.empty());
}

TEST_F(NewsTest, OnlyASuccessfulResponseForTheChosenCategoryReplacesTheList) {
  controller().LoadNews("Forex");
  answer(started_[0], 200, feed({"EUR/USD firm"}));
  EXPECT_EQ(titles(), std::vector<std::string>{"EUR/USD firm"});

  // Chosen in quick succession: the answer for the category left behind is dropped, whenever it comes.
  controller().PopUpItemSelected("Stocks");
  controller().PopUpItemSelected("Weather");
  answer(started_[2], 200, feed({"Sun", "Rain"}));
  answer(started_[1], 200, feed({"Dow up"}));
  EXPECT_EQ(titles(), (std::vector<std::string>{"Sun", "Rain"}));
  EXPECT_TRUE(logged_.empty());

  // Errors of the service, of the transport and of the bytes keep the list, with one line each.
  controller().LoadNews("Weather");
  answer(started_[3], 404, "<rss><item><title>not found page</title></item></rss>");
  controller().LoadNews("Weather");
  answer(started_[4], 500, "");
  controller().LoadNews("Weather");
  answer(started_[5], 200, "<rss><item><title>Z\xFC</title></item></rss>", "text/xml; charset=utf-8");
  controller().LoadNews("Weather");
  started_[6]->setError(ASIRequestTimedOutError());
  started_[6]->delegate()->requestFailed(*started_[6]);
  EXPECT_EQ(titles(), (std::vector<std::string>{"Sun", "Rain"}));
  ASSERT_EQ(logged_.size(), 4u);
  EXPECT_NE(logged_[0].find("404"), std::string::npos);
  EXPECT_NE(logged_[1].find("500"), std::string::npos);
  EXPECT_NE(logged_[2].find("UTF-8"), std::string::npos);
  EXPECT_EQ(logged_[3], ASIRequestTimedOutError()->toString());

  // A status below 400 is a feed; one without items empties the list.
  controller().LoadNews("Weather");
  answer(started_[7], 304, "<rss><channel/></rss>");
  EXPECT_TRUE(controller().webDataList().empty());
}

}  // namespace
}  // namespace td
