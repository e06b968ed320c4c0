// The store's What's New and Best Selling lists without a window: show the
// cached lists, or download them again.

#include "cli/command.h"

#include "foundation/text_codec.h"
#include "cli/record_json.h"
#include "cli/terminal_flow_ui.h"
#include "cli/watch_loading.h"
#include "cli/word_choice.h"
#include "watch/app_folder_lock.h"
#include "watch/clock.h"
#include "watch/flow_context.h"
#include "watch/script_catalogue.h"
#include "watch/store_lists.h"
#include "watch/watch_list.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <ostream>

namespace zelvon::cli {
namespace {

struct NamedList {
    const char* name; // as given on the command line and used as JSON key
    StoreListKind kind;
};

constexpr NamedList kLists[] = {{"whatsnew", StoreListKind::WhatsNew}, {"best", StoreListKind::BestSelling}};

// The lists a command's words name: one of them, or both when none is
// named. False for anything else.
bool selectLists(const std::vector<std::string>& words, std::vector<NamedList>& selected) {
    if (words.size() > 1)
        return false;
    for (const NamedList& list : kLists)
        if (words.empty() || words[0] == list.name)
            selected.push_back(list);
    return !selected.empty();
}

void declareListName(CLI::App& command, std::string& name) {
    oneWordOf(command.add_option("LIST", name, "one list (default: both)"), {"whatsnew", "best"});
}

std::vector<std::string> namedIn(const std::string& name) {
    return name.empty() ? std::vector<std::string>{} : std::vector<std::string>{name};
}

struct {
    bool json = false;
    std::string list;
} listsArgs;

void declareLists(CLI::App& command) {
    command.add_flag("--json", listsArgs.json, "as JSON");
    declareListName(command, listsArgs.list);
}

int listsCommand(Context& context) {
    const bool json = listsArgs.json;
    std::vector<NamedList> selected;
    if (!selectLists(namedIn(listsArgs.list), selected))
        return kExitUsage;

    const SystemClock clock;
    nlohmann::json all = nlohmann::json::object();
    for (const NamedList& named : selected) {
        // The cache as the last download left it; a missing file is a list
        // never downloaded.
        WatchList list;
        list.load(storeListFilePath(context.appFolder, named.kind), context.settings, clock);
        const auto& records = list.records();
        if (json) {
            nlohmann::json array = nlohmann::json::array();
            for (size_t i = 0; i < records.size(); ++i)
                array.push_back(recordJson(i, records[i]));
            all[named.name] = std::move(array);
            continue;
        }
        context.out << toUtf8(storeListBranchText(named.kind)) << '\n';
        if (records.empty())
            context.out << "  (empty; zelvon-cli reload-lists " << named.name << " downloads it)\n";
        for (size_t i = 0; i < records.size(); ++i) {
            const ProductRecord& r = records[i];
            context.out << i << '\t' << toUtf8(r.productName) << '\t' << toUtf8(r.productCompany) << '\t'
                        << toUtf8(r.productVersion) << '\t' << toUtf8(r.productDate) << '\n';
        }
    }
    if (json)
        context.out << (selected.size() == 1 ? all[selected[0].name] : all).dump(2) << '\n';
    return 0;
}

std::string reloadListName;

void declareReloadLists(CLI::App& command) { declareListName(command, reloadListName); }

int reloadListsCommand(Context& context) {
    std::vector<NamedList> selected;
    if (!selectLists(namedIn(reloadListName), selected))
        return kExitUsage;

    AppFolderLock lock;
    ScriptCatalogue catalogue;
    if (const int failed = openForDownload(context, lock, catalogue, nullptr))
        return failed;

    const SystemClock clock;
    TerminalFlowUi ui(std::cin, context.out, context.err, false);
    const FlowContext flow{context.appFolder, catalogue, ProxySettings::fromSettings(context.settings), clock,
                           context.settings, ui};
    int result = 0;
    for (const NamedList& named : selected) {
        WatchList list;
        if (!fillStoreList(named.kind, true, list, flow)) {
            result = kExitFailed;
            continue;
        }
        size_t shown = 0;
        for (const ProductRecord& r : list.records())
            shown += r.removed == 0 ? 1 : 0;
        context.out << toUtf8(storeListBranchText(named.kind)) << ": " << shown << " products\n";
    }
    return result;
}

CommandRegistration listsRegistration("lists", "show the cached What's New and Best Selling lists", &declareLists,
                                      &listsCommand);
CommandRegistration reloadListsRegistration("reload-lists",
                                            "download the What's New and Best Selling lists from the store",
                                            &declareReloadLists, &reloadListsCommand);

} // namespace
} // namespace zelvon::cli
