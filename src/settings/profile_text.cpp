#include "settings/profile_text.h"

#include "app/app_error.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return asciiLower(x) == asciiLower(y);
    });
}

// The classic reader drops one pair of outer quotes of the same kind, single or double, so a
// hand-written RANDOM='1' reads as 1 there too.
std::string_view withoutQuotes(std::string_view value)
{
    const bool quote = !value.empty() && (value.front() == '"' || value.front() == '\'');
    if (quote && value.size() >= 2 && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

bool fitsOnOneLine(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// One line of the file: [begin, end) is its text without the line ending, next is where the
// following line starts.
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
};

Line lineAt(const std::string &bytes, std::size_t begin)
{
    const void *newline = std::memchr(bytes.data() + begin, '\n', bytes.size() - begin);
    Line line;
    line.begin = begin;
    line.end = newline ? static_cast<std::size_t>(static_cast<const char *>(newline) - bytes.data())
                       : bytes.size();
    line.next = newline ? line.end + 1 : bytes.size();
    if (line.end > line.begin && bytes[line.end - 1] == '\r')
        --line.end;
    return line;
}

// The start of the next line from lineStart on (itself a line's start) that opens with '['
// after blanks, or npos. Each byte is looked at by memchr or by one backward check at most, so
// the search stays linear however many stray brackets a line holds.
std::size_t nextHeaderLine(const std::string &bytes, std::size_t lineStart)
{
    for (std::size_t from = lineStart;;) {
        const void *hit = std::memchr(bytes.data() + from, '[', bytes.size() - from);
        if (!hit)
            return std::string::npos;
        const std::size_t bracket
            = static_cast<std::size_t>(static_cast<const char *>(hit) - bytes.data());
        std::size_t before = bracket;
        while (before > from && isBlank(bytes[before - 1]))
            --before;
        if (before == lineStart || (before > from && bytes[before - 1] == '\n'))
            return before;
        from = bracket + 1;
    }
}

} // namespace

ProfileText::Found ProfileText::find(std::string_view section, std::string_view key) const
{
    Found found;
    bool inSection = false;
    bool firstSection = false;
    for (std::size_t offset = 0; offset < m_bytes.size();) {
        if (!inSection) {
            // Outside the section only headers matter, so the scan leaps from one '[' to the
            // next instead of visiting every line: a large file of other sections costs one
            // pass of memchr.
            offset = nextHeaderLine(m_bytes, offset);
            if (offset == std::string::npos)
                break;
        }
        const Line line = lineAt(m_bytes, offset);
        offset = line.next;
        const std::string_view text
            = trimmed(std::string_view(m_bytes).substr(line.begin, line.end - line.begin));
        if (text.empty() || text.front() == ';')
            continue;
        if (text.front() == '[') {
            const std::size_t close = text.find(']');
            const std::string_view name
                = trimmed(text.substr(1, close == text.npos ? text.npos : close - 1));
            inSection = sameName(name, section);
            // New keys go into the first section of the name, the one a reader sees first.
            firstSection = inSection && !found.insertAt;
            if (firstSection)
                found.insertAt = line.next;
            continue;
        }
        const std::size_t equals = text.find('=');
        if (equals == text.npos)
            continue;
        if (firstSection)
            found.insertAt = line.next;
        if (sameName(trimmed(text.substr(0, equals)), key)) {
            found.keyLine = std::make_pair(line.begin, line.end);
            found.value = withoutQuotes(trimmed(text.substr(equals + 1)));
            return found;
        }
    }
    return found;
}

std::string ProfileText::readText(std::string_view section, std::string_view key,
    std::string_view defaultText, std::size_t bufferSize) const
{
    if (bufferSize == 0)
        return {};
    const Found found = find(section, key);
    const std::string_view value = found.keyLine ? found.value : defaultText;
    return std::string(value.substr(0, bufferSize - 1));
}

int32_t ProfileText::readInteger(
    std::string_view section, std::string_view key, int32_t defaultValue) const
{
    const Found found = find(section, key);
    return found.keyLine ? profileInteger(found.value) : defaultValue;
}

std::string_view ProfileText::lineEnding() const
{
    // New lines follow the file's own convention, so a file edited on Windows stays CRLF.
    const std::size_t newline = m_bytes.find('\n');
    if (newline != std::string::npos && newline > 0 && m_bytes[newline - 1] == '\r')
        return "\r\n";
    return "\n";
}

void ProfileText::insertLine(std::size_t offset, const std::string &line)
{
    const std::string ending(lineEnding());
    std::string text = line + ending;
    // A last line without its line ending gets one before anything is added after it. One cut
    // between the "\r" and the "\n" only needs the "\n": a whole ending after its "\r" would
    // leave a stray "\r" at the end of that line's value.
    if (offset == m_bytes.size() && !m_bytes.empty() && m_bytes.back() != '\n')
        text = (m_bytes.back() == '\r' ? std::string("\n") : ending) + text;
    m_bytes.insert(offset, text);
}

void ProfileText::writeText(std::string_view section, std::string_view key, std::string_view value)
{
    const bool sectionUsable
        = !trimmed(section).empty() && fitsOnOneLine(section) && section.find(']') == section.npos;
    const bool keyUsable = !trimmed(key).empty() && fitsOnOneLine(key) && key.find('=') == key.npos
        && key.front() != '[' && key.front() != ';';
    if (!sectionUsable || !keyUsable || !fitsOnOneLine(value))
        raiseError(ErrNo::InvalidArgument);

    const std::string keyLine = std::string(key) + '=' + profileValueText(value);
    const Found found = find(section, key);
    if (found.keyLine) {
        const auto [begin, end] = *found.keyLine;
        m_bytes.replace(begin, end - begin, keyLine);
    } else if (found.insertAt) {
        insertLine(*found.insertAt, keyLine);
    } else {
        insertLine(m_bytes.size(), '[' + std::string(section) + ']');
        insertLine(m_bytes.size(), keyLine);
    }
}

int32_t profileInteger(std::string_view text)
{
    std::size_t index = 0;
    bool negative = false;
    if (index < text.size() && (text[index] == '-' || text[index] == '+')) {
        negative = text[index] == '-';
        ++index;
    }
    // One past the largest magnitude, so the negative end is reachable.
    constexpr int64_t Limit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    int64_t magnitude = 0;
    for (; index < text.size() && text[index] >= '0' && text[index] <= '9'; ++index)
        magnitude = std::min(Limit, magnitude * 10 + (text[index] - '0'));
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int32_t>(std::clamp<int64_t>(
        value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

std::string profileValueText(std::string_view value)
{
    const bool losesBlanks = !value.empty() && (isBlank(value.front()) || isBlank(value.back()));
    if (losesBlanks || withoutQuotes(value).size() != value.size())
        return '"' + std::string(value) + '"';
    return std::string(value);
}
