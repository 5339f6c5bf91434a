#!/usr/bin/env bash
# Regenerates the small MP3 fixtures of the engine tests and benchmarks. Needs lame and
# python3; the results are committed, so neither is needed to build or test.
# Tag bytes are written by Python rather than by an encoder or tagger, so that every
# byte the tests depend on (Shift-JIS in ID3v1 and in Latin-1 frames, UTF-16, UTF-8) is exact.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PY'
import math, random, struct, sys, wave

work = sys.argv[1]

def write_wav(name, rate, channels, frames):
    with wave.open(f"{work}/{name}", "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(2)
        w.setframerate(rate)
        data = bytearray()
        for frame in frames:
            for v in frame:
                data += struct.pack("<h", max(-32768, min(32767, int(round(v * 32767)))))
        w.writeframes(bytes(data))

rate = 44100
# One second of a 440 Hz tone: its frequency and length are what the tests measure.
write_wav("sine.wav", rate, 1, [(0.5 * math.sin(2 * math.pi * 440 * i / rate),)
                                for i in range(rate)])
# Silence, then a rising chirp: the frames differ widely in size, so a length guessed from
# the first frame is far off and only a scan gives the truth.
chirp = []
for i in range(int(1.5 * rate)):
    t = i / rate
    chirp.append((0.0 if t < 0.75 else 0.6 * math.sin(2 * math.pi * (300 + 3000 * (t - 0.75)) * t),))
write_wav("chirp.wav", rate, 1, chirp)
# Half a second at 48 kHz: a song at another rate, which makes the device reopen.
write_wav("sine48.wav", 48000, 1, [(0.5 * math.sin(2 * math.pi * 440 * i / 48000),)
                                   for i in range(24000)])
write_wav("short.wav", rate, 1, [(0.4 * math.sin(2 * math.pi * 660 * i / rate),)
                                 for i in range(int(0.3 * rate))])
# Busy stereo content for the benchmark's long file, so the decoder does real work.
rng = random.Random(7)
write_wav("busy.wav", rate, 2, [(0.3 * math.sin(2 * math.pi * 220 * i / rate) + 0.2 * rng.uniform(-1, 1),
                                 0.3 * math.sin(2 * math.pi * 330 * i / rate) + 0.2 * rng.uniform(-1, 1))
                                for i in range(rate)])
# Stereo sweeps for the sound tests: tonal, so that a cut in the wave stands out as a step far
# above the material's own, and never repeating, so that any stretch of a recording has one
# place in the song; the channels differ, so that a swap shows. Both start and end loud, so a
# gap at a song change cannot hide in silence.
def sweep(f0, f1, seconds, t):
    return 2 * math.pi * (f0 * t + (f1 - f0) * t * t / (2 * seconds)) + 0.5
def sweeps(name, left, right, seconds):
    write_wav(name, rate, 2, [(0.5 * math.cos(sweep(*left, seconds, i / rate)),
                               0.5 * math.cos(sweep(*right, seconds, i / rate)))
                              for i in range(int(seconds * rate))])
sweeps("sweep_a.wav", (220, 660), (330, 550), 2.2)
sweeps("sweep_b.wav", (700, 300), (500, 250), 1.0)
PY

lame_common=(--quiet --resample 44.1)
lame "${lame_common[@]}" -m m -b 64 "$work/sine.wav" sine_440_cbr.mp3
lame "${lame_common[@]}" -m m -V 4 -t "$work/chirp.wav" vbr_no_xing.mp3
lame --quiet --resample 48 -m m -b 64 "$work/sine48.wav" sine_440_48k.mp3
lame "${lame_common[@]}" -m m -b 32 "$work/short.wav" "$work/short.mp3"
lame "${lame_common[@]}" -m j -b 192 "$work/busy.wav" bench_seed_192k.mp3
lame "${lame_common[@]}" -m j -b 56 "$work/sweep_a.wav" sweep_stereo_a.mp3
lame "${lame_common[@]}" -m j -b 56 "$work/sweep_b.wav" sweep_stereo_b.mp3
# Half a second of the tone at 44.1 kHz, then half a second at 48 kHz, in one stream without a
# header (songs joined into one file): each part must keep its pitch.
lame "${lame_common[@]}" -m m -b 64 -t "$work/sine.wav" "$work/sine_441_bare.mp3"
lame --quiet --resample 48 -m m -b 64 -t "$work/sine48.wav" "$work/sine_48_bare.mp3"
head -c 4180 "$work/sine_441_bare.mp3" | cat - "$work/sine_48_bare.mp3" > rate_change_mid_stream.mp3

python3 - "$work/short.mp3" <<'PY'
import random, struct, sys

audio = open(sys.argv[1], "rb").read()

def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])

def id3v2(version, frames):
    body = b""
    for fid, payload in frames:
        if version == 2:
            body += fid + struct.pack(">I", len(payload))[1:] + payload
        elif version == 3:
            body += fid + struct.pack(">I", len(payload)) + b"\0\0" + payload
        else:
            body += fid + syncsafe(len(payload)) + b"\0\0" + payload
    return b"ID3" + bytes([version, 0, 0]) + syncsafe(len(body)) + body

def text(encoding, raw):
    return bytes([encoding]) + raw

def utf16(s):
    return b"\xff\xfe" + s.encode("utf-16-le")

def id3v1(title, artist):
    def field(b, n):
        return b[:n] + b"\0" * (n - len(b[:n]))
    return b"TAG" + field(title, 30) + field(artist, 30) + field(b"", 30) + b"2001" + \
        field(b"", 30) + b"\xff"

def ape(items):
    body = b""
    for key, value in items:
        body += struct.pack("<II", len(value), 0) + key + b"\0" + value
    def frame(is_header):
        flags = 0x80000000 | (0x20000000 if is_header else 0)
        return b"APETAGEX" + struct.pack("<IIII", 2000, len(body) + 32, len(items), flags) + b"\0" * 8
    return frame(True) + body + frame(False)

def save(name, data):
    open(name, "wb").write(data)

sjis = lambda s: s.encode("cp932")

save("tags_none.mp3", audio)
save("tags_id3v23_utf16.mp3",
     id3v2(3, [(b"TIT2", text(1, utf16("春の海"))), (b"TPE1", text(1, utf16("宮城道雄")))]) + audio)
# UTF-16 without a byte-order mark, as some encoders wrote it (big-endian, the standard's default),
# with an ID3v1 tag of other texts behind the audio.
for version, ids in ((3, (b"TIT2", b"TPE1")), (2, (b"TT2", b"TP1"))):
    save(f"tags_id3v2{version}_utf16_unmarked.mp3",
         id3v2(version, [(ids[0], text(1, "春の海".encode("utf-16-be") + b"\0\0")),
                         (ids[1], text(1, "宮城道雄".encode("utf-16-be") + b"\0\0"))])
         + audio + id3v1(b"ID3v1 title", b"ID3v1 artist"))
save("tags_id3v24_utf8.mp3",
     id3v2(4, [(b"TIT2", text(3, "月の光".encode())), (b"TPE1", text(3, "Ravel & Debussy".encode()))])
     + audio)
save("tags_id3v22_latin1.mp3",
     id3v2(2, [(b"TT2", text(0, b"Old Tagger Title")), (b"TP1", text(0, b"Old Tagger Artist"))]) + audio)
save("tags_id3v1_sjis.mp3", audio + id3v1(sjis("春の海"), sjis("宮城道雄")))
# Cut at 30 bytes, as taggers did, after the first byte of a character; Latin-1 behind it.
save("tags_id3v1_cut.mp3", audio + id3v1(sjis("01 春の海 宮城道雄 箏と尺八のための二重奏曲"),
                                         "Café Olé".encode("latin-1")))
save("tags_id3v2_latin1_sjis.mp3",
     id3v2(3, [(b"TIT2", text(0, sjis("ﾊﾙﾉｳﾐ"))), (b"TPE1", text(0, sjis("宮城道雄")))]) + audio)
save("tags_latin1_bjork.mp3",
     id3v2(3, [(b"TIT2", text(0, "Café del Mar".encode("latin-1"))),
               (b"TPE1", text(0, "Björk".encode("latin-1")))]) + audio)
save("tags_ape.mp3", audio + ape([(b"Title", "六段の調".encode()), (b"Artist", "八橋検校".encode())]))
# ID3v2 gives the title only: the author comes from the ID3v1 tag behind the audio.
save("tags_v2_title_v1_artist.mp3",
     id3v2(3, [(b"TIT2", text(0, b"From ID3v2"))]) + audio + id3v1(b"Ignored", b"From ID3v1"))
# A frame whose size runs far past the end of its tag: the tag is damaged, the audio is not.
damaged = b"TIT2" + struct.pack(">I", 0x7FFFFF) + b"\0\0" + b"\0Broken"
save("tags_damaged.mp3", b"ID3\x03\0\0" + syncsafe(len(damaged)) + damaged + audio)

save("bad_empty.mp3", b"")
save("bad_text.mp3", "これは MP3 ではありません。\nJust a text file.\n".encode() * 20)
rng = random.Random(2024)
save("bad_random.mp3", bytes(rng.getrandbits(8) for _ in range(4096)))
PY
ls -l ./*.mp3
