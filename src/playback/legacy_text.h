#ifndef BRENLOWICK_LEGACY_TEXT_H
#define BRENLOWICK_LEGACY_TEXT_H

#include <QByteArrayView>
#include <QString>

// Tag text whose encoding the file does not state: ID3v1 fields and ID3v2 frames marked
// Latin-1. Japanese taggers wrote Shift-JIS into both, everyone else Latin-1 (and some UTF-8).
// Decided in this order: ASCII as is; valid UTF-8 as UTF-8; strict CP932 when it decodes
// cleanly, yields no private-use characters and the bytes do not read as plausible Latin-1
// words; Latin-1 otherwise. Never fails: every byte string has a Latin-1 reading.
QString decodeLegacyText(QByteArrayView bytes);

// The same for a fixed-size field (ID3v1), whose writer cut the text at the field's size in
// bytes, often in the middle of a two-byte character. A first half left alone at the very end
// (a CP932 lead byte, or an unfinished UTF-8 sequence) is dropped when the rest then reads
// cleanly in that encoding, so a cut Japanese title still shows in Japanese. Latin-1 text
// that ends in an accented letter ("Olé") is kept whole.
QString decodeFixedFieldText(QByteArrayView bytes);

namespace LegacyText {
// The pieces of the decision, exposed for their own tests.
bool isAscii(QByteArrayView bytes);
// Strict: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(QByteArrayView bytes);
// The CP932 reading, or a null QString when glibc's strict CP932 converter rejects a byte.
QString decodeCp932Strict(QByteArrayView bytes);
bool hasPrivateUse(const QString &text);
// Whether the bytes read as Latin-1 words: every high byte is a Latin-1 letter inside a word
// that also has ASCII letters ("Björk", "Ça va"), or a lone symbol ("© 1999", "«Chanson»").
// C1 control bytes (0x80-0x9F), runs of letters without any ASCII letter beside them and
// runs of symbols (which is how half-width katakana look in Latin-1) are not plausible.
bool isPlausibleLatin1(QByteArrayView bytes);
// Whether the last byte is the first half of a CP932 character whose second half is missing,
// read from the start so that a second half equal to a lead byte is not mistaken for one.
bool endsWithLoneCp932LeadByte(QByteArrayView bytes);
// How many bytes at the end begin a UTF-8 sequence that is cut short (0 to 3).
qsizetype unfinishedUtf8Tail(QByteArrayView bytes);
} // namespace LegacyText

#endif
