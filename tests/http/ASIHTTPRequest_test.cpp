// The request engine against a local server: what goes on the wire, bodies of every framing,
// redirects, cookies, gzip, failures and cancellation, in both start modes. (Time-outs and their
// retries run on the engine's manual clock, in TimeOutRetries_test.cpp.)

#include <gtest/gtest.h>

#include <thread>

#include "HTTPTestSupport.h"
#include "http/ASIHTTPRequest.h"
#include "http/HTTPCookie.h"

namespace td {
namespace {

using namespace std::chrono_literals;
using test::RecordingDelegate;

class RequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(server.port(), 0) << "the test server did not start";
    ASIHTTPRequest::clearSession();
    HTTPCookieStorage::sharedHTTPCookieStorage().removeAll();
  }

  std::string echoField(const ASIHTTPRequest& request, const std::string& field) {
    const std::string body = request.responseString().value_or("");
    const auto at = body.find("\"" + field + "\": ");
    if (at == std::string::npos) return "";
    auto start = at + field.size() + 4;
    if (body[start] == '"') {
      const auto end = body.find('"', start + 1);
      return body.substr(start + 1, end - start - 1);
    }
    return body.substr(start, body.find_first_of(",}", start) - start);
  }
  // Whether the echoed request carried the header, written in any letter case.
  bool echoHasHeader(const ASIHTTPRequest& request, const std::string& name) {
    return toLower(request.responseString().value_or("")).find("\"" + toLower(name) + "\":") != std::string::npos;
  }

  test::MainQueueFixture main;
  test::TestServer server;
};

TEST_F(RequestTest, AGetSendsTheEnginesHeadersAndNothingOfTheTransports) {
  RecordingDelegate d;
  auto request = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  main.run(request, d);
  ASSERT_EQ(d.finished, 1) << (d.lastError ? d.lastError->toString() : "");
  EXPECT_EQ(d.started, 1);
  EXPECT_EQ(request->responseStatusCode(), 200);
  EXPECT_EQ(echoField(*request, "method"), "GET");
  EXPECT_EQ(echoField(*request, "Accept-Encoding"), "gzip");
  const std::string agent = echoField(*request, "User-Agent");
  EXPECT_EQ(agent.rfind("TarnwickDesk ", 0), 0u) << agent;
  EXPECT_NE(agent.find("Linux"), std::string::npos) << agent;
  EXPECT_FALSE(echoHasHeader(*request, "Content-Length"));
  EXPECT_FALSE(echoHasHeader(*request, "Accept"));
  EXPECT_FALSE(echoHasHeader(*request, "Expect"));
  EXPECT_FALSE(echoHasHeader(*request, "Range"));
  EXPECT_TRUE(request->isFinished());
  EXPECT_FALSE(request->isExecuting());
}

TEST_F(RequestTest, ABodyTurnsAGetIntoAPostWithItsLengthWhileAPutStaysAPut) {
  RecordingDelegate d1, d2;
  auto get = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  get->appendPostData("hello");
  main.run(get, d1);
  EXPECT_EQ(echoField(*get, "method"), "POST");
  EXPECT_EQ(echoField(*get, "Content-Length"), "5");
  EXPECT_EQ(echoField(*get, "body"), "hello");
  EXPECT_FALSE(get->shouldAttemptPersistentConnection());

  auto put = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  put->setRequestMethod("PUT");
  put->setShouldCompressRequestBody(true);
  put->appendPostData("compressed body");
  main.run(put, d2);
  EXPECT_EQ(echoField(*put, "method"), "PUT");
  EXPECT_EQ(echoField(*put, "Content-Encoding"), "gzip");
  EXPECT_EQ(echoField(*put, "body"), "compressed body");
}

TEST_F(RequestTest, ACallersUserAgentAndHeadersAreSentAsGiven) {
  RecordingDelegate d;
  auto request = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  request->addRequestHeader("User-Agent", "mine");
  request->addRequestHeader("X-Twice", "first");
  request->addRequestHeader("X-Twice", "second");
  main.run(request, d);
  EXPECT_EQ(echoField(*request, "User-Agent"), "mine");
  EXPECT_EQ(echoField(*request, "X-Twice"), "second");

  // Names in any letter case are one header: the last set wins, written as it was set, and the
  // engine's own fields do not come as second ones beside the caller's.
  RecordingDelegate cased;
  auto other = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  other->addRequestHeader("user-agent", "lower");
  other->addRequestHeader("X-Twice", "first");
  other->addRequestHeader("x-TWICE", "second");
  other->addRequestHeader("accept-encoding", "identity");
  main.run(other, cased);
  const std::string body = other->responseString().value_or("");
  EXPECT_EQ(echoField(*other, "user-agent"), "lower");
  EXPECT_EQ(echoField(*other, "x-TWICE"), "second");
  EXPECT_EQ(echoField(*other, "Accept-Encoding"), "gzip");
  for (const char* name : {"user-agent", "x-twice", "accept-encoding"}) {
    const std::string key = "\"" + std::string(name) + "\":";
    const std::string lower = toLower(body);
    EXPECT_EQ(lower.find(key, lower.find(key) + 1), std::string::npos) << name << " sent twice: " << body;
  }
}

TEST_F(RequestTest, BodiesOfEveryFramingArriveWhole) {
  struct Case {
    const char* path;
    const char* body;
  } cases[] = {{"/hello", "hello"}, {"/chunked", "first second third"}, {"/closed", "until the end"}};
  for (const auto& c : cases) {
    RecordingDelegate d;
    auto request = ASIHTTPRequest::requestWithURL(server.url(c.path));
    main.run(request, d);
    ASSERT_EQ(d.finished, 1) << c.path << (d.lastError ? d.lastError->toString() : "");
    EXPECT_EQ(request->responseString().value_or("?"), c.body) << c.path;
    EXPECT_EQ(request->contentLength(), std::string(c.body).size()) << c.path;
  }
}

TEST_F(RequestTest, TheHeadIsTheFinalOneWithoutTheInterimHeadsFieldsNorTheTrailers) {
  RecordingDelegate d;
  auto request = ASIHTTPRequest::requestWithURL(server.url("/interim"));
  main.run(request, d);
  ASSERT_EQ(d.finished, 1) << (d.lastError ? d.lastError->toString() : "");
  EXPECT_EQ(request->responseStatusCode(), 200);
  EXPECT_EQ(request->responseString().value_or("?"), "body");
  const auto headers = request->responseHeaders();
  ASSERT_TRUE(headers);
  EXPECT_EQ(headers->get("X-Final").value_or(""), "yes");
  EXPECT_FALSE(headers->contains("Link"));
  EXPECT_FALSE(headers->contains("X-Trailer"));
}

TEST_F(RequestTest, ABodyCutShortOrABrokenChunkIsAFailureNeverASuccess) {
  for (const char* path : {"/truncated", "/badchunk"}) {
    RecordingDelegate d;
    auto request = ASIHTTPRequest::requestWithURL(server.url(path));
    main.run(request, d);
    EXPECT_EQ(d.finished, 0) << path;
    ASSERT_EQ(d.failed, 1) << path;
    EXPECT_EQ(d.lastError->code, ASIConnectionFailureErrorType) << path;
    EXPECT_EQ(d.lastError->description, "A connection failure occurred") << path;
  }
}

TEST_F(RequestTest, GzipBodiesInflateDeferredOrOnTheFly) {
  RecordingDelegate d1, d2;
  auto deferred = ASIHTTPRequest::requestWithURL(server.url("/gzip?repeat=50"));
  main.run(deferred, d1);
  ASSERT_EQ(d1.finished, 1);
  EXPECT_TRUE(deferred->isResponseCompressed());
  EXPECT_NE(deferred->rawResponseData()->size(), deferred->responseData().size());  // kept raw until read
  std::string expected;
  for (int i = 0; i < 50; ++i) expected += "compressed text ";
  EXPECT_EQ(deferred->responseString().value_or(""), expected);
  // Inflated once, when the body ended: a read inflates nothing again (so a bound set now is moot).
  deferred->setResponseDataLimit(1);
  EXPECT_EQ(deferred->responseString().value_or(""), expected);

  auto onTheFly = ASIHTTPRequest::requestWithURL(server.url("/gzip?repeat=50"));
  onTheFly->setShouldWaitToInflateCompressedResponses(false);
  main.run(onTheFly, d2);
  ASSERT_EQ(d2.finished, 1);
  EXPECT_EQ(*onTheFly->rawResponseData(), expected);
}

TEST_F(RequestTest, ACompressedBodyThatDoesNotInflateWholeFailsTheRequestDeferredOrOnTheFly) {
  // Cut before its trailer, or a trailer whose check value or length is wrong.
  for (const char* kind : {"cut", "crc", "length"}) {
    for (bool wait : {true, false}) {
      RecordingDelegate d;
      auto request = ASIHTTPRequest::requestWithURL(server.url(std::string("/badgzip?kind=") + kind));
      request->setShouldWaitToInflateCompressedResponses(wait);
      main.run(request, d);
      EXPECT_EQ(d.finished, 0) << kind << " wait " << wait;
      ASSERT_EQ(d.failed, 1) << kind << " wait " << wait;
      EXPECT_EQ(d.lastError->code, ASICompressionError) << kind << " wait " << wait;
      EXPECT_FALSE(request->responseString()) << kind << " wait " << wait;
    }
  }
}

TEST_F(RequestTest, BodiesThrownAwayAreNotInflatedNorHandedToAReceiver) {
  // A redirect's body and a challenge's: with badgzip=1 they claim gzip and are not.
  struct Case {
    const char* path;
    const char* body;
  } cases[] = {{"/redirect/302?to=/hello", "hello"}, {"/basic?user=u&pass=p", "welcome"}};
  for (const auto& c : cases) {
    RecordingDelegate d;
    auto request = ASIHTTPRequest::requestWithURL(server.url(std::string(c.path) + "&badgzip=1"));
    request->setShouldWaitToInflateCompressedResponses(false);
    request->setUsername("u");
    request->setPassword("p");
    main.run(request, d);
    ASSERT_EQ(d.finished, 1) << c.path << ": " << (d.lastError ? d.lastError->toString() : "");
    EXPECT_EQ(request->responseString().value_or(""), c.body) << c.path;

    RecordingDelegate receiver;
    receiver.alsoAnswer({ASISelector::requestDidReceiveData});
    auto fed = ASIHTTPRequest::requestWithURL(server.url(c.path));
    fed->setUsername("u");
    fed->setPassword("p");
    fed->setShouldPresentCredentialsBeforeChallenge(false);
    main.run(fed, receiver);
    main.queue.runPending();
    ASSERT_EQ(receiver.finished, 1) << c.path;
    EXPECT_EQ(receiver.data, c.body) << c.path;
  }
}

TEST_F(RequestTest, ABodyKeptInMemoryStopsAtItsLimitAsReceivedAndAsInflated) {
  RecordingDelegate raw;
  auto big = ASIHTTPRequest::requestWithURL(server.url("/bytes?size=5000"));
  big->setResponseDataLimit(4000);
  main.run(big, raw);
  ASSERT_EQ(raw.failed, 1);
  EXPECT_EQ(raw.lastError->code, ASIConnectionFailureErrorType);
  EXPECT_NE(raw.lastError->failureReason.find("larger than 4000 bytes"), std::string::npos) << raw.lastError->toString();

  // 16,000 bytes once inflated, from a body of less than a hundred: inflation stops at the limit.
  for (bool wait : {true, false}) {
    RecordingDelegate d, fits;
    auto bomb = ASIHTTPRequest::requestWithURL(server.url("/gzip?repeat=1000"));
    bomb->setShouldWaitToInflateCompressedResponses(wait);
    bomb->setResponseDataLimit(15999);
    main.run(bomb, d);
    ASSERT_EQ(d.failed, 1) << "wait " << wait;
    EXPECT_EQ(d.lastError->code, ASICompressionError);
    EXPECT_NE(d.lastError->description.find("more than 15999 bytes"), std::string::npos) << d.lastError->toString();

    auto exact = ASIHTTPRequest::requestWithURL(server.url("/gzip?repeat=1000"));
    exact->setShouldWaitToInflateCompressedResponses(wait);
    exact->setResponseDataLimit(16000);
    main.run(exact, fits);
    ASSERT_EQ(fits.finished, 1) << "wait " << wait;
    EXPECT_EQ(exact->responseString().value_or("").size(), 16000u);
  }
}

TEST_F(RequestTest, TheCharsetOfTheContentTypeDecodesTheBodyAndLatin1IsTheDefault) {
  RecordingDelegate d1, d2;
  auto utf8 = ASIHTTPRequest::requestWithURL(server.url("/status?body=%C3%A9&type=text/xml;%20charset=utf-8"));
  main.run(utf8, d1);
  EXPECT_EQ(utf8->responseEncoding(), "UTF-8");
  EXPECT_EQ(utf8->responseString().value_or(""), "\xC3\xA9");
  auto latin = ASIHTTPRequest::requestWithURL(server.url("/status?body=%C3%A9&type=text/xml"));
  main.run(latin, d2);
  EXPECT_EQ(latin->responseEncoding(), "ISO-8859-1");
  EXPECT_EQ(latin->responseString().value_or(""), "\xC3\x83\xC2\xA9");  // two Latin-1 characters
}

TEST_F(RequestTest, RedirectsChangeOrKeepTheMethodByStatus) {
  struct Case {
    int status;
    bool rfc;
    const char* method;
    const char* body;
  } cases[] = {{302, false, "GET", ""}, {302, true, "POST", "payload"}, {301, false, "GET", ""},
               {303, true, "GET", ""},   {307, false, "POST", "payload"}};
  for (const auto& c : cases) {
    RecordingDelegate d;
    auto request = ASIHTTPRequest::requestWithURL(
        server.url("/redirect/" + std::to_string(c.status) + "?to=/echo"));
    request->appendPostData("payload");
    request->addRequestHeader("X-Custom", "kept?");
    request->setShouldUseRFC2616RedirectBehaviour(c.rfc);
    main.run(request, d);
    ASSERT_EQ(d.finished, 1) << c.status;
    EXPECT_EQ(echoField(*request, "method"), c.method) << c.status << " rfc " << c.rfc;
    EXPECT_EQ(echoField(*request, "body"), c.body) << c.status;
    EXPECT_EQ(echoHasHeader(*request, "X-Custom"), std::string(c.method) == "POST") << c.status;
    EXPECT_EQ(request->url().path(), "/echo");
    EXPECT_EQ(request->originalURL().path(), "/redirect/" + std::to_string(c.status));
  }
}

TEST_F(RequestTest, FiveRedirectsAreFollowedAndTheSixthFails) {
  RecordingDelegate ok, tooMany;
  auto five = ASIHTTPRequest::requestWithURL(server.url("/chain/5"));
  main.run(five, ok);
  EXPECT_EQ(ok.finished, 1);
  EXPECT_EQ(five->responseString().value_or(""), "end of chain");

  auto six = ASIHTTPRequest::requestWithURL(server.url("/chain/6"));
  main.run(six, tooMany);
  ASSERT_EQ(tooMany.failed, 1);
  EXPECT_EQ(tooMany.lastError->code, ASITooMuchRedirectionErrorType);
  EXPECT_EQ(tooMany.lastError->description, "The request failed because it redirected too many times");
  EXPECT_EQ(six->url().path(), "/chain/0");  // the sixth target, never fetched
}

TEST_F(RequestTest, ARedirectWithoutLocationIsTheResponse) {
  RecordingDelegate d;
  auto request = ASIHTTPRequest::requestWithURL(server.url("/redirect/301"));
  main.run(request, d);
  EXPECT_EQ(d.finished, 1);
  EXPECT_EQ(request->responseStatusCode(), 301);
  EXPECT_EQ(request->responseString().value_or(""), "moved");
}

TEST_F(RequestTest, ADelegateThatConfirmsRedirectsIsAskedFirst) {
  RecordingDelegate d;
  d.alsoAnswer({ASISelector::requestWillRedirectToURL});
  auto request = ASIHTTPRequest::requestWithURL(server.url("/redirect/302?to=/hello"));
  main.run(request, d);
  ASSERT_EQ(d.redirectAsked.size(), 1u);
  EXPECT_EQ(d.redirectAsked[0].absoluteString(), server.base() + "/hello");
  EXPECT_EQ(request->responseString().value_or(""), "hello");
}

TEST_F(RequestTest, CookiesOfAResponseGoWithLaterRequestsToThatServer) {
  RecordingDelegate set, echo;
  auto setter = ASIHTTPRequest::requestWithURL(server.url("/setcookie?a=1&b=2"));
  main.run(setter, set);
  EXPECT_EQ(setter->responseCookies().size(), 2u);
  EXPECT_EQ(ASIHTTPRequest::sessionCookies().size(), 2u);
  auto reader = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  main.run(reader, echo);
  EXPECT_EQ(echoField(*reader, "Cookie"), "a=1; b=2");

  ASIHTTPRequest::clearSession();
  RecordingDelegate after;
  auto again = ASIHTTPRequest::requestWithURL(server.url("/echo"));
  main.run(again, after);
  EXPECT_FALSE(echoHasHeader(*again, "Cookie"));
}

TEST_F(RequestTest, ARedirectToAnotherOriginDropsCredentialsAndCookies) {
  // 127.0.0.1 and localhost are two origins of the same server.
  RecordingDelegate set;
  main.run(ASIHTTPRequest::requestWithURL(server.url("/setcookie?secret=1")), set);
  const std::string target = "http://localhost:" + std::to_string(server.port()) + "/echo";
  for (auto [authorization, cookie] : {std::pair{"Authorization", "Cookie"}, std::pair{"authorization", "cookie"},
                                       std::pair{"AUTHORIZATION", "COOKIE"}}) {
    RecordingDelegate d;
    auto request = ASIHTTPRequest::requestWithURL(server.url("/redirect/307?to=" + target));
    request->addRequestHeader(authorization, "Basic c2VjcmV0");
    request->addRequestHeader(cookie, "mine=1");
    main.run(request, d);
    ASSERT_EQ(d.finished, 1) << (d.lastError ? d.lastError->toString() : "");
    EXPECT_EQ(request->url().host(), "localhost");
    EXPECT_FALSE(echoHasHeader(*request, "Authorization")) << authorization;
    EXPECT_FALSE(echoHasHeader(*request, "Cookie")) << cookie;
  }
}

TEST_F(RequestTest, ABadURLFailsBeforeAnythingIsSent) {
  RecordingDelegate d;
  auto request = ASIHTTPRequest::requestWithURL(URL::URLWithString(server.base() + "/news?category=Top News"));
  main.run(request, d);
  ASSERT_EQ(d.failed, 1);
  EXPECT_EQ(d.lastError->code, ASIUnableToCreateRequestErrorType);
  EXPECT_EQ(d.started, 0);
}

TEST_F(RequestTest, CancellingMidBodyReportsTheCancellationOnceAndClearingDelegatesReportsNothing) {
  RecordingDelegate d;
  auto request = ASIHTTPRequest::requestWithURL(server.url("/silent"));
  request->setDelegate(&d);
  request->startAsynchronous();
  ASSERT_TRUE(server.nextRequest());
  request->cancel();
  request->cancel();
  ASSERT_TRUE(main.pumpUntil([&] { return d.done(); }));
  main.queue.runPending();
  EXPECT_EQ(d.failed, 1);
  EXPECT_EQ(d.lastError->code, ASIRequestCancelledErrorType);
  EXPECT_TRUE(request->isCancelled());

  RecordingDelegate quiet;
  auto other = ASIHTTPRequest::requestWithURL(server.url("/silent"));
  other->setDelegate(&quiet);
  other->startAsynchronous();
  ASSERT_TRUE(server.nextRequest());
  other->clearDelegatesAndCancel();
  ASSERT_TRUE(main.pumpUntil([&] { return other->isFinished(); }));
  main.queue.runPending();
  EXPECT_EQ(quiet.failed + quiet.finished, 0);
  EXPECT_EQ(other->error()->code, ASIRequestCancelledErrorType);
}

TEST_F(RequestTest, ASynchronousRequestRunsOnTheCallersThread) {
  auto request = ASIHTTPRequest::requestWithURL(server.url("/hello"));
  request->startSynchronous();
  EXPECT_FALSE(request->error()) << request->error()->toString();
  EXPECT_EQ(request->responseString().value_or(""), "hello");
  EXPECT_FALSE(request->inProgress());

  auto cancelled = ASIHTTPRequest::requestWithURL(server.url("/hello"));
  cancelled->cancel();
  main.pumpUntil([&] { return cancelled->isCancelled(); }, 2000ms);
}

TEST_F(RequestTest, ProgressRunsFromZeroToOneAndAnUnknownLengthCountsOneStep) {
  RecordingDelegate d;
  auto request = ASIHTTPRequest::requestWithURL(server.url("/bytes?size=300000"));
  request->setDownloadProgressDelegate(&d);
  main.run(request, d);
  main.queue.runPending();
  ASSERT_EQ(d.finished, 1);
  EXPECT_EQ(d.maxValues, std::vector<double>{1.0});
  ASSERT_FALSE(d.values.empty());
  EXPECT_EQ(d.values.front(), 0.0);
  EXPECT_DOUBLE_EQ(d.values.back(), 1.0);
  EXPECT_EQ(d.downloadSize, 300000);
  EXPECT_EQ(d.receivedBytes, 300000);

  RecordingDelegate unknown;
  auto chunked = ASIHTTPRequest::requestWithURL(server.url("/chunked"));
  chunked->setDownloadProgressDelegate(&unknown);
  main.run(chunked, unknown);
  main.queue.runPending();
  EXPECT_FALSE(chunked->showAccurateProgress());
  EXPECT_EQ(unknown.downloadSize, 1);
  EXPECT_EQ(unknown.receivedBytes, 1);
  EXPECT_DOUBLE_EQ(unknown.values.back(), 1.0);
}

TEST_F(RequestTest, ReceiversSetAfterTheStartHearEveryReportNotYetDelivered) {
  // The request runs to its end on the network thread before the main thread sets its receivers:
  // none of its reports has been delivered yet, so each of them reaches the receivers set now.
  RecordingDelegate late;
  int startedBlockCalls = 0;
  std::uint64_t bytesInBlock = 0;
  auto request = ASIHTTPRequest::requestWithURL(server.url("/bytes?size=3000"));
  request->startAsynchronous();
  for (int i = 0; i < 1000 && !request->isFinished(); ++i) std::this_thread::sleep_for(5ms);
  ASSERT_TRUE(request->isFinished());
  request->setDelegate(&late);
  request->setDownloadProgressDelegate(&late);
  request->setStartedBlock([&] { ++startedBlockCalls; });
  request->setBytesReceivedBlock([&](std::uint64_t amount, std::uint64_t) { bytesInBlock += amount; });
  ASSERT_TRUE(main.pumpUntil([&] { return late.done(); }));
  main.queue.runPending();
  EXPECT_EQ(late.finished, 1);
  EXPECT_EQ(late.started, 1);
  EXPECT_EQ(startedBlockCalls, 1);
  EXPECT_EQ(late.headers.size(), 1u);
  EXPECT_EQ(late.downloadSize, 3000);
  EXPECT_EQ(late.receivedBytes, 3000);
  EXPECT_EQ(bytesInBlock, 3000u);
  ASSERT_FALSE(late.values.empty());
  EXPECT_DOUBLE_EQ(late.values.back(), 1.0);
}

}  // namespace
}  // namespace td
