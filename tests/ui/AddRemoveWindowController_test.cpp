// The symbol manager: the type outline, the symbol table with its marks, the search, and the marks
// that change and are saved as the watchlist (the user's order kept, new items at the end).

#include "ui/watchlist/AddRemoveWindowController.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "WatchlistTestSupport.h"

namespace td::testing {
namespace {

using S = AddRemoveWindowController;

class SymbolManagerTest : public WatchlistTest {
 protected:
  SymbolManagerTest() {
    open();
    S::Services services;
    services.session = sessionOfTest();
    services.notifications = notifications.get();
    services.showDetails = [this](const std::string& code) { details.push_back(code); };
    manager = std::make_unique<S>(services);
    manager->showWindow();
  }
  std::vector<std::string> shown() const {
    std::vector<std::string> codes;
    for (int row = 0; row < manager->rowCount(); ++row) codes.push_back(manager->entryAt(row)->Code);
    return codes;
  }
  QString mark(int row) const { return manager->data(manager->index(row, S::SYMBOL_MS), S::MarkImageRole).toString(); }
  std::vector<std::string> stored() const { return *defaults->stringArrayValue("alice"); }

  std::vector<std::string> details;
  std::unique_ptr<S> manager;
};

TEST_F(SymbolManagerTest, TheOutlineListsTheTypesAndATypeRowShowsItsSymbolsWithTheirMarks) {
  EXPECT_EQ(manager->topLevelItems(), std::vector<std::string>{"Item Type"});
  EXPECT_EQ(manager->typeNames(), (std::vector<std::string>{"Forex", "Index"}));
  EXPECT_EQ(manager->rowCount(), 0);  // no type chosen yet
  manager->outlineViewSelectionDidChange(2);
  EXPECT_EQ(shown(), std::vector<std::string>{"DAX"});
  EXPECT_EQ(manager->data(manager->index(0, S::DESCRIPTION_MS)).toString(), "DAX name");
  EXPECT_EQ(mark(0), "StatusNone.png");
  manager->outlineViewSelectionDidChange(0);  // the root changes nothing
  EXPECT_EQ(shown(), std::vector<std::string>{"DAX"});
  manager->outlineViewSelectionDidChange(1);
  EXPECT_EQ(shown(), (std::vector<std::string>{"EURUSD", "GBPUSD"}));
  EXPECT_EQ(mark(0), "StatusAvailable.png");
  manager->tableViewSelectionDidChange(1);
  EXPECT_EQ(details, std::vector<std::string>{"GBPUSD"});
}

TEST_F(SymbolManagerTest, MarksChangeAndEachChangeIsSavedKeepingTheUsersOrderAndAppendingNewItems) {
  int* reloads = count("WatchlistTableNotification");
  int* items = count("ItemUpdateNotification");
  manager->outlineViewSelectionDidChange(2);
  manager->ShowandHideSymbolsinWatchlist(S::AddTag, {0});
  const std::vector<std::string> afterAdd{"EURUSD", "GBPUSD", "DAX"};
  EXPECT_EQ(session->selectedSymbols(), afterAdd);
  EXPECT_EQ(stored(), afterAdd);
  EXPECT_EQ(*reloads, 1);
  EXPECT_EQ(*items, 1);
  EXPECT_EQ(mark(0), "StatusAvailable.png");

  manager->outlineViewSelectionDidChange(1);
  manager->ShowandHideSymbolsinWatchlist(S::RemoveTag, {0});
  EXPECT_EQ(session->selectedSymbols(), (std::vector<std::string>{"GBPUSD", "DAX"}));
  // Add on a marked and an unmarked row marks both; the new one goes to the end.
  manager->ShowandHideSymbolsinWatchlist(S::AddTag, {1, 0});
  EXPECT_EQ(session->selectedSymbols(), (std::vector<std::string>{"GBPUSD", "DAX", "EURUSD"}));
  // A double-click inverts each selected row's mark.
  manager->ShowandHideSymbolsinWatchlist(0, {0, 1});
  EXPECT_EQ(session->selectedSymbols(), std::vector<std::string>{"DAX"});
  manager->ShowandHideSymbolsinWatchlist(0, {1});
  EXPECT_EQ(session->selectedSymbols(), (std::vector<std::string>{"DAX", "GBPUSD"}));
  EXPECT_EQ(stored(), (std::vector<std::string>{"DAX", "GBPUSD"}));
  EXPECT_EQ(*reloads, 5);
}

TEST_F(SymbolManagerTest, ANewLoginBringsItsOwnTypesAndRowsOutsideTheListChangeNothing) {
  manager->outlineViewSelectionDidChange(1);
  manager->ShowandHideSymbolsinWatchlist(S::RemoveTag, {7});
  EXPECT_EQ(session->selectedSymbols(), (std::vector<std::string>{"EURUSD", "GBPUSD"}));
  makeSession();
  LoginDataSet onlyIndex = watchlistDataSet();
  onlyIndex.items.erase(onlyIndex.items.begin(), onlyIndex.items.begin() + 2);
  loginData(onlyIndex);
  manager->showWindow();
  EXPECT_EQ(manager->typeNames(), std::vector<std::string>{"Index"});
  EXPECT_EQ(manager->rowCount(), 0);
}

TEST_F(SymbolManagerTest, SearchLooksThroughEveryTypeInAnyCaseAndAnEmptyTextBringsTheTypeBack) {
  manager->outlineViewSelectionDidChange(2);
  manager->SearchSymbols("usd");
  EXPECT_EQ(shown(), (std::vector<std::string>{"EURUSD", "GBPUSD"}));
  manager->SearchSymbols("x:dax N");  // code, ":" and name
  EXPECT_EQ(shown(), std::vector<std::string>{"DAX"});
  manager->SearchSymbols("nothing like it");
  EXPECT_EQ(manager->rowCount(), 0);
  manager->SearchSymbols("");
  EXPECT_EQ(shown(), std::vector<std::string>{"DAX"});
  manager->SearchSymbols("eur");
  QSignalSpy cleared(manager.get(), &S::cleared);
  manager->showWindow();  // a new opening: the chosen type again, no search text
  EXPECT_EQ(cleared.count(), 1);
  EXPECT_EQ(manager->searchText(), "");
  EXPECT_EQ(shown(), std::vector<std::string>{"DAX"});
}

}  // namespace
}  // namespace td::testing
