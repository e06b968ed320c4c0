#pragma once
// An option or argument that takes one word of a fixed set: the set is
// written once and gives both the usage text ("a|b|c") and the check.

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace zelvon::cli {

inline CLI::Option* oneWordOf(CLI::Option* option, const std::vector<std::string>& words) {
    std::string usage;
    for (const auto& word : words)
        usage += (usage.empty() ? "" : "|") + word;
    return option->type_name(usage)->check(CLI::IsMember(words).description(""));
}

} // namespace zelvon::cli
