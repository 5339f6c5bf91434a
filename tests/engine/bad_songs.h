#ifndef BRENLOWICK_BAD_SONGS_H
#define BRENLOWICK_BAD_SONGS_H

// Files named .mp3 that are not what the name promises, made at test time (the large ones are
// never kept in the tree).

#include "engine_test_support.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>

#include <fstream>

namespace BadSongs {

inline QByteArray fixtureBytes(const char *name)
{
    QFile file(QString::fromStdString(EngineTest::fixture(name).native()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeBytes(const std::filesystem::path &path, const QByteArray &bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.constData(), bytes.size());
}

// ID3v2 sizes are "syncsafe": seven bits in each of four bytes.
inline QByteArray syncsafe(uint32_t size)
{
    QByteArray bytes(4, '\0');
    for (int i = 3; i >= 0; --i, size >>= 7)
        bytes[i] = static_cast<char>(size & 0x7f);
    return bytes;
}

inline QByteArray bigEndian32(uint32_t value)
{
    QByteArray bytes(4, '\0');
    for (int i = 3; i >= 0; --i, value >>= 8)
        bytes[i] = static_cast<char>(value & 0xff);
    return bytes;
}

inline QByteArray id3v23(const QByteArray &frames, uint32_t declaredSize)
{
    return QByteArrayLiteral("ID3\x03\x00\x00") + syncsafe(declaredSize) + frames;
}

inline QByteArray jpegOfNoise()
{
    QImage image(96, 96, QImage::Format_RGB32);
    QRandomGenerator random(9);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, random.generate());
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

inline QByteArray badSong(const QString &kind)
{
    const QByteArray audio = fixtureBytes("sine_440_cbr.mp3");
    const QByteArray title = QByteArrayLiteral("\x00Title");
    if (kind == "empty")
        return {};
    if (kind == "one byte")
        return QByteArray(1, '\xff');
    if (kind == "jpeg")
        return jpegOfNoise();
    if (kind == "zeros")
        return QByteArray(10 << 20, '\0');
    if (kind == "huge tag") {
        const QByteArray frame = "TIT2" + bigEndian32(title.size()) + QByteArray(2, '\0') + title;
        return id3v23(frame, 100u << 20) + audio;
    }
    if (kind == "frame past the end") {
        const QByteArray frame = "TIT2" + bigEndian32(0x7ffffff0) + QByteArray(2, '\0') + title;
        return id3v23(frame + QByteArray(64, '\0'), frame.size() + 64) + audio;
    }
    if (kind == "tags only") {
        const QByteArray frame = "TIT2" + bigEndian32(title.size()) + QByteArray(2, '\0') + title;
        return id3v23(frame, frame.size());
    }
    if (kind == "cut mid-frame")
        return audio.left(audio.size() / 2 + 7);
    return {};
}

} // namespace BadSongs

#endif
