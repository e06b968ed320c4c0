#pragma once
// Clears the proxy variables libcurl reads (and the extra CA file) for the
// lifetime of the object and puts the old values back afterwards, so a
// proxy configured on the test machine cannot redirect local requests.

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zelvon::test {

class ScopedProxyEnvironment {
public:
    ScopedProxyEnvironment() {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY", "no_proxy",
                                 "NO_PROXY", "ZELVON_CA_FILE"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(name);
        }
    }
    ~ScopedProxyEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    ScopedProxyEnvironment(const ScopedProxyEnvironment&) = delete;
    ScopedProxyEnvironment& operator=(const ScopedProxyEnvironment&) = delete;

    void set(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

} // namespace zelvon::test
