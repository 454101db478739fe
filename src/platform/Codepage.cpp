#include "platform/Codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace morvanex::platform {

namespace {

#include "platform/Cp932Table.inc"

constexpr std::uint32_t kNoKey = 0xFFFFFFFF;
// Keys of the user-defined area: a Unicode code point, or one byte that is not UTF-8.
constexpr std::uint32_t kRawByteKeyBase = 0x110000;

struct Tables {
    std::array<std::int16_t, 256> rowOfLead{};                // -1 for a byte that is no lead byte
    std::array<std::uint16_t, 0x10000> encode{};              // BMP code point -> code, 0 = none
    std::array<std::uint16_t, 256> singleByteDecode{};        // byte -> code point (0 = none)
};

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
        return t;
    }();
    return tables;
}

// The user-defined area of CP932 (lead bytes 0xF0-0xF9), then lead bytes CP932 leaves unused,
// handed out one code per host character that CP932 lacks, for the life of the process.
class UserDefinedArea {
public:
    static UserDefinedArea& Instance() {
        static UserDefinedArea area;
        return area;
    }

    // The code for a key, assigning the next free one; 0 when the area is full.
    std::uint16_t CodeFor(std::uint32_t key) {
        std::lock_guard lock(m_mutex);
        if (auto it = m_codeOfKey.find(key); it != m_codeOfKey.end()) return it->second;
        while (m_nextSlot < SlotCount()) {
            const std::uint16_t code = CodeOfSlot(m_nextSlot++);
            if (!m_keyOfCode.contains(code)) {
                m_codeOfKey.emplace(key, code);
                m_keyOfCode.emplace(code, key);
                return code;
            }
        }
        return 0;
    }

    // The key of a code; an unassigned code of the standard area becomes its standard private
    // use code point (0xF040 is U+E000), so text typed elsewhere converts and comes back.
    std::uint32_t KeyFor(std::uint16_t code) {
        std::lock_guard lock(m_mutex);
        if (auto it = m_keyOfCode.find(code); it != m_keyOfCode.end()) return it->second;
        const unsigned lead = code >> 8;
        const unsigned trail = code & 0xFF;
        if (lead < 0xF0 || lead > 0xF9 || TrailIndex(trail) < 0) return kNoKey;
        const std::uint32_t key = 0xE000 + (lead - 0xF0) * 188 + static_cast<unsigned>(TrailIndex(trail));
        if (m_codeOfKey.contains(key)) return kNoKey;
        m_codeOfKey.emplace(key, code);
        m_keyOfCode.emplace(code, key);
        return key;
    }

    static bool IsAreaLead(unsigned lead) {
        for (unsigned l : kLeads) {
            if (l == lead) return true;
        }
        return false;
    }

private:
    static constexpr std::array<unsigned, 15> kLeads = {0xF0, 0xF1, 0xF2, 0xF3, 0xF4,
                                                        0xF5, 0xF6, 0xF7, 0xF8, 0xF9,
                                                        0x85, 0x86, 0xEB, 0xEC, 0xEF};
    static constexpr std::size_t kTrailsPerLead = 188;

    static int TrailIndex(unsigned trail) {
        if (trail >= 0x40 && trail <= 0x7E) return static_cast<int>(trail - 0x40);
        if (trail >= 0x80 && trail <= 0xFC) return static_cast<int>(trail - 0x80 + 0x3F);
        return -1;
    }
    static std::size_t SlotCount() { return kLeads.size() * kTrailsPerLead; }
    static std::uint16_t CodeOfSlot(std::size_t slot) {
        const unsigned lead = kLeads[slot / kTrailsPerLead];
        const unsigned index = static_cast<unsigned>(slot % kTrailsPerLead);
        const unsigned trail = index < 0x3F ? 0x40 + index : 0x80 + (index - 0x3F);
        return static_cast<std::uint16_t>((lead << 8) | trail);
    }

    std::mutex m_mutex;
    std::unordered_map<std::uint32_t, std::uint16_t> m_codeOfKey;
    std::unordered_map<std::uint16_t, std::uint32_t> m_keyOfCode;
    std::size_t m_nextSlot = 0;
};

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

// Appends the CP932 code of one host character (a code point or a raw byte key).
bool AppendCodeForKey(std::string& out, std::uint32_t key) {
    if (key < 0x10000) {
        const std::uint16_t code = GetTables().encode[key];
        if (code != 0 && !(key >= 0xE000 && key <= 0xF8FF && code >= 0x100)) {
            if (code < 0x100) {
                out += static_cast<char>(code);
            } else {
                out += static_cast<char>(code >> 8);
                out += static_cast<char>(code & 0xFF);
            }
            return true;
        }
    }
    const std::uint16_t code = UserDefinedArea::Instance().CodeFor(key);
    if (code == 0) return false;
    out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
    return true;
}

// Walks CP932 text and calls emit(codePoint) for each character, or emitRaw(byte) for bytes
// that stand for no character (an undefined code, a lone lead byte at the end).
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
        const auto code = static_cast<std::uint16_t>((b << 8) | trail);
        std::uint32_t key = kNoKey;
        if (UserDefinedArea::IsAreaLead(b)) {
            key = UserDefinedArea::Instance().KeyFor(code);
        } else if (const char16_t cp = kDoubleByte[t.rowOfLead[b]][trail]; cp != 0) {
            key = cp;
        }
        if (key == kNoKey) {
            emitRaw(b);
            emitRaw(trail);
        } else if (key >= kRawByteKeyBase) {
            emitRaw(static_cast<unsigned char>(key - kRawByteKeyBase));
        } else {
            emit(key);
        }
        i += 2;
    }
}

// Length of the leading run of ASCII bytes.
std::size_t AsciiPrefix(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
    return i;
}

}  // namespace

std::size_t CharSizeAt(std::string_view text, std::size_t pos) {
    return IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

std::size_t CharCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); i += CharSizeAt(text, i)) ++count;
    return count;
}

std::size_t Find(std::string_view text, std::string_view what, std::size_t from) {
    if (what.empty()) return std::string_view::npos;
    for (std::size_t i = from; i + what.size() <= text.size(); i += CharSizeAt(text, i)) {
        if (text.compare(i, what.size(), what) == 0) return i;
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
    // Searched from the end: a byte that is not a lead byte always ends a character, so an
    // occurrence is a character of its own exactly when an even number of lead-byte values
    // stands between it and the last such byte before it.
    for (std::size_t at = text.rfind(c); at != std::string_view::npos;
         at = at == 0 ? std::string_view::npos : text.rfind(c, at - 1)) {
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
    const auto fold = [](unsigned char c) -> unsigned {
        return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
    };
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const std::size_t sa = CharSizeAt(a, i);
        const std::size_t sb = CharSizeAt(b, j);
        unsigned ca = fold(static_cast<unsigned char>(a[i]));
        unsigned cb = fold(static_cast<unsigned char>(b[j]));
        if (ca == cb && sa == 2 && sb == 2) {
            ca = static_cast<unsigned char>(a[i + 1]);
            cb = static_cast<unsigned char>(b[j + 1]);
        }
        if (ca != cb) return ca < cb ? -1 : 1;
        i += sa;
        j += sb;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

bool TryCp932FromUtf8(std::string_view utf8, std::string& out) {
    const std::size_t ascii = AsciiPrefix(utf8);
    out.assign(utf8.substr(0, ascii));
    if (ascii == utf8.size()) return true;
    out.reserve(utf8.size());
    for (std::size_t i = ascii; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        const Utf8Char c = DecodeUtf8(utf8, i);
        const std::uint32_t key = c.length != 0 ? c.cp : kRawByteKeyBase + b;
        if (!AppendCodeForKey(out, key)) return false;
        i += c.length != 0 ? c.length : 1;
    }
    return true;
}

std::string Cp932FromUtf8(std::string_view utf8) {
    // Fails only when thousands of distinct foreign characters filled the area: keeps what fit.
    std::string out;
    TryCp932FromUtf8(utf8, out);
    return out;
}

void Utf8FromCp932(std::string_view cp932, std::string& out) {
    // Most names are ASCII up to their end, or far into it: that part is the same bytes.
    const std::size_t ascii = AsciiPrefix(cp932);
    out.assign(cp932.substr(0, ascii));
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
            cp = kRawByteKeyBase + (cp - 0xDC00);
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (!AppendCodeForKey(out, cp)) {
            return false;
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
