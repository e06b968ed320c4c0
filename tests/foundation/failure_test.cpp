#include "foundation/failure.h"
#include "foundation/text_codec.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <string>

namespace zelvon {
namespace {

// The causes met against real servers are checked where they arise (net and
// command-line tests); here the sentences those cannot reach: disk errors by
// errno, odd statuses, the wording of limits.
TEST(FailureTest, EachKindReadsAsOneSentenceWithItsCauseAndAStableToken) {
    const struct {
        Failure failure;
        std::string sentence;
        std::string token;
    } cases[] = {
        {makeHttpFailure(404), "the server answered 404 Not Found", "http-status"},
        {makeHttpFailure(299), "the server answered 299", "http-status"},
        {makeStallFailure(10000), "no data arrived for 10 seconds", "stalled"},
        {makeTimeLimitFailure(60000), "the download took longer than 60 seconds", "timed-out"},
        {makeTimeLimitFailure(1000), "the download took longer than 1 second", "timed-out"},
        {makeTimeLimitFailure(2500), "the download took longer than 2.5 seconds", "timed-out"},
        {makeWriteFailure(ENOSPC), "the disk is full: No space left on device", "write-failed"},
        {makeWriteFailure(EROFS), "the disk is read-only: Read-only file system", "write-failed"},
        {makeWriteFailure(EACCES), "the file may not be written here: Permission denied", "write-failed"},
        {makeWriteFailure(EFBIG), "the file could not be written: File too large", "write-failed"},
        {makeReadFailure(EIO), "the file could not be read: Input/output error", "read-failed"},
        {makeFailure(FailureKind::PageUnreadable),
         "the store page could not be read; the parsing scripts may be out of date (Options > Check for Parsing Scripts)",
         "page-unreadable"},
        {makeFailure(FailureKind::Cancelled), "the download was stopped", "cancelled"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        EXPECT_TRUE(c.failure.failed());
        EXPECT_EQ(toUtf8(describeFailure(c.failure)), c.sentence);
        EXPECT_EQ(failureKindName(c.failure.kind), c.token);
    }
    EXPECT_FALSE(Failure{}.failed());

    // Tokens are what scripts match on: every kind has its own.
    std::set<std::string_view> tokens;
    for (int kind = 0; kind <= static_cast<int>(FailureKind::Other); ++kind)
        EXPECT_TRUE(tokens.insert(failureKindName(static_cast<FailureKind>(kind))).second) << kind;
}

} // namespace
} // namespace zelvon
