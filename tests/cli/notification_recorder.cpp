// A stand-in desktop notification service for tests: owns
// org.freedesktop.Notifications on the session bus it is given and appends
// each Notify call as "summary<TAB>body" to the file named by its first
// argument. Once the name is owned it creates the file (so a test can wait
// for it). Ends on SIGTERM, or after two minutes, so a failed test never
// leaves it behind.

#include <systemd/sd-bus.h>

#include <csignal>
#include <cstdio>
#include <ctime>

namespace {

const char* recordPath = nullptr;
uint32_t lastId = 0;
volatile std::sig_atomic_t stopRequested = 0;

extern "C" void onTerm(int) { stopRequested = 1; }

int notify(sd_bus_message* call, void*, sd_bus_error*) {
    const char *app = nullptr, *icon = nullptr, *summary = nullptr, *body = nullptr;
    uint32_t replaces = 0;
    int r = sd_bus_message_read(call, "susss", &app, &replaces, &icon, &summary, &body);
    if (r < 0)
        return r;
    if (FILE* out = std::fopen(recordPath, "a")) {
        std::fprintf(out, "%s\t%s\n", summary, body);
        std::fclose(out);
    }
    return sd_bus_reply_method_return(call, "u", ++lastId);
}

const sd_bus_vtable kVtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Notify", "susssasa{sv}i", "u", notify, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        return 64;
    recordPath = argv[1];
    std::signal(SIGTERM, onTerm);
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0)
        return 1;
    if (sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                                 kVtable, nullptr) < 0 ||
        sd_bus_request_name(bus, "org.freedesktop.Notifications", 0) < 0)
        return 1;
    if (FILE* ready = std::fopen(recordPath, "a"))
        std::fclose(ready);
    const std::time_t deadline = std::time(nullptr) + 120;
    while (stopRequested == 0 && std::time(nullptr) < deadline) {
        const int r = sd_bus_process(bus, nullptr);
        if (r < 0)
            break;
        if (r == 0)
            sd_bus_wait(bus, 200'000);
    }
    sd_bus_flush_close_unref(bus);
    return 0;
}
