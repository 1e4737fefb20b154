#pragma once
// The news panel: the category chooser above the headline list. It binds to NewsTableController:
// a choice in the chooser loads that category, a double click on a headline opens its link. The
// first category loads as soon as the panel is made.

#include <QWidget>
#include <string>

#include "ui/news/NewsTableController.h"

class QComboBox;
class QTableView;

namespace td {

class MainWindow;

class NewsView final : public QWidget {
  Q_OBJECT
 public:
  explicit NewsView(const std::string& newsHost, NewsTableController::Hooks hooks = {}, QWidget* parent = nullptr);

  NewsTableController& controller() const { return *controller_; }
  QComboBox* categoryPopUp() const { return popUp_; }
  QTableView* tableView() const { return table_; }

 private:
  NewsTableController* controller_;
  QComboBox* popUp_;
  QTableView* table_;
};

// Adds the news panel to the main window as its "News" tab, for the news host of the presets.
void installNews(MainWindow& window);

}  // namespace td
