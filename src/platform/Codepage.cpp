#include "platform/Codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace morvanex::platform {

namespace {

#include "platform/Cp932Table.inc"

constexpr std::uint32_t kAreaFirstCodePoint = 0xE000;
constexpr std::uint32_t kAreaCodes = (kAreaLastLead - kAreaFirstLead + 1u) * kTrailsPerLead;
// Codes of the unassigned lead bytes from this index on stand for the bytes 0x80-0xFF.
constexpr unsigned kStrayByteCodeBase = kSecondHalfCodes;
constexpr std::array<unsigned char, 5> kUnassignedLeads = {0x85, 0x86, 0xEB, 0xEC, 0xEF};

static_assert(std::uint64_t{kAreaCodes} * kSecondHalfCodes >= 0x110000,
              "every code point has a pair");
static_assert(kStrayByteCodeBase + 128 == kUnassignedLeads.size() * kTrailsPerLead,
              "one code for each byte 0x80-0xFF");

struct Tables {
    std::array<std::int16_t, 256> rowOfLead{};          // -1 for a byte that is no lead byte
    std::array<std::uint16_t, 0x10000> encode{};        // BMP code point -> code, 0 = none
    std::array<std::uint16_t, 256> singleByteDecode{};  // byte -> code point (0 = none)
};

unsigned char TrailOfIndex(unsigned index) {
    return static_cast<unsigned char>(index < 0x3F ? 0x40 + index : 0x41 + index);
}

const Tables& GetTables() {
    static const Tables tables = [] {
        Tables t;
        t.rowOfLead.fill(-1);
        for (std::size_t row = 0; row < sizeof(kLeadBytes); ++row) {
            t.rowOfLead[kLeadBytes[row]] = static_cast<std::int16_t>(row);
        }
        for (unsigned b = 0; b < 0x80; ++b) {
            t.singleByteDecode[b] = static_cast<std::uint16_t>(b);
            t.encode[b] = static_cast<std::uint16_t>(b);
        }
        for (const auto& s : kSingleByte) {
            t.singleByteDecode[s.byte] = s.cp;
            if (t.encode[s.cp] == 0) t.encode[s.cp] = s.byte;
        }
        for (std::size_t row = 0; row < sizeof(kLeadBytes); ++row) {
            for (unsigned trail = 0; trail < 256; ++trail) {
                const char16_t cp = kDoubleByte[row][trail];
                if (cp != 0 && t.encode[cp] == 0) {
                    t.encode[cp] = static_cast<std::uint16_t>((kLeadBytes[row] << 8) | trail);
                }
            }
        }
        for (const auto* p = kPreferred; p->cp != 0; ++p) t.encode[p->cp] = p->code;
        // The user-defined area is the standard private-use range U+E000..U+E757, as Windows
        // converts it.
        for (unsigned index = 0; index < kAreaCodes; ++index) {
            const unsigned lead = kAreaFirstLead + index / kTrailsPerLead;
            t.encode[kAreaFirstCodePoint + index] =
                static_cast<std::uint16_t>((lead << 8) | TrailOfIndex(index % kTrailsPerLead));
        }
        return t;
    }();
    return tables;
}

void AppendUnassignedCode(std::string& out, unsigned index) {
    out += static_cast<char>(kUnassignedLeads[index / kTrailsPerLead]);
    out += static_cast<char>(TrailOfIndex(index % kTrailsPerLead));
}

// A host character CP932 lacks, as its pair of codes.
void AppendPair(std::string& out, std::uint32_t cp) {
    const std::uint32_t first = cp / kSecondHalfCodes;
    out += static_cast<char>(kAreaFirstLead + first / kTrailsPerLead);
    out += static_cast<char>(TrailOfIndex(first % kTrailsPerLead));
    AppendUnassignedCode(out, cp % kSecondHalfCodes);
}

// A byte of host text that is not UTF-8.
void AppendStrayByte(std::string& out, unsigned char byte) {
    AppendUnassignedCode(out, kStrayByteCodeBase + (byte - 0x80u));
}

void AppendCodePoint(std::string& out, std::uint32_t cp) {
    if (cp < 0x10000) {
        if (const std::uint16_t code = GetTables().encode[cp]; code != 0) {
            if (code >= 0x100) out += static_cast<char>(code >> 8);
            out += static_cast<char>(code & 0xFF);
            return;
        }
    }
    AppendPair(out, cp);
}

// True for exactly the code points the encoder writes as a pair, so that text of other origin
// that happens to look like one is read code by code and no two host texts meet.
bool IsWrittenAsPair(std::uint32_t cp) {
    if (cp < 0x80 || cp > 0x10FFFF) return false;
    if (cp >= 0xDC80 && cp <= 0xDCFF) return false;  // the toolkit's form of bytes not UTF-8
    return cp >= 0x10000 || GetTables().encode[cp] == 0;
}

// One strictly decoded UTF-8 sequence at text[pos]: its code point and length, or length 0.
struct Utf8Char {
    std::uint32_t cp = 0;
    std::size_t length = 0;
};

Utf8Char DecodeUtf8(std::string_view text, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b0 = byte(pos);
    std::size_t length = 0;
    std::uint32_t cp = 0;
    std::uint32_t minimum = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2, cp = b0 & 0x1F, minimum = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3, cp = b0 & 0x0F, minimum = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4, cp = b0 & 0x07, minimum = 0x10000;
    } else {
        return {};
    }
    if (pos + length > text.size()) return {};
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80) return {};
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
    return {cp, length};
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, std::uint32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

// Walks CP932 text and calls emit(codePoint) for each character, or emitRaw(byte) for bytes
// that stand for no character (an undefined code, a lone lead byte at the end) and for the
// codes of host bytes that are not UTF-8.
template <typename Emit, typename EmitRaw>
void DecodeCp932(std::string_view text, Emit emit, EmitRaw emitRaw) {
    const Tables& t = GetTables();
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            emit(b);
            ++i;
            continue;
        }
        if (!IsLeadByte(b)) {
            if (t.singleByteDecode[b] != 0) {
                emit(t.singleByteDecode[b]);
            } else {
                emitRaw(b);
            }
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) {
            emitRaw(b);
            ++i;
            continue;
        }
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        if (b >= kAreaFirstLead && b <= kAreaLastLead && TrailIndex(trail) >= 0) {
            const std::uint32_t first =
                (b - kAreaFirstLead) * kTrailsPerLead + static_cast<unsigned>(TrailIndex(trail));
            if (IsPairAt(text, i)) {
                const auto second = static_cast<std::uint32_t>(
                    UnassignedCodeIndex(static_cast<unsigned char>(text[i + 2]),
                                        static_cast<unsigned char>(text[i + 3])));
                const std::uint32_t cp = first * kSecondHalfCodes + second;
                if (IsWrittenAsPair(cp)) {
                    emit(cp);
                    i += 4;
                    continue;
                }
            }
            emit(kAreaFirstCodePoint + first);
            i += 2;
            continue;
        }
        if (const int index = UnassignedCodeIndex(b, trail);
            index >= static_cast<int>(kStrayByteCodeBase)) {
            emitRaw(
                static_cast<unsigned char>(0x80 + (index - static_cast<int>(kStrayByteCodeBase))));
        } else if (const char16_t cp = kDoubleByte[t.rowOfLead[b]][trail]; cp != 0) {
            emit(cp);
        } else {
            emitRaw(b);
            emitRaw(trail);
        }
        i += 2;
    }
}

// Length of the leading run of ASCII bytes.
std::size_t AsciiPrefix(std::string_view text) {
    // Eight bytes a step while none has its high bit set: paths are mostly ASCII.
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    std::size_t i = 0;
    for (std::uint64_t word; i + 8 <= text.size(); i += 8) {
        std::memcpy(&word, text.data() + i, sizeof word);
        if ((word & kHighBits) != 0) break;
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
    return i;
}

}  // namespace

std::size_t AssignedCharSizeAt(std::string_view text, std::size_t pos) {
    const auto c = static_cast<unsigned char>(text[pos]);
    if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) return 1;
    const int row = GetTables().rowOfLead[c];
    if (row < 0 || pos + 1 >= text.size()) return 0;
    return kDoubleByte[row][static_cast<unsigned char>(text[pos + 1])] != 0 ? 2 : 0;
}

std::size_t CharCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); i += CharSizeAt(text, i)) ++count;
    return count;
}

std::size_t Find(std::string_view text, std::string_view what, std::size_t from) {
    if (what.empty()) return std::string_view::npos;
    for (std::size_t i = from; i + what.size() <= text.size(); i += CharSizeAt(text, i)) {
        if (text.compare(i, what.size(), what) != 0) continue;
        std::size_t end = i;
        while (end < i + what.size()) end += CharSizeAt(text, end);
        if (end == i + what.size()) return i;
    }
    return std::string_view::npos;
}

std::string ReplaceAll(std::string_view text, std::string_view before, std::string_view after) {
    if (before.empty()) return std::string(text);
    std::string result;
    result.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t hit = Find(text, before); hit != std::string_view::npos;
         hit = Find(text, before, start)) {
        result.append(text.substr(start, hit - start));
        result.append(after);
        start = hit + before.size();
    }
    result.append(text.substr(start));
    return result;
}

std::size_t FitLength(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text.size();
    std::size_t end = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t next = i + CharSizeAt(text, i);
        if (next > maxBytes) break;
        end = i = next;
    }
    return end;
}

std::string CutToFit(std::string_view text, std::size_t maxBytes) {
    return std::string(text.substr(0, FitLength(text, maxBytes)));
}

std::size_t FindLastChar(std::string_view text, char c) {
    // Searched from the end. After a byte that is not a lead-byte value a character begins at
    // once, or two bytes later inside a pair, and every character of lead-byte values has an
    // even size; so an occurrence is a character of its own exactly when an even number of
    // lead-byte values stands between it and the last other byte before it.
    // memrchr: the last occurrence a word at a time, where rfind walks back byte by byte.
    const auto lastBefore = [&](std::size_t end) {
        const void* hit = end == 0 ? nullptr : ::memrchr(text.data(), c, end);
        return hit == nullptr
                   ? std::string_view::npos
                   : static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
    };
    for (std::size_t at = lastBefore(text.size()); at != std::string_view::npos;
         at = lastBefore(at)) {
        std::size_t leads = 0;
        while (leads < at && IsLeadByte(static_cast<unsigned char>(text[at - leads - 1]))) ++leads;
        const bool startsPair = IsLeadByte(static_cast<unsigned char>(c)) && at + 1 < text.size();
        if (leads % 2 == 0 && !startsPair) return at;
    }
    return std::string_view::npos;
}

bool EndsWithChar(std::string_view text, char c) {
    if (text.empty() || text.back() != c) return false;
    std::size_t last = 0;
    for (std::size_t i = 0; i < text.size(); i += CharSizeAt(text, i)) last = i;
    return last == text.size() - 1;
}

void ToUpperAscii(std::string& text, std::size_t from, std::size_t to) {
    to = std::min(to, text.size());
    for (std::size_t i = from; i < to; i += CharSizeAt(text, i)) {
        if (text[i] >= 'a' && text[i] <= 'z') text[i] = static_cast<char>(text[i] - 'a' + 'A');
    }
}

void ToLowerAscii(std::string& text, std::size_t from, std::size_t to) {
    to = std::min(to, text.size());
    for (std::size_t i = from; i < to; i += CharSizeAt(text, i)) {
        if (text[i] >= 'A' && text[i] <= 'Z') text[i] = static_cast<char>(text[i] - 'A' + 'a');
    }
}

int CompareNoCase(std::string_view a, std::string_view b) {
    // The bytes in order, a letter folded only where it is a character of its own: the order
    // of the texts' folded bytes, which a sort may also take from a prefix of them.
    const auto fold = [](unsigned char c) -> unsigned {
        return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
    };
    const std::size_t common = std::min(a.size(), b.size());
    std::size_t nextA = 0;
    std::size_t nextB = 0;
    for (std::size_t k = 0; k < common; ++k) {
        unsigned ca = static_cast<unsigned char>(a[k]);
        unsigned cb = static_cast<unsigned char>(b[k]);
        if (k == nextA) {
            nextA += CharSizeAt(a, k);
            ca = fold(static_cast<unsigned char>(ca));
        }
        if (k == nextB) {
            nextB += CharSizeAt(b, k);
            cb = fold(static_cast<unsigned char>(cb));
        }
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return 0;
}

std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) return 0;
    if (static_cast<unsigned char>(text[pos]) < 0x80) return 1;
    return DecodeUtf8(text, pos).length;
}

WrittenText DetectWrittenText(std::string_view bytes) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (bytes.starts_with(kByteOrderMark)) return {bytes.substr(kByteOrderMark.size()), true};
    bool beyondAscii = false;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = Utf8SequenceLength(bytes, i);
        if (length == 0) return {bytes, false};
        beyondAscii = beyondAscii || length > 1;
        i += length;
    }
    return {bytes, beyondAscii};
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && (a == b || CompareNoCase(a, b) == 0);
}

void Cp932FromUtf8(std::string_view utf8, std::string& out) {
    const std::size_t ascii = AsciiPrefix(utf8);
    out.clear();
    out.append(utf8.data(), ascii);
    if (ascii == utf8.size()) return;
    out.reserve(utf8.size() + utf8.size() / 2);
    for (std::size_t i = ascii; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
        } else if (const Utf8Char c = DecodeUtf8(utf8, i); c.length != 0) {
            AppendCodePoint(out, c.cp);
            i += c.length;
        } else {
            AppendStrayByte(out, b);
            ++i;
        }
    }
}

bool TryCp932FromUtf8(std::string_view utf8, std::string& out) {
    Cp932FromUtf8(utf8, out);
    return true;
}

std::string Cp932FromUtf8(std::string_view utf8) {
    std::string out;
    Cp932FromUtf8(utf8, out);
    return out;
}

void Utf8FromCp932(std::string_view cp932, std::string& out) {
    // Most names are ASCII up to their end, or far into it: that part is the same bytes.
    const std::size_t ascii = AsciiPrefix(cp932);
    out.clear();
    out.append(cp932.data(), ascii);
    if (ascii == cp932.size()) return;
    out.reserve(cp932.size() + cp932.size() / 2);
    DecodeCp932(
        cp932.substr(ascii), [&](std::uint32_t cp) { AppendUtf8(out, cp); },
        [&](unsigned char raw) { out += static_cast<char>(raw); });
}

std::string Utf8FromCp932(std::string_view cp932) {
    std::string out;
    Utf8FromCp932(cp932, out);
    return out;
}

bool TryCp932FromUtf16(std::u16string_view utf16, std::string& out) {
    out.clear();
    out.reserve(utf16.size() * 2);
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        std::uint32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xDC80 && cp <= 0xDCFF) {
            AppendStrayByte(out, static_cast<unsigned char>(cp - 0xDC00));
            continue;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else {
            AppendCodePoint(out, cp);
        }
    }
    return true;
}

std::string Cp932FromUtf16(std::u16string_view utf16) {
    std::string out;
    TryCp932FromUtf16(utf16, out);
    return out;
}

std::u16string Utf16FromCp932(std::string_view cp932) {
    std::u16string out;
    out.reserve(cp932.size());
    DecodeCp932(
        cp932, [&](std::uint32_t cp) { AppendUtf16(out, cp); },
        [&](unsigned char raw) {
            out += raw < 0x80 ? static_cast<char16_t>(raw) : static_cast<char16_t>(0xDC00 + raw);
        });
    return out;
}

}  // namespace morvanex::platform
