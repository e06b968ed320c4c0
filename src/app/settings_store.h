#pragma once
// The user's preferences, grouped in sections, kept in one INI file:
// $XDG_CONFIG_HOME/<company>/<application>.conf (XDG default ~/.config).
// Nothing is cached: every read reads the file, every write re-reads it,
// changes one value and replaces the file atomically under an advisory lock,
// so a window and a command-line run never lose each other's writes.
// Each read names its default; failures yield that default. A write tells
// whether the value reached the disk; callers that have nobody to tell may
// ignore it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zelvon {

class SettingsStore {
public:
    // The limits of the registry this store stands in for: the key path
    // "SOFTWARE\company\application\section" fits in 255 characters, a value
    // is read into 512 bytes of wide characters (255 and the terminating
    // zero), and at most 511 characters are written. Longer texts read as the
    // default or are not written.
    static constexpr size_t kMaxKeyPath = 255;
    static constexpr size_t kMaxReadLength = 255;
    static constexpr size_t kMaxWriteLength = 511;

    // `configHome` empty: $XDG_CONFIG_HOME, else $HOME/.config.
    explicit SettingsStore(std::string configHome = {});

    void bind(std::u16string_view company, std::u16string_view application);
    bool isBound() const { return bound_; }

    std::u16string readString(std::u16string_view section, std::u16string_view key, std::u16string_view defaultValue) const;
    int32_t readInt(std::u16string_view section, std::u16string_view key, int32_t defaultValue) const;
    // True when the value is stored (also when it already was). False when
    // the store is unbound, the key path or the value is beyond the limits,
    // or the file could not be locked, read or written whole (a full disk):
    // the file then holds what it held before.
    bool writeString(std::u16string_view section, std::u16string_view key, std::u16string_view value) const;
    bool writeInt(std::u16string_view section, std::u16string_view key, int32_t value) const;

    // The file the store reads and writes (empty before bind).
    std::string filePath() const;

private:
    bool keyPathFits(std::u16string_view section) const;
    // The stored text, or nothing when there is none or the store cannot
    // be used for this section.
    std::optional<std::u16string> readStored(std::u16string_view section, std::u16string_view key) const;

    std::string configHome_;
    std::u16string company_;
    std::u16string application_;
    bool bound_ = false;
};

} // namespace zelvon
