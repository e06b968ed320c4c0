// Remove, Mark As New and acknowledge on the watch list, for people and for
// scripts and cron jobs that have read the news.

#include "cli/command.h"

#include "foundation/text_codec.h"
#include "cli/app_folder_guard.h"
#include "cli/record_json.h"
#include "cli/watch_loading.h"
#include "watch/app_folder_lock.h"
#include "watch/record_commands.h"
#include "watch/watch_list.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <ostream>

namespace zelvon::cli {
namespace {

// Reads INDEX arguments that must each name a product on the list. Prints
// why and returns false otherwise.
bool productIndexes(Context& context, const char* command, const std::vector<std::string>& words,
                    const WatchList& list, std::vector<size_t>& indexes) {
    for (const std::string& word : words) {
        size_t index = 0;
        if (!parseIndex(word, index)) {
            context.err << "zelvon-cli " << command << ": '" << word << "' is not a product index\n";
            return false;
        }
        const auto record = list.record(index);
        if (!record || record->removed != 0) {
            context.err << "zelvon-cli " << command << ": no product with index " << index << " in the watch list\n";
            return false;
        }
        indexes.push_back(index);
    }
    return true;
}

// The commands below change the list: each holds the folder's lock from
// the load to the save, so no other Zelvon process writes in between.
struct LockedList {
    AppFolderLock lock;
    WatchList list;
};

int openList(Context& context, LockedList& locked) {
    if (const int busy = lockAppFolder(context, locked.lock))
        return busy;
    return loadWatchList(context, locked.list) ? 0 : kExitFailed;
}

void saveFailed(Context& context, const WatchList& list) {
    context.err << "zelvon-cli: could not save the watch list " << toUtf8(list.path())
                << "; the previous file is unchanged.\n";
    if (!list.saveRefusal().empty())
        context.err << "zelvon-cli: " << toUtf8(list.saveRefusal()) << '\n';
}

std::vector<std::string> removeIndexes;

void declareRemove(CLI::App& command) {
    command.add_option("INDEX", removeIndexes, "the products' indexes (see list)")->required();
}

int removeCommand(Context& context) {
    LockedList locked;
    if (const int failed = openList(context, locked))
        return failed;
    std::vector<size_t> indexes;
    if (!productIndexes(context, "remove", removeIndexes, locked.list, indexes))
        return kExitUsage;
    std::vector<ProductRecord> named;
    for (const size_t index : indexes)
        named.push_back(*locked.list.record(index));
    // One save for all of them: the file is replaced once, not per index.
    if (!removeProducts(locked.list, indexes)) {
        saveFailed(context, locked.list);
        return kExitFailed;
    }
    for (size_t i = 0; i < indexes.size(); ++i) {
        if (std::find(indexes.begin(), indexes.begin() + static_cast<std::ptrdiff_t>(i), indexes[i]) !=
            indexes.begin() + static_cast<std::ptrdiff_t>(i))
            continue; // named twice
        context.out << "Removed " << indexes[i] << '\t' << toUtf8(named[i].productName) << '\n';
    }
    return 0;
}

std::string markNewIndex;

void declareMarkNew(CLI::App& command) {
    command.add_option("INDEX", markNewIndex, "the product's index (see list)")->required();
}

int markNewCommand(Context& context) {
    LockedList locked;
    if (const int failed = openList(context, locked))
        return failed;
    std::vector<size_t> indexes;
    if (!productIndexes(context, "mark-new", {markNewIndex}, locked.list, indexes))
        return kExitUsage;
    if (!toggleMarkNew(locked.list, indexes[0])) {
        saveFailed(context, locked.list);
        return kExitFailed;
    }
    const auto record = locked.list.record(indexes[0]);
    context.out << indexes[0] << '\t' << toUtf8(record->productName) << '\t'
                << (record->isNew != 0 ? "marked new" : "no longer new") << '\n';
    return 0;
}

struct {
    std::vector<std::string> indexes;
    bool all = false;
} ackArgs;

void declareAck(CLI::App& command) {
    CLI::Option* all = command.add_flag("--all", ackArgs.all, "every product");
    command.add_option("INDEX", ackArgs.indexes, "the products' indexes (see list)")->excludes(all);
}

int ackCommand(Context& context) {
    const bool all = ackArgs.all;
    if (!all && ackArgs.indexes.empty())
        return kExitUsage;
    LockedList locked;
    if (const int failed = openList(context, locked))
        return failed;
    std::vector<size_t> indexes;
    if (all) {
        for (size_t i = 0; i < locked.list.count(); ++i)
            indexes.push_back(i);
    } else if (!productIndexes(context, "ack", ackArgs.indexes, locked.list, indexes)) {
        return kExitUsage;
    }
    bool saved = true;
    const size_t changed = acknowledgeNew(locked.list, indexes, &saved);
    if (!saved) {
        saveFailed(context, locked.list);
        return kExitFailed;
    }
    context.out << "Acknowledged " << changed << (changed == 1 ? " product.\n" : " products.\n");
    return 0;
}

CommandRegistration removeRegistration("remove", "remove products from the watch list", &declareRemove,
                                       &removeCommand);
CommandRegistration markNewRegistration("mark-new", "toggle a product's new mark, as Mark As New does",
                                        &declareMarkNew, &markNewCommand);
CommandRegistration ackRegistration("ack",
                                    "acknowledge new versions: clear the new mark of the products named, or of all",
                                    &declareAck, &ackCommand);

} // namespace
} // namespace zelvon::cli
