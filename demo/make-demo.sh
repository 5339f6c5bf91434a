#!/usr/bin/env bash
# Makes the three demo songs that ship beside the program, so that a first start has music to
# find. Needs lame and python3; the songs are committed, so neither is needed to build.
# Each is a few seconds of a plain tune, mono at 16 kbps, with a Japanese title and artist in
# an ID3v2.3 tag (UTF-16), written byte by byte so the tag is exactly what is meant.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PY'
import math, struct, sys, wave

work = sys.argv[1]
rate = 22050
tunes = {
    "asa": [523.25, 587.33, 659.25, 783.99, 659.25, 587.33, 523.25, 0],
    "saka": [392.00, 440.00, 493.88, 440.00, 392.00, 329.63, 293.66, 0],
    "yozora": [659.25, 783.99, 880.00, 783.99, 659.25, 587.33, 659.25, 0],
}
for name, notes in tunes.items():
    samples = bytearray()
    note_length = int(rate * 0.4)
    for frequency in notes:
        for i in range(note_length):
            fade = min(1.0, i / 400, (note_length - i) / 400)
            value = 0.4 * fade * math.sin(2 * math.pi * frequency * i / rate)
            samples += struct.pack("<h", int(round(value * 32767)))
    with wave.open(f"{work}/{name}.wav", "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(bytes(samples))
PY

tag() {
    python3 - "$1" "$2" "$3" "$4" <<'PY'
import sys

source, target, title, artist = sys.argv[1:5]

def frame(frame_id, text):
    body = b"\x01" + "\ufeff".encode("utf-16-le") + text.encode("utf-16-le")
    return frame_id.encode() + len(body).to_bytes(4, "big") + b"\x00\x00" + body

frames = frame("TIT2", title) + frame("TPE1", artist)
size = len(frames)
syncsafe = bytes([(size >> 21) & 0x7F, (size >> 14) & 0x7F, (size >> 7) & 0x7F, size & 0x7F])
audio = open(source, "rb").read()
open(target, "wb").write(b"ID3\x03\x00\x00" + syncsafe + frames + audio)
PY
}

for name in asa saka yozora; do
    lame --quiet -m m -b 16 "$work/$name.wav" "$work/$name.mp3"
done
rm -f ./*.mp3
tag "$work/asa.mp3" "01_朝のしらべ.mp3" "朝のしらべ" "ブレンロウィック楽団"
tag "$work/saka.mp3" "02_雨上がりの坂道.mp3" "雨上がりの坂道" "デモ・アンサンブル"
tag "$work/yozora.mp3" "03_夜空のメロディー.mp3" "夜空のメロディー" "試験音源合唱団"
