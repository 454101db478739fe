#include "platform/TextEscape.h"

#include "platform/Codepage.h"

namespace morvanex::platform {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void AppendHexEscape(std::string& out, unsigned char byte) {
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
}

}  // namespace

void AppendEscaped(std::string& out, std::string_view text, EscapeBytes which) {
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) {
            const std::size_t length = Utf8SequenceLength(text, i);
            if (length == 0 && which == EscapeBytes::kControlsAndInvalidUtf8) {
                AppendHexEscape(out, byte);
                ++i;
            } else {
                const std::size_t taken = length == 0 ? 1 : length;
                out.append(text, i, taken);
                i += taken;
            }
            continue;
        }
        switch (byte) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    AppendHexEscape(out, byte);
                } else {
                    out += static_cast<char>(byte);
                }
        }
        ++i;
    }
}

std::string Escaped(std::string_view text, EscapeBytes which) {
    std::string out;
    out.reserve(text.size());
    AppendEscaped(out, text, which);
    return out;
}

bool Unescape(std::string_view text, std::string& out, std::size_t* badOffset) {
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        int high = -1;
        int low = -1;
        switch (next) {
            case '\\':
                out += '\\';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'n':
                out += '\n';
                break;
            case 'x':
                if (i + 3 < text.size()) {
                    high = HexValue(text[i + 2]);
                    low = HexValue(text[i + 3]);
                }
                if (high >= 0 && low >= 0) {
                    out += static_cast<char>(high * 16 + low);
                    i += 2;
                    break;
                }
                [[fallthrough]];
            default:
                if (badOffset != nullptr) *badOffset = i;
                return false;
        }
        ++i;
    }
    return true;
}

}  // namespace morvanex::platform
