// One transfer with shortened limits: how each way of failing is told apart,
// since the fetcher retries only requests that never got a response.

#include "loopback_port.h"
#include "raw_tcp_server.h"
#include "scoped_proxy_environment.h"
#include "support/temp_dir.h"

#include "foundation/text_codec.h"
#include "net/http_fetcher.h"
#include "net/transfer.h"

#include <gtest/gtest.h>

namespace zelvon::net {
namespace {

using namespace std::chrono_literals;
using test::RawTcpServer;

class TransferTest : public ::testing::Test {
protected:
    void SetUp() override { HttpFetcher::globalInit(); }

    TransferOutcome transfer(const std::string& url) {
        TransferRequest request;
        request.url = url;
        request.access = ProxyAccess::Direct;
        request.limits.stallTimeout = 600ms;
        request.limits.maxBodyBytes = 1000;
        return performTransfer(request);
    }

    test::ScopedProxyEnvironment environment_;
};

std::string okWithBody(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST_F(TransferTest, SilenceBeforeAnyResponseIsAStalledUnopenedRequest) {
    RawTcpServer server([](int, const RawTcpServer& self) { self.idle(3s); });
    const auto outcome = transfer(server.url("/"));
    EXPECT_EQ(outcome.error, TransferError::Stalled) << describe(outcome.error);
    EXPECT_TRUE(requestNeverOpened(outcome));
}

TEST_F(TransferTest, SilenceAfterTheHeadersIsAStalledRead) {
    RawTcpServer server([](int socket, const RawTcpServer& self) {
        RawTcpServer::sendAll(socket, "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n");
        self.idle(3s);
    });
    const auto outcome = transfer(server.url("/"));
    EXPECT_EQ(outcome.error, TransferError::Stalled) << describe(outcome.error);
    EXPECT_FALSE(requestNeverOpened(outcome));
}

// The limit is on silence, not on the whole transfer: a body that keeps
// trickling in for longer than the stall time-out still arrives.
TEST_F(TransferTest, TricklingBodyIsNotAStall) {
    RawTcpServer server([](int socket, const RawTcpServer& self) {
        RawTcpServer::sendAll(socket, "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\n");
        for (int i = 0; i < 6; ++i) {
            self.idle(250ms);
            RawTcpServer::sendAll(socket, std::string(1, static_cast<char>('a' + i)));
        }
    });
    const auto outcome = transfer(server.url("/"));
    ASSERT_EQ(outcome.error, TransferError::None) << describe(outcome.error);
    EXPECT_EQ(outcome.body, "abcdef");
}

TEST_F(TransferTest, BodyMayFillTheCapButNotPassIt) {
    for (const bool announced : {true, false}) {
        SCOPED_TRACE(announced ? "with Content-Length" : "until close");
        for (const size_t size : {size_t{1000}, size_t{1001}}) {
            const std::string body(size, 'z');
            RawTcpServer server([&](int socket, const RawTcpServer&) {
                RawTcpServer::sendAll(socket, announced ? okWithBody(body) : "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body);
            });
            const auto outcome = transfer(server.url("/"));
            if (size == 1000) {
                EXPECT_EQ(outcome.error, TransferError::None) << describe(outcome.error);
                EXPECT_EQ(outcome.body.size(), 1000u);
            } else {
                EXPECT_EQ(outcome.error, TransferError::TooLarge) << describe(outcome.error);
                EXPECT_TRUE(outcome.body.empty());
                EXPECT_FALSE(requestNeverOpened(outcome));
            }
        }
    }
}

// The error page is not even read: its size can't make it a different
// failure.
TEST_F(TransferTest, ErrorStatusIsAnOpenedRequest) {
    RawTcpServer server([](int socket, const RawTcpServer&) {
        RawTcpServer::sendAll(socket, "HTTP/1.1 404 Not Found\r\nConnection: close\r\n\r\n" + std::string(5000, 'e'));
    });
    const auto outcome = transfer(server.url("/"));
    EXPECT_EQ(outcome.error, TransferError::HttpStatus) << describe(outcome.error);
    EXPECT_EQ(outcome.status, 404);
    EXPECT_FALSE(requestNeverOpened(outcome));
    EXPECT_TRUE(outcome.body.empty());
}

TEST_F(TransferTest, ReplyWithoutStatusLineHasNoStatus) {
    RawTcpServer server([](int socket, const RawTcpServer&) { RawTcpServer::sendAll(socket, "plain words"); });
    const auto outcome = transfer(server.url("/"));
    ASSERT_EQ(outcome.error, TransferError::None) << describe(outcome.error);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.body, "plain words");
}

// Nothing came back from the final address: the request was never opened,
// even though a redirect answered first.
TEST_F(TransferTest, RefusedOrEmptyRepliesAreUnopenedRequests) {
    const std::string dead = "http://127.0.0.1:" + std::to_string(test::unusedLoopbackPort()) + "/";
    RawTcpServer redirecting([&](int socket, const RawTcpServer&) {
        RawTcpServer::sendAll(socket, "HTTP/1.1 302 Found\r\nLocation: " + dead + "\r\nContent-Length: 0\r\n\r\n");
    });
    RawTcpServer hangingUp([](int, const RawTcpServer&) {});
    for (const std::string& url : {dead, redirecting.url("/"), hangingUp.url("/")}) {
        SCOPED_TRACE(url);
        const auto outcome = transfer(url);
        EXPECT_EQ(outcome.error, TransferError::NotOpened) << describe(outcome.error);
        EXPECT_TRUE(requestNeverOpened(outcome));
    }
}

// The fetcher's answer to an unopened request: one more, direct attempt,
// and no more than one.
TEST_F(TransferTest, FetcherRetriesAnUnopenedRequestOnce) {
    HttpFetcher::platformCheck();
    test::TempDir dir;
    for (const int answeringConnection : {2, 3}) {
        SCOPED_TRACE(answeringConnection);
        RawTcpServer server([&](int socket, const RawTcpServer& self) {
            if (self.connections() == answeringConnection)
                RawTcpServer::sendAll(socket, okWithBody("answered"));
        });
        const bool fetched = HttpFetcher::fetchToFile(u16(server.url("/")), dir.u16file("page.htm"), 0, u":");
        EXPECT_EQ(fetched, answeringConnection == 2);
        EXPECT_EQ(server.connections(), 2);
    }
    EXPECT_EQ(dir.read("page.htm"), "answered");
}

} // namespace
} // namespace zelvon::net
