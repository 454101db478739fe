#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// CP932 (Shift-JIS) text. Every text the core handles is a std::string of CP932 bytes: a lead
// byte (0x81-0x9F, 0xE0-0xFC) and the byte after it are one character, so is a pair of codes
// standing for a host character CP932 lacks (below); searches never start or end inside a
// character, and only the ASCII letters change case. The conversions to and from the host's
// encodings live here too; they are the only place where text changes encoding.
namespace morvanex::platform {

// Names, part texts and other fixed fields hold 259 bytes of text (a 260-byte buffer with its
// terminator).
inline constexpr std::size_t kTextBufferSize = 260;
inline constexpr std::size_t kMaxTextBytes = kTextBufferSize - 1;

constexpr bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Host characters CP932 lacks (é, hangul, emoji, private-use characters beyond the
// user-defined area) are written as a pair of double-byte codes, a pure function of the code
// point: first a code of the user-defined area (lead bytes 0xF0-0xF9, index cp / 812), then a
// code with a lead byte CP932 never assigns (0x85, 0x86, 0xEB, 0xEC, 0xEF, index cp % 812). The
// last 128 codes of those unassigned leads stand for the bytes 0x80-0xFF of a host name that are
// not UTF-8, one code each. A user-defined code not followed by such a second half is the
// user-defined character itself (0xF040 is U+E000), as Windows texts hold it.
inline constexpr unsigned char kAreaFirstLead = 0xF0;
inline constexpr unsigned char kAreaLastLead = 0xF9;
inline constexpr unsigned kTrailsPerLead = 188;
inline constexpr unsigned kSecondHalfCodes = 812;

// Position 0..187 of a trail byte in the order 0x40-0x7E, 0x80-0xFC; -1 for any other byte.
constexpr int TrailIndex(unsigned char c) {
    if (c >= 0x40 && c <= 0x7E) return c - 0x40;
    if (c >= 0x80 && c <= 0xFC) return c - 0x41;
    return -1;
}

// Index 0..939 of a code with a lead byte CP932 never assigns, or -1; 0..811 are second
// halves of pairs, 812..939 the bytes that are not UTF-8.
constexpr int UnassignedCodeIndex(unsigned char lead, unsigned char trail) {
    const int row = lead == 0x85   ? 0
                    : lead == 0x86 ? 1
                    : lead == 0xEB ? 2
                    : lead == 0xEC ? 3
                    : lead == 0xEF ? 4
                                   : -1;
    const int index = TrailIndex(trail);
    return row < 0 || index < 0 ? -1 : row * static_cast<int>(kTrailsPerLead) + index;
}

// True when a pair of codes starts at pos: a user-defined code followed by a second half.
constexpr bool IsPairAt(std::string_view text, std::size_t pos) {
    if (pos + 3 >= text.size()) return false;
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < kAreaFirstLead || lead > kAreaLastLead ||
        TrailIndex(static_cast<unsigned char>(text[pos + 1])) < 0) {
        return false;
    }
    const int second = UnassignedCodeIndex(static_cast<unsigned char>(text[pos + 2]),
                                           static_cast<unsigned char>(text[pos + 3]));
    return second >= 0 && second < static_cast<int>(kSecondHalfCodes);
}

// Bytes taken by the character starting at pos: 4 for a pair, 2 for a lead byte with a byte
// after it, else 1.
constexpr std::size_t CharSizeAt(std::string_view text, std::size_t pos) {
    const auto c = static_cast<unsigned char>(text[pos]);
    if (!IsLeadByte(c) || pos + 1 >= text.size()) return 1;
    return c >= kAreaFirstLead && IsPairAt(text, pos) ? 4 : 2;
}

// Bytes taken by the character of Microsoft's code page 932 that starts at pos: 1 for ASCII
// and the half-width katakana, 2 for an assigned double-byte code; 0 where the bytes form no
// assigned character (a user-defined code, an unassigned code, a lead byte without its trail,
// 0x80, 0xA0, 0xFD-0xFF). Legacy tag texts are judged by it.
std::size_t AssignedCharSizeAt(std::string_view text, std::size_t pos);

// Number of characters; a double-byte character and a pair count once.
std::size_t CharCount(std::string_view text);

// Byte offset of the first occurrence of `what` that starts and ends on character boundaries,
// at or after `from` (which must itself be a boundary), or npos; so a user-defined character
// never matches the first half of a pair. An empty `what` is never found.
std::size_t Find(std::string_view text, std::string_view what, std::size_t from = 0);

// Every occurrence of `before`, left to right and not overlapping, replaced by `after`.
// An empty `before` leaves the text unchanged.
std::string ReplaceAll(std::string_view text, std::string_view before, std::string_view after);

// Length of the longest prefix of at most maxBytes bytes that does not split a character.
std::size_t FitLength(std::string_view text, std::size_t maxBytes);
std::string CutToFit(std::string_view text, std::size_t maxBytes);

// Byte offset of the last character equal to the single-byte character c, or npos; a trail
// byte that happens to equal c is not a match.
std::size_t FindLastChar(std::string_view text, char c);
// True when the text's last character is the single-byte character c.
bool EndsWithChar(std::string_view text, char c);

// ASCII letters only, never a trail byte; the range is in bytes and must start on a boundary.
void ToUpperAscii(std::string& text, std::size_t from = 0, std::size_t to = std::string::npos);
void ToLowerAscii(std::string& text, std::size_t from = 0, std::size_t to = std::string::npos);

// Case-insensitive comparison (ASCII letters folded to lower case), character by character,
// bytes compared unsigned: <0, 0, >0.
int CompareNoCase(std::string_view a, std::string_view b);
bool EqualNoCase(std::string_view a, std::string_view b);

// Bytes of the well-formed UTF-8 sequence at text[pos] (1 to 4; overlong forms, surrogates and
// code points past U+10FFFF are not well-formed), or 0 where none starts there.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos);

// Text a person wrote into a file (a job file, a mapping file), in either encoding: UTF-8 when
// it starts with a UTF-8 byte-order mark (which `text` leaves out) or is well-formed UTF-8 with
// at least one byte beyond ASCII (CP932 text with Japanese in it practically never is: its lead
// bytes would need a run of 0x80-0xBF bytes after them); otherwise CP932.
struct WrittenText {
    std::string_view text;
    bool utf8 = false;
};
WrittenText DetectWrittenText(std::string_view bytes);

// Conversions. Host text that CP932 cannot represent is written as described above, so every
// host name has exactly one CP932 form, the same in every process, and comes back from it byte
// for byte. The Try forms always succeed; they remain for callers written when they could not.
bool TryCp932FromUtf8(std::string_view utf8, std::string& out);
std::string Cp932FromUtf8(std::string_view utf8);
// The same into `out`, whose storage is reused.
void Cp932FromUtf8(std::string_view utf8, std::string& out);
std::string Utf8FromCp932(std::string_view cp932);
// The same into `out`, whose storage is reused (for conversions made once per file of a run).
void Utf8FromCp932(std::string_view cp932, std::string& out);
// UTF-16 for the toolkit; bytes that are not UTF-8 travel as lone surrogates U+DC80..U+DCFF.
bool TryCp932FromUtf16(std::u16string_view utf16, std::string& out);
std::string Cp932FromUtf16(std::u16string_view utf16);
std::u16string Utf16FromCp932(std::string_view cp932);

// A Japanese literal of the source (UTF-8) as the CP932 text the core works with.
inline std::string Sjis(std::string_view utf8Literal) {
    return Cp932FromUtf8(utf8Literal);
}

}  // namespace morvanex::platform
