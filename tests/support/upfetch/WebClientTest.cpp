#include "support/upfetch/WebClient.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/upfetch/HttpServers.h"

namespace kobre::upfetch {
namespace {

using test::ScriptedHttp;

struct UrlCase {
  std::string url;
  int result;
  std::string host;
  uint16_t port;
  std::string path;
};

TEST(WebClientUrl, SplitsHostPortAndPath) {
  const std::vector<UrlCase> cases = {
      {"http://example.test/", WebClient::kOk, "example.test", 80, "/"},
      {"example.test", WebClient::kOk, "example.test", 80, "/"},
      {"http://example.test:8080/dir/a b.exe", WebClient::kOk, "example.test", 8080,
       "/dir/a b.exe"},
      {"example.test:0/x", WebClient::kOk, "example.test", 80, "/x"},
      {"example.test:/x", WebClient::kOk, "example.test", 80, "/x"},
      {"HTTP://example.test/", WebClient::kOk, "HTTP", 80, "//example.test/"},
      {"http:///x", WebClient::kNoHost, "", 80, "/x"},
      {"", WebClient::kNoHost, "", 80, "/"},
      {"http://h/" + std::string(502, 'a'), WebClient::kOk, "h", 80, "/" + std::string(502, 'a')},
      {"http://h/" + std::string(503, 'a'), WebClient::kUrlTooLong, "", 80, ""},
      // A double-byte host name keeps its pairs whole.
      {"\x83\x5C\x83\x74:81/p", WebClient::kOk, "\x83\x5C\x83\x74", 81, "/p"},
  };
  for (const UrlCase& c : cases) {
    WebClient client("ua");
    EXPECT_EQ(client.splitUrl(c.url), c.result) << c.url;
    EXPECT_EQ(client.host(), c.host) << c.url;
    EXPECT_EQ(client.port(), c.port) << c.url;
    EXPECT_EQ(client.path(), c.path) << c.url;
  }
}

TEST(WebClientUrl, EncodesPathsAndBodies) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"/a b/c", "/a+b/c"},
      {"mc=1&sc=2&iv=1.0?x%y", "mc=1&sc=2&iv=1.0?x%y"},
      {"\x82\xA0/\x83\x5C", "%82%A0/%83%5C"},
      {"\xB1\xB2", "\xB1\xB2"},  // half-width katakana is one byte each
      {"a\r\nX: y", "a%0D%0AX:+y"},
      {"end\x82", "end\x82"},  // a lead byte with nothing after it stays one byte
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(WebClient::encode(in), out) << in;
}

TEST(WebClientRequest, BareHostAndPrefixedHostBothAskForRoot) {
  ScriptedHttp server;
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  const std::string hostPort = "127.0.0.1:" + std::to_string(server.port());
  WebClient client("tester/1");
  ASSERT_EQ(client.get(hostPort), WebClient::kOk);
  ASSERT_EQ(client.get("http://" + hostPort + "/"), WebClient::kOk);
  const std::string expected =
      "GET / HTTP/1.0\r\nHost: " + hostPort + "\r\nUser-Agent: tester/1\r\n\r\n";
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], expected);
  EXPECT_EQ(requests[1], expected);
}

TEST(WebClientRequest, GetSendsExtraLinesAndBlankAsPlus) {
  ScriptedHttp server;
  server.reply("HTTP/1.0 200 OK\r\n\r\n");
  WebClient client("tester/1");
  ASSERT_EQ(client.get(server.url() + "/up date/f.bin", {"Range: bytes=12-"}), WebClient::kOk);
  EXPECT_EQ(server.requests().at(0),
            "GET /up+date/f.bin HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                "\r\nUser-Agent: tester/1\r\nRange: bytes=12-\r\n\r\n");
}

TEST(WebClientRequest, PostSendsEncodedFormWithItsLength) {
  ScriptedHttp server;
  server.reply("HTTP/1.0 200 OK\r\n\r\nsucceeded");
  WebClient client("tester/1");
  std::string body;
  client.setBodyCallback(
      [](const char* bytes, int count, void* user) {
        static_cast<std::string*>(user)->append(bytes, static_cast<size_t>(count));
        return 0;
      },
      &body);
  ASSERT_EQ(client.post(server.url() + "/getinfo.php", "mc=1&iv=1 0"), WebClient::kOk);
  EXPECT_EQ(server.requests().at(0),
            "POST /getinfo.php HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                "\r\nUser-Agent: tester/1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                "Content-Length: 11\r\n\r\nmc=1&iv=1+0");
  EXPECT_EQ(body, "succeeded");
  EXPECT_EQ(client.statusCode(), 200u);
}

TEST(WebClientResponse, StatusCodesAndHeaderLines) {
  struct Case {
    std::vector<std::string> reply;
    unsigned status;
    size_t lines;
  };
  const std::vector<Case> cases = {
      {{"HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 1-2/3\r\n\r\nab"}, 206, 2},
      {{}, 0, 0},                                                       // closed before any line
      {{"HTTP/1.0 404 Not Found\n\n"}, 404, 1},                         // bare LF line ends
      {{"HTTP/1.0 30", "2 Found\r", "\nLocation: x\r\n\r\n"}, 302, 2},  // split over pieces
      {{"garbage\r\n\r\n"}, 0, 1},
  };
  for (const Case& c : cases) {
    ScriptedHttp server;
    server.reply(c.reply);
    WebClient client("ua");
    EXPECT_EQ(client.get(server.url()), WebClient::kOk);
    EXPECT_EQ(client.statusCode(), c.status);
    EXPECT_EQ(client.headerLines().size(), c.lines);
    if (c.lines) {
      EXPECT_NE(client.headerLines()[0].back(), '\r');
    }
  }
}

TEST(WebClientResponse, BodyBytesInTheHeaderPieceReachTheCallback) {
  ScriptedHttp server;
  server.reply({std::string("HTTP/1.0 200 OK\r\nX: y\r\n\r\n\0ab", 28), std::string("\0c", 2)});
  WebClient client("ua");
  std::vector<std::string> pieces;
  client.setBodyCallback(
      [](const char* bytes, int count, void* user) {
        static_cast<std::vector<std::string>*>(user)->emplace_back(bytes,
                                                                   static_cast<size_t>(count));
        return 0;
      },
      &pieces);
  ASSERT_EQ(client.get(server.url()), WebClient::kOk);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0], std::string("\0ab", 3));
  EXPECT_EQ(pieces[1], std::string("\0c", 2));
}

TEST(WebClientResponse, CallbackStoppingEndsTheRequestAndClosesTheConnection) {
  ScriptedHttp server;
  // Far more than the socket buffers hold, in many pieces: the server notices
  // when the client has gone.
  std::vector<std::string> reply{"HTTP/1.0 200 OK\r\n\r\nfirst"};
  for (int i = 0; i < 40; ++i) reply.push_back(std::string(256 * 1024, 'x'));
  server.reply(reply);
  WebClient client("ua");
  int calls = 0;
  client.setBodyCallback(
      [](const char*, int, void* user) {
        ++*static_cast<int*>(user);
        return -1;
      },
      &calls);
  EXPECT_EQ(client.get(server.url()), WebClient::kStoppedByCallback);
  EXPECT_EQ(calls, 1);
  for (int i = 0; i < 300 && !server.clientClosedEarly(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(server.clientClosedEarly());
}

TEST(WebClientResponse, LongHeaderLinesAreCut) {
  ScriptedHttp server;
  server.reply("HTTP/1.0 200 OK\r\nX-Long: " + std::string(5000, 'z') + "\r\n\r\nbody");
  WebClient client("ua");
  std::string body;
  client.setBodyCallback(
      [](const char* bytes, int count, void* user) {
        static_cast<std::string*>(user)->append(bytes, static_cast<size_t>(count));
        return 0;
      },
      &body);
  ASSERT_EQ(client.get(server.url()), WebClient::kOk);
  ASSERT_EQ(client.headerLines().size(), 2u);
  EXPECT_EQ(client.headerLines()[1].size(), WebClient::kLineBuffer - 1);
  EXPECT_EQ(body, "body");
}

TEST(WebClientFailure, SilentServerTimesOutAndRefusedPortFailsToConnect) {
  ScriptedHttp silent(ScriptedHttp::Mode::kSilent);
  WebClient client("ua");
  client.setTimeouts(1000, 300);
  EXPECT_EQ(client.get(silent.url()), WebClient::kReceiveFailed);
  EXPECT_EQ(client.statusCode(), 0u);

  int port = 0;
  ::close(test::listenLoopback(port));  // a port nobody listens on
  EXPECT_EQ(client.get("127.0.0.1:" + std::to_string(port)), WebClient::kConnectFailed);
  EXPECT_EQ(client.get("no-such-host.invalid/"), WebClient::kConnectFailed);
}

}  // namespace
}  // namespace kobre::upfetch
