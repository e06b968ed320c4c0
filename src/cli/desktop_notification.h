#pragma once
// The desktop notification of `check --notify`: one message through the
// freedesktop notification service on the session bus (sd-bus), naming the
// products with new versions. A missing bus or service never fails the
// check; the reason goes to standard error.

#include "watch/product_record.h"
#include "watch/watch_list.h"

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace zelvon::cli {

// Sends one notification. Empty when it was delivered, else why not.
std::string sendDesktopNotification(const std::string& summary, const std::string& body);

// Made before a check from the list as loaded: as in the window, the
// notification names only the products the check marked new, not those the
// user has not acknowledged since an earlier run.
class NewVersionNotifier {
public:
    explicit NewVersionNotifier(const WatchList& before);
    // Nothing when the check marked no product new.
    void notify(const std::vector<std::pair<size_t, ProductRecord>>& checked, std::ostream& err) const;

private:
    std::vector<bool> wasNew_;
};

} // namespace zelvon::cli
