// What the engine must never do, against the local server: let line breaks, or names or a method that
// are no tokens, into a request's head, take credentials to another origin after a redirect, call a
// delegate off its own thread.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "HTTPTestSupport.h"
#include "http/ASIFormDataRequest.h"
#include "http/ASINetworkQueue.h"

namespace td {
namespace {

using namespace std::chrono_literals;
using test::RecordingDelegate;

class RequestSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(server.port(), 0) << "the test server did not start";
    ASIHTTPRequest::clearSession();
  }
  // The next request the server saw, as "GOT <method> <path>".
  std::string nextRequestSeen() {
    auto line = server.nextRequest();
    if (!line) return "";
    return line->substr(0, line->rfind(' '));
  }
  // Runs a request that must fail before sending, then one that must arrive: the server's next
  // request is the second one, so nothing of the first reached it.
  void expectRefusedBeforeSending(const ASIHTTPRequest::Ptr& request, std::int64_t code, const std::string& text) {
    RecordingDelegate refused, after;
    main.run(request, refused);
    ASSERT_EQ(refused.failed, 1) << text;
    EXPECT_EQ(refused.lastError->code, code) << text;
    EXPECT_NE(refused.lastError->toString().find(text), std::string::npos) << refused.lastError->toString();
    EXPECT_EQ(refused.started, 0) << text;
    main.run(ASIHTTPRequest::requestWithURL(server.url("/hello?after")), after);
    EXPECT_EQ(nextRequestSeen(), "GOT GET /hello?after") << text;
  }

  test::MainQueueFixture main;
  test::TestServer server;
};

TEST_F(RequestSafetyTest, LineBreaksOrNulInHeadersFormNamesOrUserNamesAreRefusedBeforeSending) {
  struct Header {
    std::string name, value, named;
  };
  for (const Header& h : {Header{"X-Note", "fine\r\nX-Injected: 1", "\"X-Note\""},
                          Header{"X-Note", "line\nbreak", "\"X-Note\""},
                          Header{"X-Bad\r\nName", "v", "\"X-Bad\\r\\nName\""},
                          Header{"X-Note", std::string("a\0b", 3), "\"X-Note\""}}) {
    auto request = ASIHTTPRequest::requestWithURL(server.url("/echo"));
    request->addRequestHeader(h.name, h.value);
    expectRefusedBeforeSending(request, ASIInternalErrorWhileBuildingRequestType,
                               "The request header " + h.named + " contains a line break or NUL character");
  }
  // Cookies and the user agent end up in the head too.
  auto agent = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  agent->setUserAgentString("Agent\r\nX-Injected: 1");
  expectRefusedBeforeSending(agent, ASIInternalErrorWhileBuildingRequestType, "\"User-Agent\" contains a line break");

  auto field = ASIFormDataRequest::requestWithURL(server.url("/form"));
  field->addPostValue("v", "name\"\r\nContent-Type: text/evil");
  expectRefusedBeforeSending(field, ASIInternalErrorWhileBuildingRequestType, "The form field name");
  auto file = ASIFormDataRequest::requestWithURL(server.url("/form"));
  file->setPostFormat(ASIMultipartFormDataPostFormat);
  file->addData("bytes", std::string("a\nb.txt"), std::nullopt, "doc");
  expectRefusedBeforeSending(file, ASIInternalErrorWhileBuildingRequestType, "The file name \"a\\nb.txt\"");

  // Basic before any challenge, and Basic and Digest answers to one.
  auto early = ASIHTTPRequest::requestWithURL(server.url("/basic"));
  early->setUsername("ann\r\nX-Injected: 1");
  early->setPassword("pw");
  early->setAuthenticationScheme("Basic");
  expectRefusedBeforeSending(early, ASIInternalErrorWhileApplyingCredentialsType,
                             "(The user name contains a line break or NUL character)");
  for (const char* scheme : {"/basic", "/digest"}) {
    RecordingDelegate d;
    auto answer = ASIHTTPRequest::requestWithURL(server.url(scheme));
    answer->setUsername("ann\"\r\nX-Injected: 1");
    answer->setPassword("pw");
    main.run(answer, d);
    ASSERT_EQ(d.failed, 1) << scheme;
    EXPECT_EQ(d.lastError->code, ASIInternalErrorWhileApplyingCredentialsType) << scheme;
    EXPECT_EQ(d.lastError->failureReason, "The user name contains a line break or NUL character") << scheme;
    EXPECT_EQ(d.started, 1) << scheme;  // the challenge only
  }
  EXPECT_TRUE(ASIHTTPRequest::sessionCredentialsStore().empty());
}

// A name that is no token would be read as another field, or as none: "X-Trace:Id: 7" is X-Trace.
TEST_F(RequestSafetyTest, AHeaderNameThatIsNoTokenIsRefusedBeforeSending) {
  for (const std::string& name : {std::string("X-Trace:Id"), std::string("X Trace"), std::string("X-Trace\t"),
                                  std::string(), std::string("X-Tr\x7f" "ce"), std::string("X-Tr\xc3\xa4" "ce"),
                                  std::string("X(Trace)")}) {
    auto request = ASIHTTPRequest::requestWithURL(server.url("/echo"));
    request->addRequestHeader(name, "7");
    expectRefusedBeforeSending(request, ASIInternalErrorWhileBuildingRequestType,
                               "The request header name \"" + name + "\" is not a token");
  }
  HTTPHeaderMap headers;
  headers.set("X-Fine", "1");
  headers.set("X-Trace:Id", "7");
  auto whole = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  whole->setRequestHeaders(headers);
  expectRefusedBeforeSending(whole, ASIInternalErrorWhileBuildingRequestType, "\"X-Trace:Id\" is not a token");

  // Every character a token may hold goes out as written.
  RecordingDelegate d;
  auto fine = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  fine->addRequestHeader("X-!#$%&'*+.^_`|~09az", "7");
  main.run(fine, d);
  ASSERT_EQ(d.finished, 1) << (d.lastError ? d.lastError->toString() : "");
  EXPECT_NE(fine->responseString().value_or("").find("\"X-!#$%&'*+.^_`|~09az\": \"7\""), std::string::npos)
      << fine->responseString().value_or("");
}

// A method holding a line break would add lines of its own to the head; one with a blank would reach
// the server as a malformed request line.
TEST_F(RequestSafetyTest, ARequestMethodThatIsNoTokenIsRefusedBeforeSending) {
  struct Method {
    std::string method, shown;
  };
  for (const Method& m : {Method{"GET\r\nX-Injected: 1", "GET\\r\\nX-Injected: 1"},
                          Method{"GET\nX-Injected: 1", "GET\\nX-Injected: 1"}, Method{"GET X", "GET X"},
                          Method{"", ""}}) {
    auto request = ASIHTTPRequest::requestWithURL(server.url("/echo"));
    request->setRequestMethod(m.method);
    expectRefusedBeforeSending(request, ASIInternalErrorWhileBuildingRequestType,
                               "The request method \"" + m.shown + "\" is not a token");
  }
}

TEST_F(RequestSafetyTest, ARedirectToAnotherOriginTakesNoCredentialsOfTheFirst) {
  // 127.0.0.1 and localhost are two origins of the same server; both ask for the same Basic
  // credentials, which only the first was given.
  const std::string other = "http://localhost:" + std::to_string(server.port());
  for (const char* first : {"/redirect/302?to=", "/authredirect?user=ann&pass=pw&to="}) {
    RecordingDelegate d;
    auto request = ASIHTTPRequest::requestWithURL(server.url(first + other + "/basic?user=ann%26pass=pw"));
    request->setUsername("ann");
    request->setPassword("pw");
    main.run(request, d);
    ASSERT_EQ(d.failed, 1) << first;
    EXPECT_EQ(d.lastError->code, ASIAuthenticationErrorType) << first;
    EXPECT_EQ(request->url().host(), "localhost") << first;
    EXPECT_EQ(request->responseStatusCode(), 401) << first;
    EXPECT_FALSE(request->username()) << first;
    EXPECT_FALSE(request->requestCredentials()) << first;
  }

  // The new origin's own sources still answer: here the delegate.
  RecordingDelegate asked;
  asked.alsoAnswer({ASISelector::authenticationNeededForRequest});
  asked.answerCredentials = [&](ASIHTTPRequest& r) {
    EXPECT_EQ(r.url().host(), "localhost");
    r.setUsername("ann");
    r.setPassword("pw");
    r.retryUsingSuppliedCredentials();
  };
  auto request = ASIHTTPRequest::requestWithURL(server.url("/authredirect?user=ann&pass=pw&to=" + other +
                                                           "/basic?user=ann%26pass=pw"));
  request->setUsername("ann");
  request->setPassword("pw");
  main.run(request, asked);
  EXPECT_EQ(asked.credentialQuestions, 1);
  EXPECT_EQ(asked.finished, 1);
}

TEST_F(RequestSafetyTest, ARequestWaitingForItsDelegatesCredentialsCanBeCancelled) {
  RecordingDelegate d;
  d.alsoAnswer({ASISelector::authenticationNeededForRequest});
  auto request = ASIHTTPRequest::requestWithURL(server.url("/basic?user=ann&pass=pw"));
  request->setDelegate(&d);
  request->startAsynchronous();
  ASSERT_TRUE(main.pumpUntil([&] { return d.credentialQuestions == 1; }));
  // The delegate does not answer; the user gives up instead.
  request->cancel();
  ASSERT_TRUE(main.pumpUntil([&] { return d.done(); }, 3000ms)) << "the cancel was ignored";
  ASSERT_EQ(d.failed, 1);
  EXPECT_EQ(d.lastError->code, ASIRequestCancelledErrorType);
  EXPECT_TRUE(request->complete());
}

TEST_F(RequestSafetyTest, ASynchronousRequestMayBeCancelledFromAnotherThreadWhileItStartsAndEnds) {
  // The cancelling thread reads the loop the request runs on while the request's own thread sets and
  // clears it (ThreadSanitizer watches).
  for (int i = 0; i < 5; ++i) {
    auto request = ASIHTTPRequest::requestWithURL(server.url("/slow?delay=0.05"));
    std::atomic<bool> ended{false};
    std::thread runner([&] {
      request->startSynchronous();
      ended = true;
    });
    while (!ended) {
      request->cancel();
      std::this_thread::sleep_for(1ms);
    }
    runner.join();
    ASSERT_TRUE(request->complete());
  }
}

TEST_F(RequestSafetyTest, AQuoteInAFormFieldOrFileNameIsWrittenAsBrowsersWriteIt) {
  test::ScratchDir dir;
  auto form = ASIFormDataRequest::requestWithURL(server.url("/form"));
  form->setPostBodyFilePath(dir.file("body"));
  form->addPostValue("v", "a\"; x=\"b");
  form->addData("bytes", std::string("x\".txt"), std::nullopt, "doc\"");
  form->buildPostBody();
  ASSERT_FALSE(form->error());
  const std::string body = test::readFile(dir.file("body"));
  EXPECT_NE(body.find("Content-Disposition: form-data; name=\"a%22; x=%22b\"\r\n"), std::string::npos) << body;
  EXPECT_NE(body.find("Content-Disposition: form-data; name=\"doc%22\"; filename=\"x%22.txt\"\r\n"), std::string::npos)
      << body;
}

// Counts the questions put to it on a thread other than the one that made it.
class ThreadCheckingDelegate final : public RecordingDelegate {
 public:
  bool respondsToSelector(ASISelector selector) const override {
    if (std::this_thread::get_id() != home) ++callsOffItsThread;
    return RecordingDelegate::respondsToSelector(selector);
  }
  const std::thread::id home = std::this_thread::get_id();
  mutable std::atomic<int> callsOffItsThread{0};
};

TEST_F(RequestSafetyTest, TheNetworkThreadNeverCallsIntoADelegate) {
  // Bytes of the body, a redirect to confirm and credentials questions, from a request's delegate
  // and from a queue's: each is decided on the network thread.
  ThreadCheckingDelegate d;
  d.alsoAnswer({ASISelector::requestDidReceiveData, ASISelector::requestWillRedirectToURL,
                ASISelector::authenticationNeededForRequest});
  d.answerCredentials = [](ASIHTTPRequest& r) {
    r.setUsername("ann");
    r.setPassword("pw");
    r.retryUsingSuppliedCredentials();
  };
  main.run(ASIHTTPRequest::requestWithURL(server.url("/redirect/302?to=/bytes?size=200000")), d);
  EXPECT_EQ(d.redirectAsked.size(), 1u);
  EXPECT_EQ(d.data.size(), 200000u);  // the target's body; the redirect's own "moved" is not the response
  d.finished = 0;
  main.run(ASIHTTPRequest::requestWithURL(server.url("/basic?user=ann&pass=pw")), d);
  EXPECT_EQ(d.finished, 1);

  auto queue = ASINetworkQueue::queue();
  queue->setDelegate(&d);
  bool ended = false;
  queue->setQueueDidFinishSelector([&](ASINetworkQueue&) { ended = true; });
  ASIHTTPRequest::clearSession();
  queue->addOperation(ASIHTTPRequest::requestWithURL(server.url("/basic?user=ann&pass=pw")));
  queue->go();
  ASSERT_TRUE(main.pumpUntil([&] { return ended; }));
  EXPECT_EQ(d.credentialQuestions, 2);
  EXPECT_EQ(d.callsOffItsThread.load(), 0);
}

TEST_F(RequestSafetyTest, AQueuesDelegateAndSelectorsMayBeSetWhileItsRequestsRun) {
  // The network thread asks the queue whether it confirms redirects and answers credentials
  // questions while the main thread sets the queue's receivers (ThreadSanitizer watches).
  RecordingDelegate d;
  d.alsoAnswer({ASISelector::authenticationNeededForRequest});
  d.answerCredentials = [](ASIHTTPRequest& r) {
    r.setUsername("u");
    r.setPassword("p");
    r.retryUsingSuppliedCredentials();
  };
  auto confirm = [](ASIHTTPRequest& r, const URL& u) { r.redirectToURL(u); };
  auto queue = ASINetworkQueue::queue();
  int finished = 0;
  queue->setDelegate(&d);
  queue->setRequestWillRedirectSelector(confirm);
  queue->setRequestDidFinishSelector([&](ASIHTTPRequest&) { ++finished; });
  for (int i = 0; i < 8; ++i) {
    auto request = ASIHTTPRequest::requestWithURL(server.url("/redirect/302?to=/basic?n=" + std::to_string(i)));
    request->setUseSessionPersistence(false);
    queue->addOperation(request);
  }
  queue->go();
  ASSERT_TRUE(main.pumpUntil([&] {
    queue->setDelegate(&d);
    queue->setRequestWillRedirectSelector(confirm);
    return finished == 8;
  }));
  EXPECT_EQ(d.credentialQuestions, 8);
}

TEST_F(RequestSafetyTest, ADelegateDestroyedWhileItsRequestRunsIsNotTouchedAgain) {
  // The delegate goes away between two chunks of the body while the network thread keeps deciding
  // where the next chunks go (ThreadSanitizer and AddressSanitizer watch that decision).
  for (int round = 0; round < 6; ++round) {
    auto d = std::make_unique<RecordingDelegate>();
    d->alsoAnswer({ASISelector::requestDidReceiveData});
    auto request = ASIHTTPRequest::requestWithURL(server.url("/bytes?size=3000000"));
    request->setDelegate(d.get());
    std::size_t received = 0;
    bool ended = false;
    request->setDataReceivedBlock([&](const std::string& bytes) {
      received += bytes.size();
      d.reset();
    });
    request->setCompletionBlock([&] { ended = true; });
    request->setFailedBlock([&] { ended = true; });
    request->startAsynchronous();
    ASSERT_TRUE(main.pumpUntil([&] { return ended; }));
    EXPECT_FALSE(request->error());
    EXPECT_EQ(received, 3000000u);
  }
}

}  // namespace
}  // namespace td
