#include "app/settings_store.h"

#include "app/file_lock.h"
#include "app/ini_file.h"
#include "foundation/file_io.h"
#include "foundation/formatting.h"
#include "foundation/text_codec.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvon {
namespace {

std::string defaultConfigHome() {
    // XDG asks to ignore a relative XDG_CONFIG_HOME.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/')
        return xdg;
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
        return std::string(home) + "/.config";
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && found->pw_dir[0] != '\0')
        return std::string(found->pw_dir) + "/.config";
    return {};
}

// A name becomes one path component; one that would leave the folder or
// cut the path short names no file.
bool isUsableComponent(std::u16string_view name) {
    return !name.empty() && name != u"." && name != u".." && name.find(u'/') == std::u16string_view::npos &&
           name.find(u'\0') == std::u16string_view::npos;
}

// Strict decimal in the 32-bit range: what writeInt stores. Anything else
// (a hand-edited "0x10", "12abc", an empty value) is not an integer here.
std::optional<int32_t> parseStoredInt(std::u16string_view text) {
    size_t i = 0;
    if (!text.empty() && text[0] == u'-')
        i = 1;
    if (i >= text.size() || text.size() - i > 10)
        return std::nullopt;
    for (size_t k = i; k < text.size(); ++k) {
        if (text[k] < u'0' || text[k] > u'9')
            return std::nullopt;
    }
    long long value = 0;
    for (size_t k = i; k < text.size(); ++k)
        value = value * 10 + (text[k] - u'0');
    if (i == 1)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

// True when the file is there but could not be read: rewriting it from an
// empty start would then destroy whatever it holds.
bool existsButUnreadable(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 || errno != ENOENT;
}

} // namespace

SettingsStore::SettingsStore(std::string configHome)
    : configHome_(configHome.empty() ? defaultConfigHome() : std::move(configHome)) {}

void SettingsStore::bind(std::u16string_view company, std::u16string_view application) {
    company_ = company;
    application_ = application;
    bound_ = true;
}

std::string SettingsStore::filePath() const {
    if (!bound_ || configHome_.empty() || !isUsableComponent(company_) || !isUsableComponent(application_))
        return {};
    return configHome_ + "/" + toUtf8(company_) + "/" + toUtf8(application_) + ".conf";
}

bool SettingsStore::keyPathFits(std::u16string_view section) const {
    const size_t length = std::u16string_view(u"SOFTWARE\\").size() + company_.size() + 1 + application_.size() + 1 +
                          section.size();
    return length <= kMaxKeyPath;
}

std::optional<std::u16string> SettingsStore::readStored(std::u16string_view section, std::u16string_view key) const {
    const std::string path = filePath();
    if (path.empty() || !keyPathFits(section))
        return std::nullopt;
    std::string bytes;
    if (!readFileBytes(fromUtf8(path), bytes))
        return std::nullopt;
    return IniFile(bytes).value(section, key);
}

std::u16string SettingsStore::readString(std::u16string_view section, std::u16string_view key,
                                         std::u16string_view defaultValue) const {
    const auto stored = readStored(section, key);
    if (!stored || stored->size() > kMaxReadLength)
        return std::u16string(defaultValue);
    return *stored;
}

int32_t SettingsStore::readInt(std::u16string_view section, std::u16string_view key, int32_t defaultValue) const {
    const auto stored = readStored(section, key);
    if (!stored)
        return defaultValue;
    return parseStoredInt(*stored).value_or(defaultValue);
}

bool SettingsStore::writeString(std::u16string_view section, std::u16string_view key,
                                std::u16string_view value) const {
    const std::string path = filePath();
    if (path.empty() || !keyPathFits(section) || value.size() > kMaxWriteLength)
        return false;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);

    // Read, change and replace under the lock, so a concurrent writer's
    // change is either already in what we read or made after our rename.
    const FileLock lock(path + ".lock");
    if (!lock.isLocked())
        return false;
    // A writer killed between creating its temporary file and renaming it
    // left that file behind; every writer takes this lock first, so one
    // older than this moment belongs to nobody.
    const std::string temporaryStem = "." + std::filesystem::path(path).filename().string() + ".tmp-";
    removeStaleFiles(fromUtf8(folder.string()), std::chrono::system_clock::now(), [&](std::string_view name) {
        return name.substr(0, temporaryStem.size()) == temporaryStem && isAtomicWriterTemporary(name);
    });
    std::string bytes;
    if (!readFileBytes(fromUtf8(path), bytes) && existsButUnreadable(path))
        return false;
    IniFile ini(bytes);
    if (ini.value(section, key) == value)
        return true;
    ini.setValue(section, key, value);
    return writeFileAtomically(fromUtf8(path), ini.bytes());
}

bool SettingsStore::writeInt(std::u16string_view section, std::u16string_view key, int32_t value) const {
    return writeString(section, key, formatInt(value));
}

} // namespace zelvon
