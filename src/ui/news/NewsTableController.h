#pragma once
// The news panel's logic: the headline list of the chosen category, fetched from the news service
// over HTTP, and the opening of a headline's link. It is the list's item model (columns "Subject"
// and "Time") and the delegate of its feed requests, which report on the main thread.
//
// Each choice starts one request and keeps no reference to it. Only a response for the category
// chosen last replaces the list, and only when its status is below 400 and its bytes decode; every
// other outcome leaves the list as it was, with one log line (a response for a category no longer
// chosen is dropped without one). Links open only when they are http or https addresses.

#include <QAbstractTableModel>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http/ASIHTTPRequest.h"
#include "ui/news/NewsFeed.h"

namespace td {

class NewsTableController final : public QAbstractTableModel, public ASIHTTPRequestDelegate {
  Q_OBJECT
 public:
  struct Hooks {
    // Starts a built request; by default startAsynchronous().
    std::function<void(const ASIHTTPRequest::Ptr&)> startRequest;
    // Hands an http or https address to the browser: false when it could not; by default
    // openWebAddress().
    std::function<bool(const std::string&)> openWebAddress;
  };
  // The key of a request's userInfo that names its category.
  static constexpr const char* kCategoryKey = "category";
  static constexpr int kRetriesOnTimeout = 2;

  explicit NewsTableController(std::string newsHost, Hooks hooks = {}, QObject* parent = nullptr);

  // The chooser's action: loads the chosen category.
  void PopUpItemSelected(const std::string& title) { LoadNews(title); }
  // Makes the category the chosen one and starts a request for its feed.
  void LoadNews(const std::string& category);
  // Replaces the list with the items of a feed's text and reloads the table.
  void parseXml(std::string_view text);

  const std::string& selectedCategory() const { return selectedCategory_; }
  const std::vector<NewsItem>& webDataList() const { return webDataList_; }
  // The cell of a column (by identifier) and row: the item's "title" or "pubDate", as it came.
  std::optional<std::string> objectValue(std::string_view identifier, int row) const;
  // Opens the link of the selected row (-1: none selected).
  void doubleAction(int selectedRow);

  // ASIHTTPRequestDelegate
  void requestFinished(ASIHTTPRequest& request) override;
  void requestFailed(ASIHTTPRequest& request) override;

  // QAbstractTableModel
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  std::string newsHost_;
  Hooks hooks_;
  std::string selectedCategory_;
  std::vector<NewsItem> webDataList_;
};

}  // namespace td
