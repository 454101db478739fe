#include "engine/exif/TagText.h"

#include <array>

#include "platform/Codepage.h"

namespace morvanex::engine {

namespace {

// Windows-1252 in 0x80-0x9F; 0 where it defines nothing (those bytes are control codes and go).
constexpr std::array<char16_t, 32> kWindows1252 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// True when every byte belongs to an assigned CP932 character; counts the double-byte ones.
bool AllAssigned(std::string_view bytes, int& doubleBytes, bool& lowLead) {
    doubleBytes = 0;
    lowLead = false;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t size = platform::AssignedCharSizeAt(bytes, at);
        if (size == 0) return false;
        if (size == 2) {
            ++doubleBytes;
            if (static_cast<unsigned char>(bytes[at]) <= 0x9F) lowLead = true;
        }
        at += size;
    }
    return true;
}

// The forbidden characters of a file name and their full-width forms.
struct FullWidth {
    char ascii;
    const char* utf8;
};
constexpr std::array<FullWidth, 9> kFullWidth{{{'\\', "＼"},
                                               {'/', "／"},
                                               {':', "："},
                                               {'*', "＊"},
                                               {'?', "？"},
                                               {'"', "＂"},
                                               {'<', "＜"},
                                               {'>', "＞"},
                                               {'|', "｜"}}};

const std::array<std::string, 9>& FullWidthCp932() {
    static const std::array<std::string, 9> texts = [] {
        std::array<std::string, 9> t;
        for (std::size_t i = 0; i < kFullWidth.size(); ++i)
            t[i] = platform::Sjis(kFullWidth[i].utf8);
        return t;
    }();
    return texts;
}

}  // namespace

bool LooksLikeCp932(std::string_view bytes) {
    int doubleBytes = 0;
    bool lowLead = false;
    return AllAssigned(bytes, doubleBytes, lowLead) && doubleBytes >= 2 && lowLead;
}

std::string TagTextFromBytes(std::string_view bytes, TagTextReading reading, bool fixedWidth) {
    if (fixedWidth && !bytes.empty()) {
        // A Shift-JIS text cut at the field's width may end in the first byte of a character.
        int doubleBytes = 0;
        bool lowLead = false;
        const std::string_view head = bytes.substr(0, bytes.size() - 1);
        if (platform::IsLeadByte(static_cast<unsigned char>(bytes.back())) &&
            !AllAssigned(bytes, doubleBytes, lowLead) && AllAssigned(head, doubleBytes, lowLead)) {
            bytes = head;
        }
    }
    int doubleBytes = 0;
    bool lowLead = false;
    const bool cp932 = reading == TagTextReading::Automatic ? LooksLikeCp932(bytes)
                       : reading == TagTextReading::Latin1
                           ? false
                           : AllAssigned(bytes, doubleBytes, lowLead);
    if (cp932) return std::string(bytes);
    return TagTextFromLatin1(bytes);
}

std::string TagTextFromLatin1(std::string_view bytes) {
    std::string utf8;
    utf8.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b <= 0x9F) {
            if (const char16_t cp = kWindows1252[b - 0x80]) AppendUtf8(utf8, cp);
        } else {
            AppendUtf8(utf8, b);
        }
    }
    return platform::Cp932FromUtf8(utf8);
}

std::string TagTextFromUtf8(std::string_view utf8) {
    // C1 control characters (U+0080-U+009F, C2 80 .. C2 9F) go here: in CP932 they would
    // become pairs of codes that NameSafeTagText could no longer tell from other characters.
    std::string kept;
    kept.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (static_cast<unsigned char>(utf8[i]) == 0xC2 && i + 1 < utf8.size() &&
            static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            ++i;
            continue;
        }
        kept += utf8[i];
    }
    return platform::Cp932FromUtf8(kept);
}

std::string NameSafeTagText(std::string_view cp932) {
    std::string out;
    out.reserve(cp932.size());
    for (std::size_t at = 0; at < cp932.size();) {
        const std::size_t size = platform::CharSizeAt(cp932, at);
        const char c = cp932[at];
        if (size > 1) {
            out.append(cp932, at, size);
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            // control characters have no place in a name
        } else {
            bool replaced = false;
            for (std::size_t i = 0; i < kFullWidth.size() && !replaced; ++i) {
                if (kFullWidth[i].ascii == c) {
                    out += FullWidthCp932()[i];
                    replaced = true;
                }
            }
            if (!replaced) out += c;
        }
        at += size;
    }
    const std::size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    // A trailing blank is never a trail byte: trail bytes start at 0x40.
    const std::size_t last = out.find_last_not_of(' ');
    return out.substr(first, last - first + 1);
}

}  // namespace morvanex::engine
