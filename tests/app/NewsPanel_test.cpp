// The news panel, offscreen, against the simulated server's news service: the first category loads
// when the panel is made, a choice loads another, and a double click hands the headline's link on.

#include "ui/news/NewsView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QTableView>
#include <QTest>
#include <chrono>

#include "AppTestSupport.h"
#include "ui/QtMainQueue.h"

namespace td {
namespace {

using test::pumpUntil;

TEST(NewsPanel, ShowsTheHeadlinesOfTheSimulatedNewsServiceAndOpensTheirLinks) {
  test::qtTestApp();
  QtMainQueue queue;
  MainQueue::setInstance(&queue);
  testing::ServerProcess server({});
  ASSERT_TRUE(server.listening());
  ASSERT_GT(server.news, 0);
  const std::string host = "127.0.0.1:" + std::to_string(server.news);

  std::vector<std::string> opened;
  NewsTableController::Hooks hooks;
  hooks.openWebAddress = [&](const std::string& address) {
    opened.push_back(address);
    return true;
  };
  {
    NewsView view(host, std::move(hooks));
    view.resize(900, 400);
    view.show();
    NewsTableController& news = view.controller();
    QTableView* table = view.tableView();
    // The lists' font, in the same units as every other list: a 12-point Lucida Grande of the desktop.
    EXPECT_EQ(table->font().family(), "Lucida Grande");
    EXPECT_EQ(table->font().pixelSize(), 12);
    auto subject = [&](int row) { return table->model()->index(row, 0).data().toString(); };

    // The first category loads at once; titles arrive with their references replaced.
    EXPECT_EQ(view.categoryPopUp()->currentText(), "BreakingNews");
    ASSERT_TRUE(pumpUntil([&] { return table->model()->rowCount() == 3; }, test::kAppWait));
    EXPECT_EQ(subject(0), "Central bank holds rates at 4.25% & signals patience");
    EXPECT_EQ(subject(2), QString::fromUtf8("Markets pause as the Z\xC3\xBCrich summit opens"));
    EXPECT_TRUE(table->model()->index(0, 1).data().toString().endsWith(" GMT"));

    // Another category, chosen in the pop-up.
    view.categoryPopUp()->setCurrentIndex(6);
    emit view.categoryPopUp()->activated(6);
    EXPECT_EQ(news.selectedCategory(), "Forex");
    ASSERT_TRUE(pumpUntil([&] { return subject(0).startsWith("EUR/USD"); }, test::kAppWait));
    EXPECT_EQ(subject(0), "EUR/USD holds above 1.0850 as ECB & Fed diverge");
    EXPECT_EQ(subject(1), QString::fromUtf8("Yen weakens past \xC2\xA5" "155 per dollar"));

    // A double click on a headline opens its link.
    const QRect cell = table->visualRect(table->model()->index(1, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(opened, std::vector<std::string>{"http://" + host + "/news/article?category=Forex&id=2"});
  }
  MainQueue::setInstance(nullptr);
}

}  // namespace
}  // namespace td
