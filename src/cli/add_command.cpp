// Adding a product to the watch list without a window: by store ID, by a
// search on the name, or from an entry of a cached store list. The steps
// are the watch library's, so the entry is exactly what the window adds.

#include "cli/command.h"

#include "foundation/text_codec.h"
#include "cli/record_json.h"
#include "cli/terminal_flow_ui.h"
#include "cli/watch_loading.h"
#include "watch/add_product.h"
#include "watch/app_folder_lock.h"
#include "watch/clock.h"
#include "watch/flow_context.h"
#include "watch/script_catalogue.h"
#include "watch/store_lists.h"
#include "watch/watch_list.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <optional>
#include <ostream>

namespace zelvon::cli {
namespace {

// The terminal's front end, with the Select Item choice answered by --pick,
// asked on a terminal, or else left to the user: the matches are printed
// and the command ends with kExitChoice, so a script never adds a product
// nobody chose.
class AddFlowUi final : public FlowUi {
public:
    AddFlowUi(Context& context, std::optional<size_t> pick, bool interactive)
        : terminal_(std::cin, context.out, context.err, interactive), context_(context), pick_(pick),
          interactive_(interactive) {}

    void showMessage(std::u16string_view text, std::u16string_view caption) override {
        terminal_.showMessage(text, caption);
    }
    void showFailureMessage(std::u16string_view text, std::u16string_view caption, const Failure& failure) override {
        terminal_.showFailureMessage(text, caption, failure);
    }
    bool askYesNo(std::u16string_view text, std::u16string_view caption) override {
        return terminal_.askYesNo(text, caption);
    }
    void showPaneText(std::u16string_view html) override { terminal_.showPaneText(html); }
    void setStatusText(std::u16string_view text) override { terminal_.setStatusText(text); }

    std::optional<size_t> pickItem(const std::vector<std::u16string>& names) override {
        if (pick_) {
            if (*pick_ >= 1 && *pick_ <= names.size())
                return *pick_ - 1;
            context_.err << "zelvon-cli add: --pick " << *pick_ << " is not one of the " << names.size()
                         << " matches\n";
            pickOutOfRange_ = true;
            return std::nullopt;
        }
        if (interactive_)
            return terminal_.pickItem(names);
        context_.out << "Several products match; run again with --pick N to add one of them:\n";
        for (size_t i = 0; i < names.size(); ++i)
            context_.out << "  " << (i + 1) << ") " << toUtf8(names[i]) << '\n';
        choiceNeeded_ = true;
        return std::nullopt;
    }

    bool choiceNeeded() const { return choiceNeeded_; }
    bool pickOutOfRange() const { return pickOutOfRange_; }

private:
    TerminalFlowUi terminal_;
    Context& context_;
    std::optional<size_t> pick_;
    bool interactive_;
    bool choiceNeeded_ = false;
    bool pickOutOfRange_ = false;
};

struct AddArguments {
    std::optional<AddMode> mode;
    std::u16string text;                    // the ID or the name words
    std::optional<StoreListKind> fromList;  // --from
    size_t fromIndex = 0;
    std::optional<size_t> pick;
};

std::optional<StoreListKind> storeListNamed(const std::string& name) {
    if (name == "whatsnew")
        return StoreListKind::WhatsNew;
    if (name == "best")
        return StoreListKind::BestSelling;
    return std::nullopt;
}

struct {
    std::string id;
    std::vector<std::string> nameWords;
    std::string pick;
    std::vector<std::string> from; // list name and index
} addArgs;

void declareAdd(CLI::App& command) {
    CLI::Option* id = command.add_option("--id", addArgs.id, "a store product ID")->type_name("ID");
    // Unquoted words after --name belong to the name.
    CLI::Option* name = command.add_option("--name", addArgs.nameWords, "search the store by name")
                            ->type_name("WORDS...")
                            ->expected(1, CLI::detail::expected_max_vector_size);
    command.add_option("--pick", addArgs.pick, "with several matches, take the Nth (1-based)")
        ->type_name("N")
        ->needs(name);
    CLI::Option* from =
        command.add_option("--from", addArgs.from, "an entry of a cached store list")->type_name("whatsnew|best INDEX")->expected(2);
    id->excludes(name)->excludes(from);
    name->excludes(from);
}

// What the declarations took in, checked: exactly one way to add.
bool parseArguments(AddArguments& parsed) {
    if (!addArgs.id.empty()) {
        parsed.mode = AddMode::ById;
        parsed.text = fromUtf8(addArgs.id);
    } else if (!addArgs.nameWords.empty()) {
        parsed.mode = AddMode::ByName;
        for (size_t i = 0; i < addArgs.nameWords.size(); ++i)
            parsed.text += (i == 0 ? u"" : u" ") + fromUtf8(addArgs.nameWords[i]);
    } else if (addArgs.from.size() == 2) {
        parsed.fromList = storeListNamed(addArgs.from[0]);
        if (!parsed.fromList || !parseIndex(addArgs.from[1], parsed.fromIndex))
            return false;
    } else {
        return false;
    }
    if (!addArgs.pick.empty()) {
        size_t pick = 0;
        if (!parseIndex(addArgs.pick, pick))
            return false;
        parsed.pick = pick;
    }
    return true;
}

void printAdded(Context& context, const WatchList& list, size_t index) {
    const auto record = list.record(index);
    context.out << "Added " << index << '\t' << toUtf8(record->productName) << '\t' << toUtf8(record->productVersion)
                << '\n';
}

int addCommand(Context& context) {
    AddArguments args;
    if (!parseArguments(args))
        return kExitUsage;

    AppFolderLock lock;
    ScriptCatalogue catalogue;
    WatchList list;
    if (const int failed = openForDownload(context, lock, catalogue, &list))
        return failed;

    const SystemClock clock;
    AddFlowUi ui(context, args.pick, TerminalFlowUi::stdinIsTerminal());
    const FlowContext flow{context.appFolder, catalogue, ProxySettings::fromSettings(context.settings), clock,
                           context.settings, ui};
    bool saved = true;
    std::vector<size_t> added;
    if (args.fromList) {
        WatchList storeList;
        storeList.load(storeListFilePath(context.appFolder, *args.fromList), context.settings, clock);
        const auto entry = storeList.record(args.fromIndex);
        if (!entry || entry->removed != 0) {
            context.err << "zelvon-cli add: no entry with index " << args.fromIndex << " in the "
                        << toUtf8(storeListBranchText(*args.fromList)) << " (see zelvon-cli lists)\n";
            return kExitUsage;
        }
        if (const auto index = addFromStoreRecord(list, *entry, flow, &saved))
            added.push_back(*index);
    } else {
        added = addProduct(list, *args.mode, args.text, flow, &saved);
    }

    for (const size_t index : added)
        printAdded(context, list, index);
    if (!saved) {
        context.err << "zelvon-cli add: could not save the watch list " << toUtf8(list.path()) << '\n';
        if (!list.saveRefusal().empty())
            context.err << "zelvon-cli add: " << toUtf8(list.saveRefusal()) << '\n';
        return kExitFailed;
    }
    if (!added.empty())
        return 0;
    if (ui.choiceNeeded())
        return kExitChoice;
    if (ui.pickOutOfRange())
        return kExitUsage;
    context.err << "zelvon-cli add: nothing was added\n";
    return kExitFailed;
}

CommandRegistration addRegistration("add", "add a product to the watch list by store ID, by name or from a store list",
                                    &declareAdd, &addCommand);

} // namespace
} // namespace zelvon::cli
