// The decisions made before anything goes on the wire: which URLs are
// fetched, which count as secure, and which proxy access is tried.

#include "net/access_plan.h"
#include "net/url_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace zelvon::net {
namespace {

TEST(UrlRulesTest, OnlyAbsoluteHttpAndHttpsUrlsAreFetched) {
    struct Case {
        std::string url;
        bool fetchable;
    };
    const Case cases[] = {
        {"http://store.example/item?id=1", true},
        {"https://store.example/", true},
        {"HtTpS://store.example/", true},
        {"HTTP://x", true},
        {"", false},
        {"http://", false},
        {"https://", false},
        {"http:/store.example/", false},
        {"store.example/item", false},
        {"ftp://store.example/file", false},
        {"file:///etc/passwd", false},
        {"gopher://store.example/", false},
        {" http://store.example/", false},
        {"httpx://store.example/", false},
        {std::string("http://store.example/\0evil", 26), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isFetchableUrl(c.url), c.fetchable) << c.url;
}

// The test is made on a lower-case copy, anywhere in the URL.
TEST(UrlRulesTest, SecureRequestIsAnyUrlContainingHttpsScheme) {
    EXPECT_TRUE(isSecureRequest("https://store.example/"));
    EXPECT_TRUE(isSecureRequest("HTTPS://store.example/"));
    EXPECT_TRUE(isSecureRequest("http://store.example/go?to=HTTPS://other.example/"));
    EXPECT_FALSE(isSecureRequest("http://store.example/https/page"));
    EXPECT_FALSE(isSecureRequest("http://store.example/?https:/"));
}

TEST(AccessPlanTest, ProxyAccessFollowsFlagAndPlatformGeneration) {
    using enum ProxyAccess;
    struct Case {
        int useProxy;
        int generation;
        std::vector<ProxyAccess> handleAccess;
        bool retryDirectly;
    };
    const Case cases[] = {
        {0, 2, {Configured, Direct}, true},
        {1, 2, {Explicit}, true},
        {-1, 2, {Explicit}, true},
        {0, 1, {Configured}, false},
        {0, 0, {Configured}, false},
        {1, 1, {Explicit}, false},
        {1, 0, {Explicit}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "useProxy " << c.useProxy << ", generation " << c.generation);
        const AccessPlan plan = planAccess(c.useProxy, c.generation);
        EXPECT_EQ(plan.handleAccess, c.handleAccess);
        EXPECT_EQ(plan.retryDirectly, c.retryDirectly);
    }
}

} // namespace
} // namespace zelvon::net
