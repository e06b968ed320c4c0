#include "cli/desktop_notification.h"

#include "foundation/text_codec.h"

#include <systemd/sd-bus.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>

namespace zelvon::cli {
namespace {

// A notification daemon answers at once; a hung one must not hold up a
// scheduled check for long.
constexpr uint64_t kCallTimeoutMicroseconds = 5'000'000;

struct BusCloser {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageReleaser {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};

std::string failure(const char* what, int code) { return std::string(what) + ": " + std::strerror(-code); }

} // namespace

std::string sendDesktopNotification(const std::string& summary, const std::string& body) {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if ((address == nullptr || *address == '\0') && (runtime == nullptr || *runtime == '\0'))
        return "no session bus: neither DBUS_SESSION_BUS_ADDRESS nor XDG_RUNTIME_DIR is set";
    sd_bus* rawBus = nullptr;
    if (const int r = sd_bus_open_user(&rawBus); r < 0)
        return failure("no session bus", r);
    const std::unique_ptr<sd_bus, BusCloser> bus(rawBus);

    sd_bus_message* rawCall = nullptr;
    if (const int r = sd_bus_message_new_method_call(bus.get(), &rawCall, "org.freedesktop.Notifications",
                                                     "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                                                     "Notify");
        r < 0)
        return failure("cannot make the notification call", r);
    const std::unique_ptr<sd_bus_message, MessageReleaser> call(rawCall);
    // app name, replaces id, icon, summary, body, no actions, no hints,
    // the server's default expiry.
    if (const int r = sd_bus_message_append(call.get(), "susssasa{sv}i", "Zelvon", 0u, "zelvon", summary.c_str(),
                                            body.c_str(), 0, 0, -1);
        r < 0)
        return failure("cannot make the notification call", r);

    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* rawReply = nullptr;
    const int r = sd_bus_call(bus.get(), call.get(), kCallTimeoutMicroseconds, &error, &rawReply);
    const std::unique_ptr<sd_bus_message, MessageReleaser> reply(rawReply);
    if (r < 0) {
        std::string reason = "the notification service did not take it";
        if (error.message != nullptr)
            reason += std::string(": ") + error.message;
        else
            reason += std::string(": ") + std::strerror(-r);
        sd_bus_error_free(&error);
        return reason;
    }
    return {};
}

NewVersionNotifier::NewVersionNotifier(const WatchList& before) {
    for (const ProductRecord& record : before.records())
        wasNew_.push_back(record.isNew != 0);
}

void NewVersionNotifier::notify(const std::vector<std::pair<size_t, ProductRecord>>& checked, std::ostream& err) const {
    std::string names;
    for (const auto& [index, record] : checked) {
        if (record.isNew == 0 || (index < wasNew_.size() && wasNew_[index]))
            continue;
        if (!names.empty())
            names += ", ";
        names += toUtf8(record.productName);
    }
    if (names.empty())
        return;
    // The same words as the window's notification.
    if (const std::string reason = sendDesktopNotification("Zelvon: new versions", names); !reason.empty())
        err << "zelvon-cli check: no desktop notification (" << reason << ")\n";
}

} // namespace zelvon::cli
