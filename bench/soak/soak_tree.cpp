#include "bench/soak/soak_tree.h"

#include "bench/engine_bench_data.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::vector<unsigned char> readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The whole frames of an MPEG-1 Layer III file without its Info or Xing frame, so that a
// repeated run of them is one stream whose length only a scan tells.
std::vector<unsigned char> audioFramesOf(const fs::path &path)
{
    const std::vector<unsigned char> file = readFile(path);
    std::vector<unsigned char> frames;
    size_t at = 0;
    while (at + 4 <= file.size()) {
        const size_t length = mp3FrameLength(file.data() + at);
        if (length == 0 || at + length > file.size())
            break;
        const std::string head(file.begin() + static_cast<long>(at),
            file.begin() + static_cast<long>(at + std::min<size_t>(64, length)));
        if (head.find("Info") == std::string::npos && head.find("Xing") == std::string::npos)
            frames.insert(frames.end(), file.begin() + static_cast<long>(at),
                file.begin() + static_cast<long>(at + length));
        at += length;
    }
    return frames;
}

void putSynchsafe(std::string &out, uint32_t value)
{
    for (int shift = 21; shift >= 0; shift -= 7)
        out.push_back(static_cast<char>((value >> shift) & 0x7F));
}

void putBigEndian(std::string &out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

// An ID3v2.3 text frame in UTF-16 with a byte-order mark, so Japanese text survives.
std::string textFrame(const char *id, const QString &text)
{
    std::string body("\x01\xFF\xFE", 3);
    for (const QChar unit : text) {
        body.push_back(static_cast<char>(unit.unicode() & 0xFF));
        body.push_back(static_cast<char>(unit.unicode() >> 8));
    }
    std::string frame(id, 4);
    putBigEndian(frame, static_cast<uint32_t>(body.size()));
    frame.append(2, '\0');
    return frame + body;
}

std::string id3v2Tag(const QString &title, const QString &artist)
{
    const std::string frames = textFrame("TIT2", title) + textFrame("TPE1", artist);
    std::string tag("ID3\x03\x00\x00", 6);
    putSynchsafe(tag, static_cast<uint32_t>(frames.size()));
    return tag + frames;
}

size_t tagLength(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    unsigned char header[10] = {};
    if (!in.read(reinterpret_cast<char *>(header), 10) || header[0] != 'I' || header[1] != 'D')
        return 0;
    return 10
        + ((header[6] & 0x7Fu) << 21 | (header[7] & 0x7Fu) << 14 | (header[8] & 0x7Fu) << 7
            | (header[9] & 0x7Fu));
}

template<typename T> const T &pick(const std::vector<T> &from, std::mt19937_64 &random)
{
    return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(random)];
}

} // namespace

bool SoakTree::create(const fs::path &root, std::mt19937_64 &random)
{
    const fs::path data(BRENLOWICK_TEST_DATA);
    m_seed44 = audioFramesOf(data / "sine_440_cbr.mp3");
    m_seed48 = audioFramesOf(data / "sine_440_48k.mp3");
    if (m_seed44.empty() || m_seed48.empty()) {
        std::fprintf(stderr, "soak: the seed songs in %s cannot be read\n", data.c_str());
        return false;
    }
    m_chosen = root / "music";
    for (int i = 0; i < 4; ++i)
        addSongs(random);
    if (presentSongs().empty()) {
        std::fprintf(stderr, "soak: cannot write songs below %s\n", m_chosen.c_str());
        return false;
    }
    return true;
}

bool SoakTree::chosenFolderExists() const
{
    std::error_code error;
    return fs::is_directory(m_chosen, error);
}

fs::path SoakTree::newFolder(std::mt19937_64 &random)
{
    const fs::path folder = pick(m_folders, random) / ("d" + std::to_string(m_nextFolder++));
    std::error_code error;
    fs::create_directories(folder, error);
    m_folders.push_back(folder);
    return folder;
}

std::string SoakTree::addSongs(std::mt19937_64 &random)
{
    if (!chosenFolderExists()) {
        std::error_code error;
        fs::create_directories(m_chosen, error);
        m_folders.assign(1, m_chosen);
    }
    if (m_folders.empty())
        m_folders.push_back(m_chosen);
    if (m_songs.size() >= MaxSongs)
        return {};
    const fs::path folder
        = std::bernoulli_distribution(0.3)(random) ? newFolder(random) : pick(m_folders, random);
    const int count = std::uniform_int_distribution<int>(1, 4)(random);
    std::string done = "add";
    for (int i = 0; i < count; ++i) {
        const int number = m_nextSong++;
        Song song;
        song.title = QStringLiteral("ソーク %1").arg(number);
        song.artist = QStringLiteral("歌手 %1").arg(number % 7);
        // Now and then a name in CP932 bytes, which is not UTF-8.
        song.utf8Name = !std::bernoulli_distribution(0.125)(random);
        const std::string name
            = (song.utf8Name ? "song" : "song\x83\x5c") + std::to_string(number) + ".mp3";
        const fs::path path = folder / name;
        if (writeSong(path, song, random)) {
            m_songs[path.native()] = song;
            done += " " + path.lexically_relative(m_chosen).native();
        }
    }
    return done;
}

bool SoakTree::writeSong(const fs::path &path, const Song &song, std::mt19937_64 &random)
{
    // Mostly a second or less, so that ends are frequent; a few long enough for the slider's
    // large step (a tenth of the length, rounded) to move it.
    static const std::vector<int> copies44 = {1, 1, 1, 1, 2, 3, 5, 8, 13, 40};
    static const std::vector<int> copies48 = {1, 2, 4};
    const bool at48 = std::bernoulli_distribution(0.2)(random);
    const std::vector<unsigned char> &seed = at48 ? m_seed48 : m_seed44;
    const int repeats = pick(at48 ? copies48 : copies44, random);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << id3v2Tag(song.title, song.artist);
    for (int i = 0; i < repeats; ++i)
        out.write(
            reinterpret_cast<const char *>(seed.data()), static_cast<std::streamsize>(seed.size()));
    return static_cast<bool>(out);
}

std::string SoakTree::deleteSong(const std::string &path)
{
    if (m_songs.erase(path) == 0)
        return {};
    std::error_code error;
    fs::remove(path, error);
    return "delete " + fs::path(path).lexically_relative(m_chosen).native();
}

std::string SoakTree::cutShort(const std::string &path, std::mt19937_64 &random)
{
    const auto found = m_songs.find(path);
    if (found == m_songs.end() || !playable(path))
        return {};
    std::error_code error;
    const auto size = static_cast<size_t>(fs::file_size(path, error));
    // A few whole frames stay, so it is still a song: libmpg123 wants some to find its way in.
    const size_t keep = tagLength(path) + 8 * 210;
    if (error || size <= keep + 400)
        return {};
    const size_t cut = std::uniform_int_distribution<size_t>(keep, size - 200)(random);
    fs::resize_file(path, cut, error);
    found->second.state = State::CutShort;
    return "cut " + fs::path(path).lexically_relative(m_chosen).native() + " to "
        + std::to_string(cut) + " of " + std::to_string(size) + " bytes";
}

std::string SoakTree::empty(const std::string &path)
{
    const auto found = m_songs.find(path);
    if (found == m_songs.end() || found->second.state == State::Emptied)
        return {};
    std::error_code error;
    fs::resize_file(path, 0, error);
    found->second.state = State::Emptied;
    return "empty " + fs::path(path).lexically_relative(m_chosen).native();
}

std::string SoakTree::removeSubfolder(std::mt19937_64 &random)
{
    std::vector<fs::path> below;
    for (const fs::path &folder : m_folders) {
        if (folder != m_chosen)
            below.push_back(folder);
    }
    if (below.empty())
        return {};
    const fs::path gone = pick(below, random);
    std::error_code error;
    fs::remove_all(gone, error);
    const std::string prefix = gone.native() + "/";
    std::erase_if(m_songs, [&](const auto &entry) { return entry.first.starts_with(prefix); });
    std::erase_if(m_folders, [&](const fs::path &folder) {
        return folder == gone || folder.native().starts_with(prefix);
    });
    return "remove folder " + gone.lexically_relative(m_chosen).native();
}

std::string SoakTree::removeChosenFolder()
{
    if (!chosenFolderExists())
        return {};
    std::error_code error;
    fs::remove_all(m_chosen, error);
    m_songs.clear();
    m_folders.clear();
    return "remove the chosen folder";
}

const SoakTree::Song *SoakTree::song(const std::string &path) const
{
    const auto found = m_songs.find(path);
    return found == m_songs.end() ? nullptr : &found->second;
}

bool SoakTree::playable(const std::string &path) const
{
    const Song *known = song(path);
    return known && (known->state == State::Intact || known->state == State::CutShort);
}

std::vector<std::string> SoakTree::presentSongs() const
{
    std::vector<std::string> present;
    for (const auto &entry : m_songs)
        present.push_back(entry.first);
    return present;
}

std::string SoakTree::anyPresentSong(std::mt19937_64 &random) const
{
    const std::vector<std::string> present = presentSongs();
    return present.empty() ? std::string() : pick(present, random);
}
