#include "ui/news/NewsTableController.h"

#include "platform/Log.h"
#include "ui/PlatformActions.h"
#include "ui/banners/WebAddress.h"

namespace td {
namespace {

constexpr std::array<const char*, 2> kColumns{SUBJECT_NEWS, TIME_NEWS};

}  // namespace

NewsTableController::NewsTableController(std::string newsHost, Hooks hooks, QObject* parent)
    : QAbstractTableModel(parent), newsHost_(std::move(newsHost)), hooks_(std::move(hooks)) {
  if (!hooks_.startRequest) hooks_.startRequest = [](const ASIHTTPRequest::Ptr& request) { request->startAsynchronous(); };
  if (!hooks_.openWebAddress) hooks_.openWebAddress = [](const std::string& address) { return openWebAddress(address); };
  answer({ASISelector::requestFinished, ASISelector::requestFailed});
}

void NewsTableController::LoadNews(const std::string& category) {
  selectedCategory_ = category;
  auto request = ASIHTTPRequest::requestWithURL(URL::URLWithString(newsFeedAddress(newsHost_, category)));
  request->setUserInfo({{kCategoryKey, category}});
  request->setNumberOfTimesToRetryOnTimeout(kRetriesOnTimeout);
  request->setDelegate(this);
  hooks_.startRequest(request);
}

void NewsTableController::requestFinished(ASIHTTPRequest& request) {
  const auto info = request.userInfo();
  const auto category = info.find(kCategoryKey);
  if (category == info.end() || category->second != selectedCategory_) {
    TD_LOG_DEBUG("News: a response for " + (category == info.end() ? std::string("no category") : category->second) +
                 ", no longer chosen, is dropped");
    return;
  }
  if (const int status = request.responseStatusCode(); status >= 400) {
    // The status line as it came ("HTTP/1.1 404 Not Found").
    const std::string statusLine = request.responseStatusMessage().value_or("status " + std::to_string(status));
    TD_LOG_WARN("News: the service answered \"" + statusLine + "\" for " + category->second +
                "; the list stays as it was");
    return;
  }
  const auto headers = request.responseHeaders();
  const auto decoded = decodeFeedText(request.responseData(), headers ? headers->get("Content-Type") : std::nullopt);
  if (!decoded.text) {
    TD_LOG_WARN("News: the feed of " + category->second + " is not valid " + decoded.encoding +
                "; the list stays as it was");
    return;
  }
  parseXml(*decoded.text);
}

void NewsTableController::requestFailed(ASIHTTPRequest& request) {
  const HTTPErrorPtr error = request.error();
  TD_LOG_WARN(error ? error->toString() : std::string("(null)"));
}

void NewsTableController::parseXml(std::string_view text) {
  beginResetModel();
  webDataList_ = parseNewsItems(text);
  endResetModel();
}

std::optional<std::string> NewsTableController::objectValue(std::string_view identifier, int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= webDataList_.size()) return std::nullopt;
  const NewsItem& item = webDataList_[static_cast<std::size_t>(row)];
  const char* key = identifier == SUBJECT_NEWS ? "title" : identifier == TIME_NEWS ? "pubDate" : nullptr;
  if (key == nullptr) return std::nullopt;
  const auto it = item.find(key);
  if (it == item.end()) return std::nullopt;
  return it->second;
}

void NewsTableController::doubleAction(int selectedRow) {
  if (selectedRow < 0 || static_cast<std::size_t>(selectedRow) >= webDataList_.size()) return;
  const NewsItem& item = webDataList_[static_cast<std::size_t>(selectedRow)];
  const auto link = item.find("link");
  const std::string address = link == item.end() ? std::string() : link->second;
  if (!isOpenableWebAddress(address) || !hooks_.openWebAddress(address)) TD_LOG_WARN("Failed to open url: " + address);
}

int NewsTableController::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(webDataList_.size());
}

int NewsTableController::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(kColumns.size());
}

QVariant NewsTableController::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.column() >= static_cast<int>(kColumns.size())) return {};
  const auto value = objectValue(kColumns[static_cast<std::size_t>(index.column())], index.row());
  return value ? QVariant(QString::fromStdString(*value)) : QVariant();
}

QVariant NewsTableController::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
      section >= static_cast<int>(kColumns.size()))
    return {};
  return QString::fromUtf8(kColumns[static_cast<std::size_t>(section)]);
}

}  // namespace td
