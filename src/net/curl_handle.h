#pragma once
// Owners for the two libcurl resources a transfer needs, so every return
// path releases them. Only files inside src/net include this header.

#include <curl/curl.h>

#include <memory>

namespace zelvon::net {

struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

// A request header list; append() keeps the old list when libcurl runs out
// of memory, so nothing leaks and the caller sees the failure.
class CurlHeaderList {
public:
    CurlHeaderList() = default;
    ~CurlHeaderList() { curl_slist_free_all(list_); }
    CurlHeaderList(const CurlHeaderList&) = delete;
    CurlHeaderList& operator=(const CurlHeaderList&) = delete;

    bool append(const char* header) {
        curl_slist* grown = curl_slist_append(list_, header);
        if (grown == nullptr)
            return false;
        list_ = grown;
        return true;
    }
    curl_slist* get() const { return list_; }

private:
    curl_slist* list_ = nullptr;
};

} // namespace zelvon::net
