#pragma once
// The common alert: a message shown either in a modal alert with one "OK" button or in a banner.

#include <QDialog>
#include <string>

class QLabel;
class QMessageBox;
class QPushButton;

namespace td {

// The modal alert: the title in bold on the first line, the message exactly as given below it
// (no markup and no format directives are interpreted), one "OK" button.
class CommonAlertDialog : public QDialog {
  Q_OBJECT
 public:
  CommonAlertDialog(const QString& message, const QString& title, QWidget* parent = nullptr);
  QLabel* titleLabel() const { return title_; }
  QLabel* messageLabel() const { return message_; }
  QPushButton* okButton() const { return ok_; }

 private:
  QLabel* title_;
  QLabel* message_;
  QPushButton* ok_;
};

// An alert box with the headline in bold and the message below it, both as plain text; no buttons
// yet. Deleted when closed.
QMessageBox* makeAlertBox(int icon, const std::string& headline, const std::string& message, QWidget* parent);

class CommonAlert {
 public:
  // Both belong to the main thread; called from another thread they are posted to the main queue
  // and return at once.
  // Runs the modal alert; returns once the user has pressed "OK".
  static void ShowCommonAlertVieWwithMessage(const std::string& message, const std::string& title);
  // Shows the message in a banner through the custom centre (its delegate left as it is): title the
  // application's name, subtitle the given title, the message wrapping at words, 5 s, the
  // library's default sound. Returns at once.
  static void ShowCommonUserNotificationwithMessage(const std::string& message, const std::string& title);
  // A trade or order confirmation in the form the user chose (the `showConfirmationAlert` flag):
  // the modal alert when true, the banner when false.
  static void ShowConfirmation(const std::string& message, const std::string& title, bool showConfirmationAlert);
};

}  // namespace td
