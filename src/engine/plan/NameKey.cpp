#include "engine/plan/NameKey.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <vector>

namespace morvanex::engine {

namespace {

// The code point at `i` (moved past it), or a negative value for a byte that starts no
// well-formed character (moved past the ill-formed part). ICU's macro narrows its ints.
UChar32 NextCodePoint(std::string_view utf8, std::size_t& i) {
    UChar32 c = 0;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
    U8_NEXT(utf8.data(), i, utf8.size(), c);
#pragma GCC diagnostic pop
    return c;
}

// The canonical decomposition of `text` (UTF-16) into `out`; false when ICU cannot give it.
bool Decompose(const std::u16string& text, std::u16string& out) {
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfd = unorm2_getNFDInstance(&status);
    if (U_FAILURE(status)) return false;
    out.resize(text.size() * 4 + 16);
    const int32_t length = unorm2_normalize(
        nfd, reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()),
        reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        out.resize(static_cast<std::size_t>(length));
        status = U_ZERO_ERROR;
        unorm2_normalize(nfd, reinterpret_cast<const UChar*>(text.data()),
                         static_cast<int32_t>(text.size()), reinterpret_cast<UChar*>(out.data()),
                         length, &status);
    }
    if (U_FAILURE(status)) return false;
    out.resize(static_cast<std::size_t>(length));
    return true;
}

// Appends the folded form of one run of well-formed UTF-8.
void AppendFolded(std::string_view utf8, std::string& key) {
    std::u16string text;
    for (std::size_t i = 0; i < utf8.size();) {
        const UChar32 c = NextCodePoint(utf8, i);
        char16_t units[2];
        std::size_t n = 0;
        U16_APPEND_UNSAFE(units, n, c);
        text.append(units, n);
    }
    std::u16string decomposed;
    std::u16string folded;
    if (!Decompose(text, decomposed)) {
        key.append(utf8);
        return;
    }
    for (std::size_t i = 0; i < decomposed.size();) {
        UChar32 c = 0;
        U16_NEXT(decomposed.data(), i, decomposed.size(), c);
        c = u_foldCase(c, U_FOLD_CASE_DEFAULT);
        char16_t units[2];
        std::size_t n = 0;
        U16_APPEND_UNSAFE(units, n, c);
        folded.append(units, n);
    }
    // Folding may leave a sequence that decomposes further or reorders its marks.
    if (!Decompose(folded, decomposed)) decomposed = folded;
    for (std::size_t i = 0; i < decomposed.size();) {
        UChar32 c = 0;
        U16_NEXT(decomposed.data(), i, decomposed.size(), c);
        char bytes[4];
        std::size_t n = 0;
        U8_APPEND_UNSAFE(bytes, n, c);
        key.append(bytes, n);
    }
}

}  // namespace

void NameKey(std::string_view name, bool foldsCase, std::string& key) {
    key.clear();
    if (!foldsCase) {
        key.assign(name);
        return;
    }
    bool ascii = true;
    for (const char c : name) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        key.reserve(name.size());
        for (const char c : name) key += c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        return;
    }
    // Well-formed runs are folded; a byte that starts no well-formed character stays itself.
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t at = i;
        if (NextCodePoint(name, i) >= 0) continue;
        AppendFolded(name.substr(runStart, at - runStart), key);
        key.append(name.substr(at, i - at));
        runStart = i;
    }
    AppendFolded(name.substr(runStart), key);
}

bool RefusedByWindowsRules(std::string_view name) {
    if (name.empty()) return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20) return true;
        switch (c) {
            case '\\':
            case ':':
            case '*':
            case '?':
            case '"':
            case '<':
            case '>':
            case '|':
                return true;
            default:
                break;
        }
    }
    return name.back() == ' ' || name.back() == '.';
}

}  // namespace morvanex::engine
