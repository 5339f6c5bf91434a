#ifndef BRENLOWICK_LEGACY_TEXT_H
#define BRENLOWICK_LEGACY_TEXT_H

#include <QByteArrayView>
#include <QString>

// Tag text whose encoding the file does not state: ID3v2 frames marked Latin-1. Japanese taggers
// wrote Shift-JIS into them, everyone else Latin-1 (and some UTF-8). Every reading of the whole
// text is weighed in one place: ASCII as is; then the first of UTF-8, Latin-1 and strict CP932
// whose text reads as words of one script; failing that, valid UTF-8, clean CP932, Latin-1.
// A text valid in UTF-8 is thus not taken for UTF-8 when it reads as a jumble of scripts, as
// half-width katakana do. Never fails: every byte string has a Latin-1 reading.
QString decodeLegacyText(QByteArrayView bytes);

// The same for a fixed-size field (ID3v1), whose writer cut the text at the field's size in
// bytes, often in the middle of a two-byte character. Only when no whole reading reads as words
// is a first half left alone at the very end (an unfinished UTF-8 sequence, or a CP932 lead
// byte) dropped, so a cut Japanese title still shows in Japanese while Latin-1 text that ends in
// an accented letter ("Olé", "C'è") is kept whole.
QString decodeFixedFieldText(QByteArrayView bytes);

namespace LegacyText {
// The pieces of the decision, exposed for their own tests.
bool isAscii(QByteArrayView bytes);
// Strict: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(QByteArrayView bytes);
// The CP932 reading, or a null QString when glibc's strict CP932 converter rejects a byte.
QString decodeCp932Strict(QByteArrayView bytes);
bool hasPrivateUse(const QString &text);
// Whether decoded text reads as words: no C1 controls, private-use or replacement characters; a
// Latin-1 symbol (the signs from U+00A0 to U+00BF, × and ÷) stands beside no other non-ASCII
// character; the non-ASCII letters of a word belong to one script (kana, kanji and full-width
// forms count as one); and a word with accented Latin letters also has ASCII letters ("Björk",
// "Ça") or is one letter alone ("à", the "è" of "C'è"). Half-width katakana read as Latin-1 are
// runs of symbols and letters without ASCII; read as UTF-8 they mix scripts.
bool isPlausibleText(const QString &text);
// Whether a CP932 reading is plausible: half-width katakana do not touch full-width characters,
// as they do where UTF-8 Japanese is misread ("縺ｮ").
bool isPlausibleCp932(const QString &text);
// Whether the last byte is the first half of a CP932 character whose second half is missing,
// read from the start so that a second half equal to a lead byte is not mistaken for one.
bool endsWithLoneCp932LeadByte(QByteArrayView bytes);
// How many bytes at the end begin a UTF-8 sequence that is cut short (0 to 3).
qsizetype unfinishedUtf8Tail(QByteArrayView bytes);
} // namespace LegacyText

#endif
