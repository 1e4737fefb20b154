// The engine's periphery against the local server: connection reuse, credentials, forms, the request
// queue and the download cache.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <stdexcept>

#include "HTTPTestSupport.h"
#include "http/ASIDownloadCache.h"
#include "http/ASIFormDataRequest.h"
#include "http/ASINetworkQueue.h"
#include "http/HTTPEngineException.h"

namespace td {
namespace {

using namespace std::chrono_literals;
using test::RecordingDelegate;

// Something a request queue must refuse.
class OperationQueueProbe : public Operation {
 public:
  void start() override {}
  void cancel() override {}
  bool isCancelled() const override { return false; }
  bool isExecuting() const override { return false; }
  bool isFinished() const override { return false; }
};

class PeripheryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(server.port(), 0);
    ASIHTTPRequest::clearSession();
  }
  static std::string header(const ASIHTTPRequest& r, const char* name) {
    return r.responseHeaders() ? r.responseHeaders()->get(name).value_or("") : "";
  }

  test::MainQueueFixture main;
  test::TestServer server;
};

TEST_F(PeripheryTest, RequestsToOneServerRideOnOneKeptConnection) {
  std::string firstPort;
  std::optional<int> firstID;
  for (int i = 0; i < 3; ++i) {
    RecordingDelegate d;
    auto request = ASIHTTPRequest::requestWithURL(server.url("/hello"));
    main.run(request, d);
    ASSERT_EQ(d.finished, 1);
    if (i == 0) {
      firstPort = header(*request, "X-Client-Port");
      firstID = request->connectionID();
    }
    EXPECT_EQ(header(*request, "X-Client-Port"), firstPort) << "request " << i;
    EXPECT_EQ(request->connectionID(), firstID);
  }
}

TEST_F(PeripheryTest, KeepAliveHeadersDecideWhetherAndHowLongAConnectionIsKept) {
  struct Case {
    const char* header;
    bool reused;
    double timeout;
  } cases[] = {{"timeout%3D5,%20max%3D100", true, 5}, {"timeout%3D5,%20max%3D5", false, 60}};
  for (const auto& c : cases) {
    RecordingDelegate d;
    auto request = ASIHTTPRequest::requestWithURL(server.url(std::string("/keepalive?header=") + c.header));
    main.run(request, d);
    EXPECT_EQ(request->connectionCanBeReused(), c.reused) << c.header;
    EXPECT_EQ(request->persistentConnectionTimeoutSeconds(), c.timeout) << c.header;
  }
}

TEST_F(PeripheryTest, AConnectionTheServerDroppedIsRetriedOnceOnAFreshOne) {
  RecordingDelegate first, second;
  auto a = ASIHTTPRequest::requestWithURL(server.url("/dropsecond"));
  main.run(a, first);
  ASSERT_EQ(first.finished, 1);
  auto b = ASIHTTPRequest::requestWithURL(server.url("/dropsecond"));
  main.run(b, second);
  ASSERT_EQ(second.finished, 1) << (second.lastError ? second.lastError->toString() : "");
  EXPECT_EQ(b->responseString().value_or(""), "first");
  EXPECT_NE(header(*b, "X-Client-Port"), header(*a, "X-Client-Port"));
}

TEST_F(PeripheryTest, BasicAndDigestChallengesAreAnsweredWithTheRequestsCredentials) {
  for (const char* scheme : {"basic", "digest"}) {
    RecordingDelegate d;
    auto request = ASIHTTPRequest::requestWithURL(server.url(std::string("/") + scheme + "?user=ann&pass=pw"));
    request->setUsername("ann");
    request->setPassword("pw");
    main.run(request, d);
    ASSERT_EQ(d.finished, 1) << scheme << (d.lastError ? d.lastError->toString() : "");
    EXPECT_EQ(request->responseStatusCode(), 200) << scheme;
    EXPECT_EQ(d.started, 2) << scheme;  // the challenge, then the answer
  }
}

TEST_F(PeripheryTest, RefusedCredentialsAreNotSentAgainAndEndInTheAuthenticationError) {
  for (const char* scheme : {"basic", "digest"}) {
    RecordingDelegate d;
    auto request = ASIHTTPRequest::requestWithURL(server.url(std::string("/") + scheme + "?user=ann&pass=right"));
    request->setUsername("ann");
    request->setPassword("wrong");
    main.run(request, d);
    ASSERT_EQ(d.failed, 1) << scheme;
    EXPECT_EQ(d.lastError->code, ASIAuthenticationErrorType) << scheme;
    EXPECT_EQ(request->responseStatusCode(), 401);
    EXPECT_EQ(d.started, 2) << scheme;
  }
  EXPECT_TRUE(ASIHTTPRequest::sessionCredentialsStore().empty());
}

TEST_F(PeripheryTest, ARequestWithoutCredentialsOrOnlyNegotiateFailsWithoutWaiting) {
  RecordingDelegate none, ntlm;
  auto bare = ASIHTTPRequest::requestWithURL(server.url("/basic"));
  main.run(bare, none);
  ASSERT_EQ(none.failed, 1);
  EXPECT_EQ(none.lastError->code, ASIAuthenticationErrorType);

  auto windows = ASIHTTPRequest::requestWithURL(server.url("/negotiate"));
  windows->setUsername("ann");
  windows->setPassword("pw");
  main.run(windows, ntlm);
  ASSERT_EQ(ntlm.failed, 1);
  EXPECT_EQ(ntlm.lastError->code, ASIInternalErrorWhileApplyingCredentialsType);
  EXPECT_EQ(ntlm.lastError->description, "Failed to get authentication object from response headers");
}

TEST_F(PeripheryTest, CredentialsInTheURLAndFromTheDelegateAnswerAChallenge) {
  RecordingDelegate inURL, asked;
  auto url = URL::URLWithString("http://ann:pw@127.0.0.1:" + std::to_string(server.port()) + "/basic?user=ann&pass=pw");
  auto fromURL = ASIHTTPRequest::requestWithURL(url);
  main.run(fromURL, inURL);
  EXPECT_EQ(inURL.finished, 1);

  ASIHTTPRequest::clearSession();
  asked.alsoAnswer({ASISelector::authenticationNeededForRequest});
  asked.answerCredentials = [](ASIHTTPRequest& r) {
    r.setUsername("bob");
    r.setPassword("pw2");
    r.retryUsingSuppliedCredentials();
  };
  auto request = ASIHTTPRequest::requestWithURL(server.url("/basic?user=bob&pass=pw2"));
  main.run(request, asked);
  EXPECT_EQ(asked.credentialQuestions, 1);
  EXPECT_EQ(asked.finished, 1);
}

TEST_F(PeripheryTest, BasicCredentialsThatWorkedGoAlongBeforeAnyChallenge) {
  RecordingDelegate first, second;
  auto a = ASIHTTPRequest::requestWithURL(server.url("/basic?user=ann&pass=pw"));
  a->setUsername("ann");
  a->setPassword("pw");
  main.run(a, first);
  ASSERT_EQ(first.finished, 1);
  auto b = ASIHTTPRequest::requestWithURL(server.url("/basic?user=ann&pass=pw"));
  main.run(b, second);
  EXPECT_EQ(second.finished, 1);
  EXPECT_EQ(second.started, 1);  // no challenge this time

  RecordingDelegate preemptive;
  auto c = ASIHTTPRequest::requestWithURL(server.url("/basic?user=cy&pass=x"));
  c->setUsername("cy");
  c->setPassword("x");
  c->setAuthenticationScheme("Basic");
  main.run(c, preemptive);
  EXPECT_EQ(preemptive.started, 1);
  EXPECT_EQ(preemptive.finished, 1);
}

TEST_F(PeripheryTest, FormsArePostedUrlEncodedOrAsMultipartParts) {
  RecordingDelegate plain, multi;
  auto form = ASIFormDataRequest::requestWithURL(server.url("/form"));
  form->addPostValue("1", "a");
  form->addPostValue("x y&z=+", "b");
  form->setPostValue("2", "a");
  main.run(form, plain);
  const std::string body = form->responseString().value_or("");
  EXPECT_NE(body.find("application/x-www-form-urlencoded; charset=utf-8"), std::string::npos) << body;
  EXPECT_NE(body.find("\"b\": \"x y&z=+\""), std::string::npos) << body;
  EXPECT_NE(body.find("\"a\": \"2\""), std::string::npos) << body;

  test::ScratchDir dir;
  test::writeFile(dir.file("note.txt"), "file contents");
  auto upload = ASIFormDataRequest::requestWithURL(server.url("/form"));
  upload->addPostValue("v", "field");
  upload->addFile(dir.file("note.txt"), "doc");
  upload->addData("raw bytes", "blob");
  main.run(upload, multi);
  const std::string result = upload->responseString().value_or("");
  EXPECT_EQ(upload->postFormat(), ASIMultipartFormDataPostFormat);
  EXPECT_NE(result.find("\"field\": \"v\""), std::string::npos) << result;
  EXPECT_NE(result.find("\"filename\": \"note.txt\""), std::string::npos) << result;
  EXPECT_NE(result.find("\"content\": \"file contents\""), std::string::npos) << result;
  EXPECT_NE(result.find("\"filename\": \"file\", \"type\": \"application/octet-stream\""), std::string::npos) << result;
}

TEST_F(PeripheryTest, AQueueRunsFourAtATimeAndReportsTheEnd) {
  auto queue = ASINetworkQueue::queue();
  int finished = 0, queueDone = 0;
  queue->setRequestDidFinishSelector([&](ASIHTTPRequest&) { ++finished; });
  queue->setQueueDidFinishSelector([&](ASINetworkQueue&) { ++queueDone; });
  for (int i = 0; i < 6; ++i) queue->addOperation(ASIHTTPRequest::requestWithURL(server.url("/slow?delay=0.3")));
  EXPECT_EQ(queue->totalBytesToDownload(), 6u);
  main.queue.runPending();
  EXPECT_EQ(finished, 0);  // not told to go
  queue->go();
  ASSERT_TRUE(main.pumpUntil([&] { return queueDone == 1; }));
  EXPECT_EQ(finished, 6);
  auto peak = ASIHTTPRequest::requestWithURL(server.url("/peak"));
  peak->startSynchronous();
  EXPECT_EQ(peak->responseString().value_or(""), "4");

  EXPECT_THROW(queue->addOperation(std::make_shared<OperationQueueProbe>()), HTTPEngineException);
}

TEST_F(PeripheryTest, AFailureInAQueueCancelsTheOthers) {
  auto queue = ASINetworkQueue::queue();
  std::vector<std::int64_t> failures;
  int queueDone = 0;
  queue->setRequestDidFailSelector([&](ASIHTTPRequest& r) { failures.push_back(r.error()->code); });
  queue->setQueueDidFinishSelector([&](ASINetworkQueue&) { ++queueDone; });
  auto bad = ASIHTTPRequest::requestWithURL(URL::URLWithString("http://127.0.0.1:1/"));
  queue->addOperation(bad);
  queue->addOperation(ASIHTTPRequest::requestWithURL(server.url("/silent")));
  queue->addOperation(ASIHTTPRequest::requestWithURL(server.url("/silent")));
  queue->go();
  ASSERT_TRUE(main.pumpUntil([&] { return queueDone == 1; }));
  ASSERT_EQ(failures.size(), 3u);
  EXPECT_EQ(failures[0], ASIConnectionFailureErrorType);
  EXPECT_EQ(failures[1], ASIRequestCancelledErrorType);
  EXPECT_EQ(failures[2], ASIRequestCancelledErrorType);
}

TEST_F(PeripheryTest, AnAccurateQueueAsksForSizesWithHeadRequestsFirst) {
  auto queue = ASINetworkQueue::queue();
  queue->setShowAccurateProgress(true);
  int queueDone = 0;
  queue->setQueueDidFinishSelector([&](ASINetworkQueue&) { ++queueDone; });
  auto request = ASIHTTPRequest::requestWithURL(server.url("/bytes?size=5000"));
  queue->addOperation(request);
  queue->go();
  ASSERT_TRUE(server.nextRequest()->rfind("GOT HEAD", 0) == 0);
  ASSERT_TRUE(main.pumpUntil([&] { return queueDone == 1; }));
  EXPECT_EQ(queue->totalBytesToDownload(), 5000u);
  EXPECT_EQ(queue->bytesDownloadedSoFar(), 5000u);
}

// A cache that fails the way `raise` does as soon as a request consults it.
class RaisingCache : public ASIDownloadCache {
 public:
  explicit RaisingCache(std::function<void()> raise) : raise_(std::move(raise)) {}
  int defaultCachePolicy() const override {
    raise_();
    return 0;
  }

 private:
  std::function<void()> raise_;
};

TEST_F(PeripheryTest, AnExceptionWhileStartingFailsWithItsNameAsWrittenAndItsReason) {
  struct Case {
    std::function<void()> raise;
    const char* name;
    const char* reason;
  } cases[] = {
      {[] { throw HTTPEngineException("FailedToTraverseCacheDirectory", "Listing cache directory failed at path 'x'"); },
       "FailedToTraverseCacheDirectory", "Listing cache directory failed at path 'x'"},
      {[] { throw std::length_error("too long"); }, "std::length_error", "too long"}};
  for (const auto& c : cases) {
    RecordingDelegate d;
    auto request = ASIHTTPRequest::requestWithURL(server.url("/hello"), std::make_shared<RaisingCache>(c.raise));
    main.run(request, d);
    ASSERT_EQ(d.failed, 1) << c.name;
    EXPECT_EQ(d.lastError->code, ASIUnhandledExceptionError);
    EXPECT_EQ(d.lastError->description, c.name);
    EXPECT_EQ(d.lastError->failureReason, c.reason);
  }
}

class CacheTest : public PeripheryTest {
 protected:
  void SetUp() override {
    PeripheryTest::SetUp();
    cache = std::make_shared<ASIDownloadCache>();
    cache->setStoragePath(dir.file("cache"));
  }
  ASIHTTPRequest::Ptr get(const std::string& path, int policy = 0) {
    auto request = ASIHTTPRequest::requestWithURL(server.url(path), cache, policy);
    RecordingDelegate d;
    main.run(request, d);
    return request;
  }
  test::ScratchDir dir;
  std::shared_ptr<ASIDownloadCache> cache;
};

TEST_F(CacheTest, AFreshResponseIsAnsweredFromDiskAndAStaleOneIsRevalidated) {
  auto first = get("/cached?cc=max-age%3D60");
  EXPECT_EQ(first->responseString().value_or(""), "version 1");
  auto second = get("/cached?cc=max-age%3D60");
  EXPECT_TRUE(second->didUseCachedResponse());
  EXPECT_EQ(second->responseString().value_or(""), "version 1");

  auto tagged = get("/cached?etag=abc");
  EXPECT_FALSE(tagged->didUseCachedResponse());
  auto revalidated = get("/cached?etag=abc");
  EXPECT_TRUE(revalidated->didUseCachedResponse());  // the server said 304
  EXPECT_EQ(revalidated->responseStatusCode(), 200);
  EXPECT_EQ(revalidated->responseString(), tagged->responseString());

  auto dated = get("/cached?modified=Sun,%2006%20Nov%201994%2008:49:37%20GMT");
  auto again = get("/cached?modified=Sun,%2006%20Nov%201994%2008:49:37%20GMT");
  EXPECT_TRUE(again->didUseCachedResponse());
}

TEST_F(CacheTest, NoCacheNoStoreOrPrivateAnywhereInTheListForbidStoringAndACacheOnlyRequestWithNothingStoredFails) {
  for (const char* cc : {"no-cache", "no-cache,%20max-age%3D5", "public,%20NO-STORE", "max-age%3D60,%20private"}) {
    get(std::string("/cached?cc=") + cc);
    EXPECT_FALSE(cache->cachedResponseHeadersForURL(server.url(std::string("/cached?cc=") + cc))) << cc;
  }
  get("/cached?cc=public,%20max-age%3D60");
  EXPECT_TRUE(cache->cachedResponseHeadersForURL(server.url("/cached?cc=public,%20max-age%3D60")));

  auto offline = ASIHTTPRequest::requestWithURL(server.url("/never-fetched"), cache, ASIDontLoadCachePolicy);
  RecordingDelegate d;
  main.run(offline, d);
  EXPECT_EQ(d.failed, 1);
  EXPECT_EQ(d.finished, 0);
}

TEST_F(CacheTest, SecretsOfTheResponseAreNeverStoredAndCacheFilesAreTheUsersAlone) {
  const std::string path =
      "/cached?cc=max-age%3D60&set-cookie=session%3Dsecret&authorization=Basic%20c2VjcmV0&proxy-authorization=Basic%20c2VjcmV0";
  get(path);
  const auto headers = cache->cachedResponseHeadersForURL(server.url(path));
  ASSERT_TRUE(headers);
  EXPECT_TRUE(headers->get("Cache-Control"));
  for (const char* name : {"Set-Cookie", "Authorization", "Proxy-Authorization"}) EXPECT_FALSE(headers->get(name)) << name;
  for (const auto& file : {cache->pathToCachedResponseHeadersForURL(server.url(path)),
                           cache->pathToCachedResponseDataForURL(server.url(path))}) {
    ASSERT_TRUE(file);
    struct stat st {};
    ASSERT_EQ(::stat(file->c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << *file;
    EXPECT_EQ(test::readFile(*file).find("secret"), std::string::npos) << *file;
  }
}

TEST_F(CacheTest, FoldersThatCannotBeMadeRaiseAndTheSessionStoreStartsEmpty) {
  test::writeFile(dir.file("plainfile"), "x");
  ASIDownloadCache other;
  try {
    other.setStoragePath(dir.file("plainfile"));
    FAIL() << "no exception";
  } catch (const HTTPEngineException& e) {
    EXPECT_EQ(e.name(), "FileExistsAtCachePath");
  }
  get("/cached?cc=max-age%3D60");
  ASIDownloadCache reopened;
  reopened.setStoragePath(dir.file("cache"));
  EXPECT_FALSE(reopened.cachedResponseHeadersForURL(server.url("/cached?cc=max-age%3D60")));
}

}  // namespace
}  // namespace td
