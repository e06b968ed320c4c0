#include "net/access_plan.h"

namespace zelvon::net {

AccessPlan planAccess(int useProxy, int platformGeneration) {
    AccessPlan plan;
    const bool modern = platformGeneration == 2;
    if (useProxy != 0)
        plan.handleAccess = {ProxyAccess::Explicit};
    else if (modern)
        plan.handleAccess = {ProxyAccess::Configured, ProxyAccess::Direct};
    else
        plan.handleAccess = {ProxyAccess::Configured};
    plan.retryDirectly = modern;
    return plan;
}

} // namespace zelvon::net
