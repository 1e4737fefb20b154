// Downloads to a file: the body lands at the destination (replacing what stood there), gzip bodies
// are inflated into it, a partial file is resumed with "Range", and a file that cannot take the body
// fails the request instead of losing bytes.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "HTTPTestSupport.h"

namespace td {
namespace {

using namespace std::chrono_literals;
using test::RecordingDelegate;

class DownloadFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(server.port(), 0); }
  test::MainQueueFixture main;
  test::TestServer server;
  test::ScratchDir dir;
};

TEST_F(DownloadFileTest, TheBodyReplacesWhatStoodAtTheDestination) {
  test::writeFile(dir.file("dest"), "old contents");
  RecordingDelegate d;
  auto request = ASIHTTPRequest::requestWithURL(server.url("/bytes?size=300000"));
  request->setDownloadDestinationPath(dir.file("dest"));
  main.run(request, d);
  ASSERT_EQ(d.finished, 1) << (d.lastError ? d.lastError->toString() : "");
  EXPECT_EQ(test::readFile(dir.file("dest")), test::serverBytes(300000));
  EXPECT_FALSE(request->temporaryFileDownloadPath());
}

TEST_F(DownloadFileTest, AnEmptyBodyLeavesAnEmptyFileAtTheDestination) {
  for (bool existed : {true, false}) {
    std::filesystem::remove(dir.file("dest"));
    if (existed) test::writeFile(dir.file("dest"), "old contents");
    RecordingDelegate d;
    auto request = ASIHTTPRequest::requestWithURL(server.url("/status?code=200"));
    request->setDownloadDestinationPath(dir.file("dest"));
    request->setTemporaryFileDownloadPath(dir.file("raw"));
    main.run(request, d);
    ASSERT_EQ(d.finished, 1) << (d.lastError ? d.lastError->toString() : "");
    ASSERT_TRUE(std::filesystem::exists(dir.file("dest"))) << "existed " << existed;
    EXPECT_EQ(test::readFile(dir.file("dest")), "") << "existed " << existed;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"dest"}) << "existed " << existed;
  }
}

TEST_F(DownloadFileTest, GzipBodiesAreInflatedIntoTheFileDeferredOrOnTheFly) {
  for (bool wait : {true, false}) {
    RecordingDelegate d;
    auto request = ASIHTTPRequest::requestWithURL(server.url("/gzip?repeat=1000"));
    request->setShouldWaitToInflateCompressedResponses(wait);
    request->setDownloadDestinationPath(dir.file("text"));
    main.run(request, d);
    ASSERT_EQ(d.finished, 1);
    std::string expected;
    for (int i = 0; i < 1000; ++i) expected += "compressed text ";
    EXPECT_EQ(test::readFile(dir.file("text")), expected) << "wait " << wait;
  }
}

TEST_F(DownloadFileTest, APartialFileIsResumedFromItsSize) {
  test::writeFile(dir.file("partial"), test::serverBytes(1000));
  RecordingDelegate d;
  auto request = ASIHTTPRequest::requestWithURL(server.url("/bytes?size=5000&ranges=1"));
  request->setDownloadDestinationPath(dir.file("whole"));
  request->setTemporaryFileDownloadPath(dir.file("partial"));
  request->setAllowResumeForFileDownloads(true);
  main.run(request, d);
  ASSERT_EQ(d.finished, 1);
  EXPECT_EQ(request->partialDownloadSize(), 1000u);
  EXPECT_EQ(request->responseStatusCode(), 206);
  EXPECT_EQ(test::readFile(dir.file("whole")), test::serverBytes(5000));

  // A server that ignores the range sends the whole body again, which starts the file over.
  test::writeFile(dir.file("partial2"), test::serverBytes(1000));
  RecordingDelegate again;
  auto whole = ASIHTTPRequest::requestWithURL(server.url("/bytes?size=5000"));
  whole->setDownloadDestinationPath(dir.file("whole2"));
  whole->setTemporaryFileDownloadPath(dir.file("partial2"));
  whole->setAllowResumeForFileDownloads(true);
  main.run(whole, again);
  ASSERT_EQ(again.finished, 1);
  EXPECT_EQ(whole->partialDownloadSize(), 0u);
  EXPECT_EQ(test::readFile(dir.file("whole2")), test::serverBytes(5000));
}

TEST_F(DownloadFileTest, ACompressedBodyThatDoesNotInflateWholeLeavesTheDestinationAndNoTemporaryFile) {
  for (const char* kind : {"cut", "crc"}) {
    for (bool wait : {true, false}) {
      test::writeFile(dir.file("dest"), "old contents");
      test::ScratchDir temporary;
      RecordingDelegate d;
      auto request = ASIHTTPRequest::requestWithURL(server.url(std::string("/badgzip?kind=") + kind));
      request->setShouldWaitToInflateCompressedResponses(wait);
      request->setDownloadDestinationPath(dir.file("dest"));
      request->setTemporaryFileDownloadPath(temporary.file("raw"));
      request->setTemporaryUncompressedDataDownloadPath(temporary.file("inflated"));
      main.run(request, d);
      EXPECT_EQ(d.finished, 0) << kind << " wait " << wait;
      ASSERT_EQ(d.failed, 1) << kind << " wait " << wait;
      EXPECT_EQ(d.lastError->code, ASICompressionError) << kind << " wait " << wait;
      EXPECT_EQ(test::readFile(dir.file("dest")), "old contents") << kind << " wait " << wait;
      EXPECT_EQ(dir.entries(), std::vector<std::string>{"dest"}) << kind << " wait " << wait;
      EXPECT_TRUE(temporary.entries().empty()) << kind << " wait " << wait;
    }
  }
}

TEST_F(DownloadFileTest, ATemporaryFileOnAnotherFileSystemIsCopiedIntoPlaceAndNothingTemporaryStays) {
  test::ScratchDir memory("/dev/shm");  // a memory file system, apart from the scratch folder's
  struct stat a {}, b {};
  ASSERT_EQ(::stat(memory.path().c_str(), &a), 0);
  ASSERT_EQ(::stat(dir.path().c_str(), &b), 0);
  if (a.st_dev == b.st_dev) GTEST_SKIP() << "/dev/shm is on the scratch folder's file system here";
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "compressed text ";
  struct Case {
    const char* path;
    std::string expected;
  } cases[] = {{"/bytes?size=300000", test::serverBytes(300000)}, {"/gzip?repeat=1000", text}};
  for (const auto& c : cases) {
    RecordingDelegate d;
    auto request = ASIHTTPRequest::requestWithURL(server.url(c.path));
    request->setShouldWaitToInflateCompressedResponses(false);
    request->setDownloadDestinationPath(dir.file("dest"));
    request->setTemporaryFileDownloadPath(memory.file("raw"));
    request->setTemporaryUncompressedDataDownloadPath(memory.file("inflated"));
    main.run(request, d);
    ASSERT_EQ(d.finished, 1) << c.path << ": " << (d.lastError ? d.lastError->toString() : "");
    EXPECT_TRUE(test::readFile(dir.file("dest")) == c.expected) << c.path;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"dest"}) << c.path;
    EXPECT_TRUE(memory.entries().empty()) << c.path;
  }

  // A destination that cannot be reached fails, and leaves nothing temporary either.
  RecordingDelegate d;
  auto request = ASIHTTPRequest::requestWithURL(server.url("/bytes?size=1000"));
  request->setDownloadDestinationPath(dir.file("missing/dest"));
  request->setTemporaryFileDownloadPath(memory.file("raw"));
  main.run(request, d);
  ASSERT_EQ(d.failed, 1);
  EXPECT_EQ(d.lastError->code, ASIFileManagementError);
  EXPECT_TRUE(memory.entries().empty());
}

TEST_F(DownloadFileTest, AFileThatCannotTakeTheBodyFailsTheRequest) {
  // Files of this process may not grow past 64 KiB while the test runs.
  ::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 64 * 1024;
  ::setrlimit(RLIMIT_FSIZE, &small);
  RecordingDelegate d;
  auto request = ASIHTTPRequest::requestWithURL(server.url("/bytes?size=300000"));
  request->setDownloadDestinationPath(dir.file("full"));
  main.run(request, d);
  ::setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(d.finished, 0);
  ASSERT_EQ(d.failed, 1);
  EXPECT_EQ(d.lastError->code, ASIFileManagementError);
  EXPECT_NE(d.lastError->description.find("Failed to write to file"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.file("full")));
}

TEST_F(DownloadFileTest, ADataDelegateGetsTheBodyAndNothingIsKept) {
  RecordingDelegate d;
  d.alsoAnswer({ASISelector::requestDidReceiveData});
  auto request = ASIHTTPRequest::requestWithURL(server.url("/bytes?size=70000"));
  main.run(request, d);
  main.queue.runPending();
  EXPECT_EQ(d.data, test::serverBytes(70000));
  EXPECT_TRUE(request->rawResponseData().value_or("").empty());
}

}  // namespace
}  // namespace td
