#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "net/curl_session.h"
#include "net/net_errors.h"
#include "net/task_http.h"
#include "support/test_files.h"

using namespace vexon;

// A server whose certificate no authority signed is refused: the program's HTTPS
// requests verify certificates against the system's store.
TEST(Https, ACertificateNoAuthoritySignedIsRefused) {
  const vexon::testing::TempDir dir;
  const std::string cert = (dir / "cert.pem").string(), key = (dir / "key.pem").string();
  const std::string make = "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 -keyout '" + key +
                           "' -out '" + cert + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(make.c_str()), 0) << "needs the openssl program";
  httplib::SSLServer server(cert.c_str(), key.c_str());
  ASSERT_TRUE(server.is_valid());
  server.Get("/", [](const httplib::Request&, httplib::Response& res) { res.set_content("secret", "text/plain"); });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread listener([&] { server.listen_after_bind(); });

  class Collect final : public net::TransferHandler {
   public:
    bool OnBody(const char* data, size_t size) override {
      body.append(data, size);
      return true;
    }
    std::string body;
  };
  net::CurlSession session(net::TaskSessionSettings());
  Collect handler;
  const net::TransferResult result = session.Get("https://127.0.0.1:" + std::to_string(port) + "/", {}, handler);
  EXPECT_EQ(result.error, net::NetError::kSecureFailure);
  EXPECT_FALSE(result.headReceived);
  EXPECT_TRUE(handler.body.empty());

  server.stop();
  listener.join();
}
