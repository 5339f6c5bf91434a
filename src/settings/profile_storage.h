#ifndef BRENLOWICK_PROFILE_STORAGE_H
#define BRENLOWICK_PROFILE_STORAGE_H

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// A settings file is a few hundred bytes; anything larger than this is not one of ours and is
// not read into memory.
constexpr std::size_t MaxProfileBytes = std::size_t(64) << 20;

// The bytes of a profile file, read once. Empty when there is no usable text file at the path:
// missing, a dangling link, a directory, a pipe or device, unreadable, larger than
// MaxProfileBytes, or binary (it holds a NUL byte, which no text profile does). Never blocks
// on a pipe and never throws.
std::optional<std::string> readProfileBytes(const std::filesystem::path &path) noexcept;

// Replaces the file at target with bytes, whole or not at all: the bytes go to a temporary
// file in the same folder, are flushed to the disk, and the temporary file is renamed over the
// target. A crash or a full disk leaves the old file as it was. A target that is a link to an
// existing file is written through (the link stays); a dangling link is replaced. A new file
// gets the permissions the user's umask allows, an old one keeps its own. beforeRename runs
// when the new bytes are on the disk and the old file is still in place. Returns false, with
// the old file untouched and no temporary file left, when anything fails.
bool replaceFileAtomically(const std::filesystem::path &target, std::string_view bytes,
    const std::function<void()> &beforeRename = {}) noexcept;

#endif
