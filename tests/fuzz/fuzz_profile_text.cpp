// The settings codec on any file: every value the program writes reads back as written, the
// other keys keep their values, and a value that cannot stand on one line is refused whole.
// The values written are the input's own lines, so a real settings file is a good seed.

#include "app/app_error.h"
#include "settings/profile_text.h"
#include "settings/settings_keys.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using Name = std::pair<std::string_view, std::string_view>;

const std::array<Name, 10> ProgramKeys = {{
    {SettingsKeys::File, SettingsKeys::Drive},
    {SettingsKeys::File, SettingsKeys::FilePath},
    {SettingsKeys::Attribute, SettingsKeys::FormExpand},
    {SettingsKeys::Attribute, SettingsKeys::FormTop},
    {SettingsKeys::Attribute, SettingsKeys::FormLeft},
    {SettingsKeys::Attribute, SettingsKeys::Random},
    {SettingsKeys::Attribute, SettingsKeys::PlayRepeat},
    {SettingsKeys::Attribute, SettingsKeys::PlayLoop},
    {SettingsKeys::Attribute, SettingsKeys::AutoPlay},
    {SettingsKeys::Attribute, SettingsKeys::Minimum},
}};

constexpr std::string_view Missing = "\x01missing\x01";
constexpr std::size_t Unlimited = std::size_t(1) << 30;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<std::string_view> linesOf(std::string_view bytes)
{
    std::vector<std::string_view> lines;
    while (!bytes.empty() && lines.size() < 16) {
        const std::size_t newline = bytes.find('\n');
        lines.push_back(bytes.substr(0, newline));
        bytes.remove_prefix(newline == bytes.npos ? bytes.size() : newline + 1);
    }
    return lines;
}

bool fitsOnOneLine(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char *>(data), size);
    ProfileText profile(input);

    std::map<Name, std::string> expected;
    for (const Name &name : ProgramKeys) {
        expected[name] = profile.readText(name.first, name.second, Missing, Unlimited);
        // The classic buffer cut never runs past the value nor past the buffer.
        const std::string cut = profile.readText(name.first, name.second, Missing, 8);
        check(cut.size() <= 7 && expected[name].starts_with(cut));
    }

    const std::vector<std::string_view> lines = linesOf(input);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Name &name = ProgramKeys[i % ProgramKeys.size()];
        const std::string_view value = lines[i];
        const std::string before = profile.bytes();
        try {
            profile.writeText(name.first, name.second, value);
        } catch (const AppError &) {
            check(!fitsOnOneLine(value));
            check(profile.bytes() == before);
            continue;
        }
        check(fitsOnOneLine(value));
        expected[name] = std::string(value);
        for (const auto &[key, text] : expected) {
            const std::string read = profile.readText(key.first, key.second, Missing, Unlimited);
            check(read == text);
            if (text != Missing)
                check(profile.readInteger(key.first, key.second, -7) == profileInteger(text));
        }
    }

    // What was written is a file: read afresh, it gives the same values.
    const ProfileText reread(profile.bytes());
    for (const auto &[key, text] : expected)
        check(reread.readText(key.first, key.second, Missing, Unlimited) == text);
    return 0;
}
