// Peak memory of one transformer run against a large store page: the
// shipped What's New transformer downloads the page from a local server,
// walks it and writes its output, each run in a fresh process (the program
// starts itself again) whose peak resident size is reported. A run over a one-row page gives the fixed part; the rest,
// divided by the page's size, is what the engine holds per byte of page.
//
// Two shapes of page: "rows", a What's New table of the given size (the
// output grows with the page), and "padding", a short table after a large
// comment (the output stays small, the page is mostly read past).
// The peak is the kernel's high-water mark of resident memory (VmHWM).
//
// Usage: engine_memory_bench [MEGABYTES...]   (default 1 5 20)

#include "engine/transformer.h"
#include "foundation/text_codec.h"

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string row(int i) {
    const std::string n = std::to_string(100000 + i);
    return "<tr class=\"entry\"><td class=\"date\">12/0" + std::to_string(1 + i % 9) +
           "/2026</td><td class=\"name\"><a href=\"/store/product?pid=" + n + "\">Pocket Tool " + n +
           "</a></td><td class=\"version\">" + std::to_string(i % 7) + "." + std::to_string(i % 31) +
           "</td><td class=\"company\">Maker " + std::to_string(i % 97) +
           "</td></tr>\n<tr class=\"note\"><td></td><td colspan=\"3\">A handy program for everyday tasks, release " + n +
           ", with notes &amp; fixes.</td></tr>\n";
}

// A What's New page of about `bytes` bytes in the given shape.
std::string page(size_t bytes, bool padding) {
    std::string html = "<html><head><title>What's New</title></head><body>\n";
    if (padding) {
        html += "<!--";
        while (html.size() + 2000 < bytes)
            html += "padding text of a page that is mostly read past, padding text of a page.\n";
        html += "-->\n";
    }
    html += "<table class=\"listing\" id=\"whatsnew\" cellspacing=\"0\">\n";
    for (int i = 0; i == 0 || (!padding && html.size() + 400 < bytes) || (padding && i < 5); ++i)
        html += row(i);
    return html + "</table>\n</body></html>\n";
}

void copyFolder(const fs::path& from, const fs::path& to) {
    fs::create_directories(to);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

// The peak resident size of this process image. Not getrusage's ru_maxrss:
// across exec that keeps the high-water mark of the forked copy of the
// parent, which holds the served page.
long peakResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

// In the fresh process: one run, then "peak-KB milliseconds output-bytes".
int child(const std::string& appFolder, const std::string& url) {
    using namespace zelvon;
    const auto start = std::chrono::steady_clock::now();
    Transformer transformer(fromUtf8(appFolder));
    const std::u16string output = fromUtf8(appFolder + "/cache/whatsnewTemp.txt");
    if (!transformer.run(fromUtf8(appFolder + "/scripts/whatsNew.nrt"), output, fromUtf8(url))) {
        std::cerr << "run failed: " << toUtf8(transformer.errorText()) << '\n';
        return 1;
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::cout << peakResidentKb() << ' ' << ms.count() << ' ' << fs::file_size(appFolder + "/cache/whatsnewTemp.txt")
              << std::endl;
    return 0;
}

struct Measure {
    long peakKb = 0;
    long ms = 0;
    long outputBytes = 0;
};

bool measure(const std::string& self, const std::string& appFolder, const std::string& url, Measure& m) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return false;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        ::execl(self.c_str(), self.c_str(), "--child", appFolder.c_str(), url.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
           std::sscanf(text.c_str(), "%ld %ld %ld", &m.peakKb, &m.ms, &m.outputBytes) == 3;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--child")
        return child(argv[2], argv[3]);

    std::vector<size_t> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(static_cast<size_t>(std::atof(argv[i]) * 1024 * 1024));
    if (sizes.empty())
        sizes = {1u << 20, 5u << 20, 20u << 20};

    std::string pattern = (fs::temp_directory_path() / "zelvon-memory-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return 1;
    const fs::path app = pattern;
    const fs::path bin = ZELVON_BIN_DIR;
    copyFolder(bin / "scripts", app / "scripts");
    copyFolder(bin / "data", app / "data");
    fs::create_directories(app / "cache");

    std::string served;
    httplib::Server server;
    server.Get("/whatsnew", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(served, "text/html; charset=utf-8");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread listener([&] { server.listen_after_bind(); });
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/whatsnew";
    const std::string self = fs::read_symlink("/proc/self/exe").string();

    int failures = 0;
    for (const bool padding : {false, true}) {
        served = page(0, padding);
        Measure base;
        if (!measure(self, app.string(), url, base)) {
            std::cerr << "engine_memory_bench: the run over a one-row page failed\n";
            ++failures;
            continue;
        }
        std::printf("%s pages; fixed part (one-row page): %.1f MB peak\n", padding ? "padding" : "rows",
                    static_cast<double>(base.peakKb) / 1024);
        std::printf("%10s %12s %14s %10s %10s %12s\n", "page MB", "peak MB", "above fixed", "x page", "time ms",
                    "output KB");
        for (const size_t size : sizes) {
            served = page(size, padding);
            Measure m;
            if (!measure(self, app.string(), url, m)) {
                std::cerr << "engine_memory_bench: the run over a " << size << "-byte page failed\n";
                ++failures;
                continue;
            }
            const double pageMb = static_cast<double>(served.size()) / (1024.0 * 1024.0);
            const double above = static_cast<double>(m.peakKb - base.peakKb) / 1024.0;
            std::printf("%10.2f %12.1f %14.1f %10.2f %10ld %12ld\n", pageMb, static_cast<double>(m.peakKb) / 1024,
                        above, above / pageMb, m.ms, m.outputBytes / 1024);
        }
        std::printf("\n");
    }
    server.stop();
    listener.join();
    std::error_code ignored;
    fs::remove_all(app, ignored);
    return failures == 0 ? 0 : 1;
}
