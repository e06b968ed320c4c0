// Which proxy access is tried, for every platform generation: the desktop
// only ever runs generation 2, so the others are checked here alone.

#include "net/access_plan.h"

#include <gtest/gtest.h>

#include <vector>

namespace zelvon::net {
namespace {

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
