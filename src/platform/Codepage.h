#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// CP932 (Shift-JIS) text. Every text the core handles is a std::string of CP932 bytes: a lead
// byte (0x81-0x9F, 0xE0-0xFC) and the byte after it are one character, searches never start on
// a trail byte, and only the ASCII letters change case. The conversions to and from the host's
// encodings live here too; they are the only place where text changes encoding.
namespace morvanex::platform {

// Names, part texts and other fixed fields hold 259 bytes of text (a 260-byte buffer with its
// terminator in the program's original terms).
inline constexpr std::size_t kTextBufferSize = 260;
inline constexpr std::size_t kMaxTextBytes = kTextBufferSize - 1;

constexpr bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Bytes taken by the character starting at pos: 2 for a lead byte with a byte after it, else 1.
std::size_t CharSizeAt(std::string_view text, std::size_t pos);

// Number of characters; a double-byte character counts once.
std::size_t CharCount(std::string_view text);

// Byte offset of the first occurrence of `what` starting on a character boundary at or after
// `from` (which must itself be a boundary), or npos. An empty `what` is never found.
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

// Conversions. Host text that CP932 cannot represent (é, emoji, bytes that are not UTF-8) is
// given a code of the user-defined area for the life of the process, in both directions, so a
// host name always comes back byte for byte. The Try forms fail only when that area is full.
bool TryCp932FromUtf8(std::string_view utf8, std::string& out);
std::string Cp932FromUtf8(std::string_view utf8);
std::string Utf8FromCp932(std::string_view cp932);
// The same into `out`, whose storage is reused (for conversions made once per file of a run).
void Utf8FromCp932(std::string_view cp932, std::string& out);
// UTF-16 for the toolkit; bytes that are not UTF-8 travel as lone surrogates U+DC80..U+DCFF.
bool TryCp932FromUtf16(std::u16string_view utf16, std::string& out);
std::string Cp932FromUtf16(std::u16string_view utf16);
std::u16string Utf16FromCp932(std::string_view cp932);

// A Japanese literal of the source (UTF-8) as the CP932 text the core works with.
inline std::string Sjis(std::string_view utf8Literal) { return Cp932FromUtf8(utf8Literal); }

}  // namespace morvanex::platform
