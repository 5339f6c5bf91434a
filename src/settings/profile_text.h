#ifndef BRENLOWICK_PROFILE_TEXT_H
#define BRENLOWICK_PROFILE_TEXT_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A sectioned profile file ("[SECTION]" lines followed by "KEY=value" lines), held as the
// file's bytes. Reading and writing work on the bytes directly, so a write keeps every other
// line, comment and line ending exactly as it was, and values are bytes: a folder name that
// is not valid UTF-8 goes in and comes out unchanged.
//
// The syntax follows the classic profile functions: section and key names match regardless of
// (ASCII) case; spaces and tabs around names and values are ignored; a value wrapped in a pair
// of single or double quotes loses them, for the text and the integer reading alike; a line
// whose first non-blank character is ';' is a comment; a line ending is "\n" or "\r\n"; when
// a key appears twice, the first one counts.
class ProfileText {
public:
    ProfileText() = default;
    explicit ProfileText(std::string bytes)
        : m_bytes(std::move(bytes))
    {
    }

    // Copies the value, or defaultText when the section or key is missing, cut to at most
    // bufferSize - 1 bytes (the classic buffer with room for its terminator).
    std::string readText(std::string_view section, std::string_view key,
        std::string_view defaultText, std::size_t bufferSize) const;

    // The key's value as an integer (see profileInteger), or defaultValue when the section or
    // key is missing. An empty value is present and reads as 0.
    int32_t readInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;

    // Sets the key's value, adding the section and the key when they are missing. Throws
    // AppError (invalid argument) for a name or value that cannot stand on one line, so a
    // stray line break can never split the file into keys nobody wrote.
    void writeText(std::string_view section, std::string_view key, std::string_view value);

    const std::string &bytes() const { return m_bytes; }

private:
    struct Found {
        // The first key line that matches, as offsets into m_bytes (line ending excluded).
        std::optional<std::pair<std::size_t, std::size_t>> keyLine;
        std::string_view value;
        // Where a new key of the section goes: after the section's last key, else after its
        // header. Empty when the section is missing.
        std::optional<std::size_t> insertAt;
    };
    Found find(std::string_view section, std::string_view key) const;
    std::string_view lineEnding() const;
    void insertLine(std::size_t offset, const std::string &line);

    std::string m_bytes;
};

// The integer reading of a value: an optional sign and the decimal digits that follow, up to
// the first other character. Text that does not start with a number reads as 0; values beyond
// the 32-bit range stop at its ends instead of wrapping round to a different number.
int32_t profileInteger(std::string_view text);

// The text written for a value: the value itself, or the value in double quotes where the
// reader would otherwise lose its outer spaces or quotes.
std::string profileValueText(std::string_view value);

#endif
