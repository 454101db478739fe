#pragma once

#include <string>
#include <string_view>

// The texts of music and media tags on their way into names. A tag field that carries raw bytes
// (ID3v1, an ID3v2 frame marked Latin-1) holds, in a great many files tagged in Japan, Shift-JIS
// text; the rest is Latin-1 (with Windows' punctuation in 0x80-0x9F). The texts come out as the
// program's CP932, with the characters a name may not hold made harmless.
namespace morvanex::engine {

// How a field of raw bytes is read (the record's ExifTagCp932).
enum class TagTextReading {
    Automatic = 0,    // CP932 when the bytes look like it (LooksLikeCp932), else Latin-1
    AlwaysCp932 = 1,  // CP932 whenever the bytes are CP932 characters at all, else Latin-1
    Latin1 = 2,       // never CP932
};

// True when every byte belongs to an assigned CP932 character (no user-defined or unassigned
// code, no lone lead byte), at least two of them double-byte, and at least one of those with a
// lead byte 0x81-0x9F (control codes in Latin-1; kana and the first level of kanji in CP932).
// An accented Latin-1 letter before an ASCII letter often forms a valid kanji with a lead byte
// 0xE0-0xFC ("Fr\xE9d\xE9ric"), which the last condition keeps Latin-1.
bool LooksLikeCp932(std::string_view bytes);

// A raw-byte field as CP932 text. `fixedWidth` says that the field may have been cut at a fixed
// width (ID3v1's 30 bytes): a lead byte left alone at its end is dropped before the judgment.
std::string TagTextFromBytes(std::string_view bytes, TagTextReading reading,
                             bool fixedWidth = false);

// Latin-1 bytes (0x80-0x9F as Windows-1252 punctuation where it defines them) as CP932; what
// CP932 lacks (é, ö) goes through the program's fixed mapping.
std::string TagTextFromLatin1(std::string_view bytes);

// A Unicode field (UTF-8) as CP932.
std::string TagTextFromUtf8(std::string_view utf8);

// What a name part may take of a CP932 tag text: the characters a file name may not hold
// (\ / : * ? " < > |) become their full-width forms (all in CP932), control characters are
// dropped, and blanks at either end are cut.
std::string NameSafeTagText(std::string_view cp932);

// Joins the values of a field that holds several (two artists): "; " between them.
inline constexpr std::string_view kTagValueSeparator = "; ";

}  // namespace morvanex::engine
