// List files. Records made from the input are saved and read back equal
// (removed ones left out); a file made of the input, when it loads, saves
// and loads again to the same records and the same text; when it does not
// load, the next save keeps its bytes aside instead of replacing them.
#include "fuzz_support.h"

#include "watch/watch_list.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace zelvon;
using fuzz::require;
namespace fs = std::filesystem;

namespace {

// No record's lastReload lies a million days before 1970, so loading never
// ages a record and what was saved is what comes back.
constexpr int kNeverExpire = 1000000;
const TimePoint kNow{};

fuzz::ScratchFolder& scratch() {
    static fuzz::ScratchFolder folder;
    return folder;
}

std::string describe(const std::vector<ProductRecord>& records) {
    std::string out;
    for (const ProductRecord& r : records)
        out += toUtf8(r.productURL + u"|" + r.productID + u"|" + r.productName + u"|" + r.productCompany + u"|" +
                      r.productVersion + u"|" + r.productDate + u"|" + r.productDescription + u"|" +
                      r.previousVersion + u"|" + r.lastReload) +
               "|" + std::to_string(r.isNew) + "|" + std::to_string(r.keepNew) + "|" + std::to_string(r.groupType) +
               "\n";
    return out;
}

std::vector<ProductRecord> kept(const std::vector<ProductRecord>& records) {
    std::vector<ProductRecord> out;
    for (const ProductRecord& record : records)
        if (record.removed == 0)
            out.push_back(record);
    return out;
}

void checkGeneratedRecords(FuzzedDataProvider& input, const std::u16string& path) {
    WatchList list;
    list.load(path, kNeverExpire, kNow); // missing: starts empty, remembers the path
    for (int n = input.ConsumeIntegralInRange(0, 4); n > 0; --n) {
        ProductRecord record;
        for (std::u16string* field : {&record.productURL, &record.productID, &record.productName,
                                      &record.productCompany, &record.productVersion, &record.productDate,
                                      &record.productDescription, &record.previousVersion, &record.lastReload})
            *field = fromUtf8(input.ConsumeRandomLengthString(48));
        record.isNew = input.ConsumeIntegral<int32_t>();
        record.keepNew = input.ConsumeIntegral<int32_t>();
        record.groupType = input.ConsumeIntegral<int32_t>();
        const size_t index = list.append(record);
        if (input.ConsumeBool())
            list.markRemoved(index);
    }
    require(list.save(), "a list can be saved");
    WatchList reread;
    require(reread.load(path, kNeverExpire, kNow), "a saved list loads");
    const std::vector<ProductRecord> expected = kept(list.records());
    require(reread.records() == expected, "the records saved come back",
            describe(expected) + "--- came back as\n" + describe(reread.records()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    fuzz::ScratchFolder::clearExcept(scratch().path(), {});
    const fs::path file = scratch().path() / "productList.txt";
    const std::u16string path = fromUtf8(file.string());

    if (input.ConsumeBool()) {
        checkGeneratedRecords(input, path);
        return 0;
    }
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    fuzz::writeFile(file, bytes);
    WatchList list;
    if (list.load(path, kNeverExpire, kNow)) {
        require(list.save(), "a list that loads can be saved", bytes);
        WatchList reread;
        require(reread.load(path, kNeverExpire, kNow), "a list saved after loading loads again", bytes);
        require(reread.records() == list.records(), "a list saved after loading keeps its records",
                describe(list.records()) + "--- came back as\n" + describe(reread.records()));
        require(reread.fileText() == list.fileText(), "a list saved after loading keeps its text", bytes);
        return 0;
    }
    // A file that does not load is kept aside by the next save.
    list.append(ProductRecord{});
    require(list.save(), "a list whose file did not load can still be saved", bytes);
    require(!list.setAsidePath().empty() && fuzz::readFile(toUtf8(list.setAsidePath())) == bytes,
            "the file that did not load keeps its bytes aside", bytes);
    WatchList reread;
    require(reread.load(path, kNeverExpire, kNow) && reread.count() == 1, "the new list loads", bytes);
    return 0;
}
