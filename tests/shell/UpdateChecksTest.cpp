// The update task: the release information file, the check against a local HTTP server
// on loopback, a check that reaches no server, and the copy of a motor data file.
#include "shell/UpdateChecks.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "ShellFixture.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

// Answers every GET on 127.0.0.1 with Body (404 while it is empty), until destroyed.
class TLocalHttpServer {
 public:
  TLocalHttpServer() : Listener(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(Listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(Listener, 4);
    socklen_t len = sizeof addr;
    ::getsockname(Listener, reinterpret_cast<sockaddr*>(&addr), &len);
    Port = ntohs(addr.sin_port);
    Thread = std::thread([this] { Serve(); });
  }
  ~TLocalHttpServer() {
    Stop = true;
    Thread.join();
    ::close(Listener);
  }
  void SetBody(std::string Text) {
    std::lock_guard lock(Mutex);
    Body = std::move(Text);
  }
  std::string URL() const { return "http://127.0.0.1:" + std::to_string(Port); }

 private:
  void Serve() {
    while (!Stop) {
      pollfd p{Listener, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      const int client = ::accept(Listener, nullptr, nullptr);
      if (client < 0) continue;
      std::string request;
      char buffer[1024];
      while (request.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, n);
      }
      std::string body;
      {
        std::lock_guard lock(Mutex);
        body = Body;
      }
      const std::string head = body.empty() ? "HTTP/1.1 404 Not Found\r\n" : "HTTP/1.1 200 OK\r\n";
      const std::string answer =
          head + "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
      ::send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
      ::close(client);
    }
  }

  int Listener;
  int Port = 0;
  std::atomic<bool> Stop{false};
  std::mutex Mutex;
  std::string Body;
  std::thread Thread;
};

std::string ReleaseFile(int Version, int SubVersion, int BuildDate) {
  return "#FileVersion\r\n1\r\n#VERSION\r\n" + std::to_string(Version) + "\r\n#SUBVERSION\r\n" +
         std::to_string(SubVersion) + "\r\n#BUILDDATE\r\n" + std::to_string(BuildDate) +
         "\r\n#PROGRAMNAME\r\nVorlix-Talk 7.3\r\n#BEGINOFRELEASEINFO\r\nFaster start\r\n#ENDOFRELEASEINFO\r\n";
}

TEST(ReleaseInfo, TagsAreReadWithTheirValueLines) {
  const TReleaseInfo info = ReadReleaseInfo({"#FileVersion", "2", "junk", "#version", "7", "#SUBVERSION", "3",
                                             "#BEGINOFRELEASEINFO", "one", "#VERSION", "#ENDOFRELEASEINFO",
                                             "#DownloadLink", "https://example.invalid/", "#DOWNLOADFILE",
                                             "Setup.exe", "#SERVERKEYINFO", "k1"});
  EXPECT_EQ(info.Version, 7);
  EXPECT_EQ(info.SubVersion, 3);
  EXPECT_EQ(info.BuildDate, -1);
  EXPECT_EQ(info.ReleaseNotes, (std::vector<AnsiString>{"one", "#VERSION"}));
  EXPECT_EQ(info.DownloadLink, "https://example.invalid/");
  EXPECT_EQ(info.DownloadFile, "Setup.exe");
  EXPECT_EQ(info.ServerKey, "k1");
  EXPECT_THROW(ReadReleaseInfo({"#BUILDDATE", "soon"}), Exception);
}

TEST(ReleaseInfo, NewerByVersionThenSubVersionThenBuildDate) {
  const struct {
    TRelease server, running;
    bool newer;
  } cases[] = {{{7, 2, 20260201}, {7, 2, 20260101}, true},  {{7, 1, 20991231}, {7, 2, 20260101}, false},
               {{7, 3, 0}, {7, 2, 20260101}, true},         {{8, 0, 0}, {7, 9, 20260101}, true},
               {{7, 2, 20260101}, {7, 2, 20260101}, false}, {{-1, -1, -1}, {7, 2, 20260101}, false}};
  for (const auto& c : cases)
    EXPECT_EQ(ServerReleaseIsNewer(c.server, c.running), c.newer) << c.server.Version << "." << c.server.SubVersion;
}

class UpdateChecksTest : public ShellTest {
 protected:
  std::unique_ptr<TUpdateChecks> Checks(const std::string& URL) {
    return std::make_unique<TUpdateChecks>(URL, TRelease{7, 2, 20260101}, PathToWide(InfoFile));
  }
  fs::path InfoFile = Home.Path() / "vorlixtalk7releaseinfo.txt";
};

TEST_F(UpdateChecksTest, CheckReadsTheServersReleaseAndDeletesTheFile) {
  TLocalHttpServer server;
  const auto checks = Checks(server.URL());
  server.SetBody(ReleaseFile(7, 3, 1));
  checks->UserCheckServerForSoftwareUpdates();
  ASSERT_TRUE(StepUntil([&] { return !Catcher->Messages.empty(); }));
  EXPECT_EQ(Catcher->Messages.back(), "Vorlix-Talk 7.3  is available");
  EXPECT_EQ(checks->FServerRelease.ReleaseNotes, std::vector<AnsiString>{"Faster start"});
  EXPECT_FALSE(fs::exists(InfoFile));
  EXPECT_EQ(checks->UpdateState, utReady);

  server.SetBody(ReleaseFile(7, 2, 20260101));
  checks->UserCheckServerForSoftwareUpdates();
  ASSERT_TRUE(StepUntil([&] { return Catcher->Messages.size() == 2; }));
  EXPECT_EQ(Catcher->Messages.back(), "Vorlix-Talk is up-to-date!");
  // The automatic check says nothing when the program is up to date.
  checks->CheckServerForSoftwareUpdates();
  ASSERT_TRUE(StepUntil([&] { return !fs::exists(InfoFile); }));
  Steps(5);
  EXPECT_EQ(Catcher->Messages.size(), 2u);
  EXPECT_EQ(checks->UpdateState, utReady);
}

TEST_F(UpdateChecksTest, AFailedCheckLogsWhyAndLeavesTheTaskIdle) {
  TLocalHttpServer server;  // answers 404 while it has no file
  int closedPort = 0;
  {
    TLocalHttpServer gone;
    closedPort = std::stoi(gone.URL().substr(gone.URL().rfind(':') + 1));
  }
  const struct {
    std::string url;
    const char* logged;
  } cases[] = {{"", "Update check: no update server is configured"},
               {server.URL(), "404"},
               {"http://127.0.0.1:" + std::to_string(closedPort), "/vorlixtalk7releaseinfo.txt failed: "}};
  for (const auto& c : cases) {
    const auto checks = Checks(c.url);
    checks->UserCheckServerForSoftwareUpdates();
    Steps(5);
    const auto lines = LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find(c.logged), std::string::npos) << lines.back();
    EXPECT_EQ(checks->UpdateState, utReady);
    EXPECT_FALSE(fs::exists(InfoFile));
  }
  EXPECT_TRUE(Catcher->Messages.empty());
}

TEST_F(UpdateChecksTest, MotorFileCopyTellsTheCallerWhenItArrived) {
  const fs::path source = Home.Path() / "Motor.adf";
  std::ofstream(source) << "[D ]";
  const auto checks = Checks("");
  int calls = 0;
  bool arrived = false;
  const fs::path target = Home.Path() / "copy.adf";
  checks->CopyMotorFileToTarget("file://" + source.string(), PathToWide(target), [&](bool Ok) {
    ++calls;
    arrived = Ok;
  });
  ASSERT_TRUE(StepUntil([&] { return calls == 1; }));
  EXPECT_TRUE(arrived);
  EXPECT_TRUE(fs::exists(target));
  // A source that cannot be read is shown at once; nobody is called back.
  checks->CopyMotorFileToTarget("file://" + (Home.Path() / "none.adf").string(), PathToWide(Home.Path() / "x.adf"),
                                [&](bool) { ++calls; });
  Steps(5);
  EXPECT_EQ(Catcher->Messages, std::vector<std::string>{"Error code 4D41494E"});
  EXPECT_EQ(calls, 1);
}

}  // namespace
