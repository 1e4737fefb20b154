#include "ui/registration/LoginRegistrationWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/CommonAlert.h"
#include "ui/controls/DrawingControls.h"
#include "ui/controls/NumericFields.h"

namespace td {
namespace {

QString q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

LoginRegistrationWindow::LoginRegistrationWindow(QWidget* parent, LoginRegistrationWindowController::Callbacks callbacks)
    : QDialog(parent), controller_(*this, std::move(callbacks)) {
  setObjectName("loginRegistrationWindow");
  setWindowModality(Qt::WindowModal);
  QVBoxLayout* content = WindowSheetBackgroundView::fillSheet(this);
  QWidget* background = content->parentWidget();

  box_ = new QGroupBox(background);
  box_->setObjectName("createdemouserBox");
  auto* grid = new QGridLayout(box_);
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(8);
  auto line = [this](const char* objectName) {
    auto* field = new QLineEdit(box_);
    field->setObjectName(objectName);
    return field;
  };
  name_ = line("NameTextField");
  phone_ = new JCustomTextField(box_);
  phone_->setObjectName("PhoneTextField");
  email_ = line("EmailTextField");
  city_ = line("CityTextField");
  state_ = line("StateTextField");
  zip_ = new JCustomTextField(box_);
  zip_->setObjectName("ZipCodeTextField");
  country_ = new QComboBox(box_);
  country_->setObjectName("CountryComboBox");
  country_->setEditable(true);
  country_->setInsertPolicy(QComboBox::NoInsert);
  country_->setMaxVisibleItems(15);
  country_->completer()->setCompletionMode(QCompleter::PopupCompletion);
  country_->completer()->setFilterMode(Qt::MatchContains);
  country_->completer()->setCaseSensitivity(Qt::CaseInsensitive);
  deposit_ = new QComboBox(box_);
  deposit_->setObjectName("DepositComboBox");
  address_ = new QPlainTextEdit(box_);
  address_->setObjectName("AddressTextView");
  address_->setTabChangesFocus(true);
  address_->setFixedHeight(address_->fontMetrics().lineSpacing() * 3 + 12);
  newsletter_ = new QCheckBox(box_);
  newsletter_->setObjectName("SubNewsLetterCheckBox");

  // Two columns: who and how to reach them at the left, where at the right; the address below.
  const std::vector<std::pair<QWidget*, std::pair<int, int>>> places{
      {name_, {0, 0}}, {phone_, {1, 0}}, {email_, {2, 0}}, {deposit_, {3, 0}},
      {city_, {0, 2}}, {state_, {1, 2}}, {zip_, {2, 2}},   {country_, {3, 2}}};
  // Caption order as in RegistrationLabels: name, phone, city, state, zip code, e-mail, address,
  // country, deposit.
  const std::vector<QWidget*> captionOrder{name_, phone_, city_, state_, zip_, email_, address_, country_, deposit_};
  labels_.resize(captionOrder.size());
  for (std::size_t i = 0; i < captionOrder.size(); ++i) {
    labels_[i] = new QLabel(box_);
    labels_[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labels_[i]->setBuddy(captionOrder[i]);
  }
  auto labelOf = [&](QWidget* field) {
    return labels_[static_cast<std::size_t>(std::find(captionOrder.begin(), captionOrder.end(), field) -
                                            captionOrder.begin())];
  };
  for (const auto& [field, at] : places) {
    field->setMinimumWidth(190);
    grid->addWidget(labelOf(field), at.first, at.second);
    grid->addWidget(field, at.first, at.second + 1);
  }
  QLabel* addressLabel = labelOf(address_);
  addressLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
  grid->addWidget(addressLabel, 4, 0);
  grid->addWidget(address_, 4, 1, 1, 3);
  grid->addWidget(newsletter_, 5, 1, 1, 3);
  grid->setColumnMinimumWidth(2, 70);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  content->addWidget(box_);

  auto* buttons = new QDialogButtonBox(background);
  cancel_ = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
  cancel_->setObjectName("cancelButton");
  submit_ = buttons->addButton(QString(), QDialogButtonBox::AcceptRole);
  submit_->setObjectName("submitButton");
  submit_->setDefault(true);
  content->addWidget(buttons);
  connect(submit_, &QPushButton::clicked, this, [this] { controller_.registerButtonClicked(form()); });
  connect(cancel_, &QPushButton::clicked, this, [this] { controller_.closeModal(); });
  const std::vector<QWidget*> tabOrder{name_, phone_, email_, deposit_, city_, state_, zip_, country_, address_, newsletter_};
  for (std::size_t i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void LoginRegistrationWindow::showSheet() {
  controller_.onWindowLoad();
  name_->setFocus(Qt::OtherFocusReason);
  open();
}

DemoRegistrationForm LoginRegistrationWindow::form() const {
  DemoRegistrationForm f;
  f.name = name_->text().toStdString();
  f.phone = phone_->text().toStdString();
  f.city = city_->text().toStdString();
  f.state = state_->text().toStdString();
  f.zipCode = zip_->text().toStdString();
  f.email = email_->text().toStdString();
  f.address = address_->toPlainText().toStdString();
  f.country = country_->currentText().toStdString();
  f.deposit = deposit_->currentText().toStdString();
  f.newsletter = newsletter_->isChecked();
  return f;
}

void LoginRegistrationWindow::clearForm() {
  for (QLineEdit* field : {name_, phone_, city_, state_, zip_, email_}) field->clear();
  address_->clear();
  country_->setCurrentIndex(-1);
  country_->setEditText(QString());
  newsletter_->setChecked(false);
}

void LoginRegistrationWindow::setDeposits(const std::vector<std::string>& choices, const std::string& shown) {
  deposit_->clear();
  for (const std::string& choice : choices) deposit_->addItem(q(choice));
  deposit_->setCurrentText(q(shown));
}

void LoginRegistrationWindow::setCountries(const std::vector<std::string>& names) {
  country_->clear();
  for (const std::string& name : names) country_->addItem(q(name));
  country_->setCurrentIndex(-1);
  country_->setEditText(QString());
}

void LoginRegistrationWindow::updateLanguageStrings(const RegistrationLabels& l) {
  setWindowTitle(q(l.box));
  box_->setTitle(q(l.box));
  newsletter_->setText(q(l.newsletter));
  submit_->setText(q(l.submit));
  cancel_->setText(q(l.cancel));
  const std::vector<const std::string*> captions{&l.name,    &l.phone,   &l.city,    &l.state,  &l.zipCode,
                                                 &l.email,   &l.address, &l.country, &l.deposit};
  for (std::size_t i = 0; i < labels_.size(); ++i) labels_[i]->setText(q(*captions[i]));
}

void LoginRegistrationWindow::showResult(const std::string& headline, const std::string& message,
                                         const std::string& button) {
  QMessageBox* box = makeAlertBox(QMessageBox::Information, headline, message, this);
  box->setObjectName("registrationResult");
  box->addButton(q(button), QMessageBox::AcceptRole);
  box->exec();  // deletes itself once closed
}

void LoginRegistrationWindow::closeSheet() { QDialog::done(QDialog::Rejected); }

void LoginRegistrationWindow::reject() { controller_.closeModal(); }

}  // namespace td
