#pragma once
// Addresses the program is configured with until the user sets others: the
// store, the maker's web site and the maker's update server. All of them
// point at the bundled demo store on the local machine.

#include <string_view>

namespace zelvon {

inline constexpr int kDemoStorePort = 47815;
inline constexpr std::u16string_view kDefaultStoreBase = u"http://127.0.0.1:47815";
// Fetched by the connection test ("Settings"/"PXURLTest").
inline constexpr std::u16string_view kDefaultMakerSiteUrl = u"http://127.0.0.1:47815/orvalis/";
// Where the parsing-script update looks ("Settings"/"AutoCheckUrl").
inline constexpr std::u16string_view kDefaultScriptInfoUrl =
    u"http://127.0.0.1:47815/orvalis/pocketpc/updates/zelvonWARE/scripts/scriptInfo.xml";

} // namespace zelvon
