// The demo-account registration: the form's checks, the request sent from the submitted copy once
// the registration connection is up, the answer handed to the login window, and the Qt sheet.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "QtTestApp.h"
#include "SessionContextFixture.h"
#include "ui/registration/LoginRegistrationWindow.h"
#include "ui/registration/LoginRegistrationWindowController.h"

namespace td {
namespace {

using R = LoginRegistrationWindowController;

DemoRegistrationForm validForm() {
  DemoRegistrationForm f;
  f.name = "Ada Lovelace";
  f.phone = "44207946";
  f.email = "ada@example.org";
  f.country = "United Kingdom";
  f.city = "London";
  f.state = "";
  f.zipCode = "12";
  f.address = "12 St James's Square\nLondon";
  f.deposit = "25000";
  f.newsletter = true;
  return f;
}

TEST(DemoRegistrationChecks, OrderIsNameEmailPhoneCountryThenControlBytes) {
  DemoRegistrationForm f;
  EXPECT_EQ(R::validationFailureKey(f), "8097");
  f.name = "A";
  EXPECT_EQ(R::validationFailureKey(f), "8099") << "an empty e-mail fails the pattern";
  f.email = "a@b.com";
  EXPECT_EQ(R::validationFailureKey(f), "8098");
  f.phone = "1";
  EXPECT_EQ(R::validationFailureKey(f), "8096");
  f.country = "France";
  EXPECT_EQ(R::validationFailureKey(f), std::nullopt) << "city, state, zip, address and deposit are not checked";
  f.address = "line\x04" "two";
  EXPECT_EQ(R::validationFailureKey(f), "8312");
  f.address.clear();
  f.name = "A\x01";
  EXPECT_EQ(R::validationFailureKey(f), "8312");
}

TEST(DemoRegistrationChecks, EmailPatternMatchesTheWholeText) {
  EXPECT_FALSE(R::validateEmailWithString("a@b.c"));
  EXPECT_TRUE(R::validateEmailWithString("a@b.co"));
  EXPECT_TRUE(R::validateEmailWithString("a.b+c%d_e-f@sub.b-c.com"));
  EXPECT_TRUE(R::validateEmailWithString("a@b.info"));
  EXPECT_FALSE(R::validateEmailWithString("a@b.infos"));
  EXPECT_FALSE(R::validateEmailWithString("a @b.com"));
  EXPECT_FALSE(R::validateEmailWithString("a@b.com "));
  EXPECT_FALSE(R::validateEmailWithString("ab.com"));
  EXPECT_FALSE(R::validateEmailWithString(""));
}

TEST(DemoRegistrationReply, SplitsAtTheFirstSlashOnly) {
  EXPECT_EQ(R::splitUserInfo("demo7/pa/ss"), (std::pair<std::string, std::string>{"demo7", "pa/ss"}));
  EXPECT_EQ(R::splitUserInfo("demo7/"), (std::pair<std::string, std::string>{"demo7", ""}));
  EXPECT_EQ(R::splitUserInfo("demo7"), (std::pair<std::string, std::string>{"demo7", ""}));
}

TEST(DemoRegistrationCountries, EveryCountryNamedInTheLanguageAndSorted) {
  const auto english = R::countryNames(0);
  EXPECT_GT(english.size(), 200u);
  EXPECT_NE(std::find(english.begin(), english.end(), "Germany"), english.end());
  EXPECT_NE(std::find(english.begin(), english.end(), "Switzerland"), english.end());
  EXPECT_TRUE(std::find(english.begin(), english.end(), "Austria") <
              std::find(english.begin(), english.end(), "Germany"));
  const auto chinese = R::countryNames(1);
  EXPECT_EQ(chinese.size(), english.size());
  EXPECT_NE(std::find(chinese.begin(), chinese.end(), "德国"), chinese.end());
}

struct RecordingRegistrationView : LoginRegistrationView {
  void clearForm() override { ++clears; }
  void setDeposits(const std::vector<std::string>& c, const std::string& s) override {
    deposits = c;
    shownDeposit = s;
  }
  void setCountries(const std::vector<std::string>& names) override { countries = names.size(); }
  void updateLanguageStrings(const RegistrationLabels& l) override { box = l.box; }
  void showResult(const std::string& h, const std::string& m, const std::string& b) override {
    results.push_back(h + "|" + m + "|" + b);
  }
  void closeSheet() override { ++closes; }
  int clears = 0;
  std::vector<std::string> deposits;
  std::string shownDeposit;
  std::size_t countries = 0;
  std::string box;
  std::vector<std::string> results;
  int closes = 0;
};

class RegistrationFlowTest : public test::SessionContextTest {
 protected:
  RegistrationFlowTest() {
    R::Callbacks callbacks;
    callbacks.submit = [this] {
      ++submits;
      makeSession();
      session->StreamingConnection(true, true);
    };
    callbacks.credentialsReceived = [this](const std::string& user, const std::string& password) {
      credentials.push_back(user + "|" + password);
    };
    controller = std::make_unique<R>(view, callbacks, &queue);
    controller->onWindowLoad();
  }
  // The registration connection comes up: the session asks for the request.
  std::string connectAndTakeRequest() {
    transport->tcp.clear();
    session->connectionDidConnect(true);
    if (transport->tcp.size() != 1) return "";
    return testing::openSent(transport->tcp[0], login().presets().initialPassPhrase);
  }

  RecordingRegistrationView view;
  std::unique_ptr<R> controller;
  int submits = 0;
  std::vector<std::string> credentials;
};

TEST_F(RegistrationFlowTest, OpeningPreparesTheFormAndListens) {
  EXPECT_EQ(view.clears, 1);
  EXPECT_EQ(view.deposits, (std::vector<std::string>{"5000", "25000", "50000", "100000", "500000"}));
  EXPECT_EQ(view.shownDeposit, "5000");
  EXPECT_GT(view.countries, 200u);
  EXPECT_EQ(view.box, "Create a Demo Account");
  controller->onWindowLoad();
  EXPECT_EQ(center().observerCount(R::kSendRequestNotification), 1u) << "twice opened, once registered";
}

TEST_F(RegistrationFlowTest, FailedCheckAlertsAndSubmitsNothing) {
  DemoRegistrationForm f = validForm();
  f.email = "ada@example";
  EXPECT_FALSE(controller->registerButtonClicked(f));
  EXPECT_EQ(alerts->calls, std::vector<std::string>{"Demo Account Registration|Please enter a valid e-mail address."});
  EXPECT_EQ(submits, 0);
}

TEST_F(RegistrationFlowTest, RequestCarriesTheSubmittedCopyAndTheReplyFillsTheLoginWindow) {
  ASSERT_TRUE(controller->registerButtonClicked(validForm()));
  EXPECT_EQ(submits, 1);
  EXPECT_EQ(transport->calls, std::vector<std::string>{"connect demo"});
  const std::string request = connectAndTakeRequest();
  ASSERT_FALSE(request.empty());
  for (const char* field : {"10=1026\x03", "1152=ada@example.org\x03", "1033=Trade\x03", "564=25000\x03",
                            "1132=United Kingdom\x03", "1133=\x03", "1134=London\x03", "1135=12\x03",
                            "1136=12 St James's Square\nLondon\x03", "1137=44207946\x03", "1138=1\x03",
                            "1139=Ada Lovelace\x03", "1140=TarnwickDesk\x03", "20=1\x03", "19=1\x03"}) {
    EXPECT_NE(request.find(field), std::string::npos) << field;
  }
  EXPECT_LT(request.find("1152="), request.find("1139=")) << "in the request's own order";

  session->NewMessage(testing::frame({{10, "1027"}, {23, "demo7"}, {18, "pa/ss"}}));
  queue.runPending();
  EXPECT_EQ(credentials, std::vector<std::string>{"demo7|pa/ss"});
  ASSERT_EQ(view.results.size(), 1u);
  EXPECT_EQ(view.results[0],
            "Your Demo Account Is Ready|Login : demo7\nPassword : pa/ss\nThese details are now filled in the login "
            "window: press Login to start trading on the demo server.|OK");
  EXPECT_EQ(view.closes, 1) << "closing the alert ends the sheet";
  EXPECT_FALSE(controller->initiated());
  EXPECT_EQ(center().observerCount(R::kReplyNotification), 0u);
}

TEST_F(RegistrationFlowTest, SecondSubmitSendsTheNewerFormOnTheNewSession) {
  ASSERT_TRUE(controller->registerButtonClicked(validForm()));
  std::weak_ptr<BusinessBase> first = session;
  DemoRegistrationForm second = validForm();
  second.newsletter = false;
  second.name = "Grace";
  ASSERT_TRUE(controller->registerButtonClicked(second));
  EXPECT_TRUE(first.expired()) << "the context's session was replaced";
  const std::string request = connectAndTakeRequest();
  EXPECT_NE(request.find("1139=Grace\x03"), std::string::npos);
  EXPECT_NE(request.find("1138=0\x03"), std::string::npos);
}

TEST_F(RegistrationFlowTest, CancelStopsListening) {
  controller->registerButtonClicked(validForm());
  controller->closeModal();
  EXPECT_EQ(view.closes, 1);
  EXPECT_EQ(connectAndTakeRequest(), "") << "nothing is sent after the sheet ended";
  session->NewMessage(testing::frame({{10, "1027"}, {23, "demo7"}, {18, "pw"}}));
  queue.runPending();
  EXPECT_TRUE(credentials.empty());
}

class RegistrationWindowTest : public test::SessionContextTest {
 protected:
  static void SetUpTestSuite() { test::qtTestApp(); }
};

TEST_F(RegistrationWindowTest, SheetBindsTheFormAndItsButtons) {
  QWidget login;
  login.show();
  int submits = 0;
  R::Callbacks callbacks;
  callbacks.submit = [&] { ++submits; };
  LoginRegistrationWindow sheet(&login, callbacks);
  sheet.nameField()->setText("old text");
  sheet.showSheet();
  EXPECT_TRUE(sheet.isVisible());
  EXPECT_EQ(sheet.windowModality(), Qt::WindowModal);
  EXPECT_EQ(sheet.nameField()->text(), "");
  EXPECT_EQ(sheet.depositBox()->currentText(), "5000");
  EXPECT_EQ(sheet.depositBox()->count(), 5);
  EXPECT_GT(sheet.countryBox()->count(), 200);
  EXPECT_EQ(sheet.countryBox()->currentText(), "");
  EXPECT_EQ(sheet.submitButton()->text(), "Submit");

  QTest::keyClicks(sheet.phoneField(), "+44 20-7946.0");
  EXPECT_EQ(sheet.phoneField()->text(), "44207946.0") << "the phone field takes digits and one point";
  sheet.nameField()->setText("Ada");
  sheet.emailField()->setText("ada@example.org");
  sheet.countryBox()->setCurrentText("Germany");
  sheet.addressField()->setPlainText("Street 1\nBerlin");
  sheet.newsletterBox()->setChecked(true);
  const DemoRegistrationForm f = sheet.form();
  EXPECT_EQ(f.country, "Germany");
  EXPECT_EQ(f.address, "Street 1\nBerlin");
  EXPECT_TRUE(f.newsletter);
  sheet.submitButton()->click();
  EXPECT_EQ(submits, 1);
  EXPECT_TRUE(sheet.isVisible()) << "the sheet stays open while the registration runs";
  sheet.reject();
  EXPECT_FALSE(sheet.isVisible());
  EXPECT_FALSE(sheet.controller().initiated());
}

}  // namespace
}  // namespace td
