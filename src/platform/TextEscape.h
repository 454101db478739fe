#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// One line of text per name, in the command line's text formats (the tsv preview, and the
// formats that read names back): every name, whatever bytes it holds, takes one field on one
// line and comes back byte for byte. A backslash is written "\\", a tab "\t", a carriage return
// "\r", a line break "\n", any other control byte (0x00-0x1F, 0x7F) "\xHH" with two upper-case
// hexadecimal digits. Texts are the host's bytes (UTF-8, or not).
namespace morvanex::platform {

enum class EscapeBytes {
    kControls,                // the control bytes and the backslash only
    kControlsAndInvalidUtf8,  // also every byte that is not part of well-formed UTF-8
};

void AppendEscaped(std::string& out, std::string_view text,
                   EscapeBytes which = EscapeBytes::kControls);
std::string Escaped(std::string_view text, EscapeBytes which = EscapeBytes::kControls);

// The reverse of either form. False on a backslash that starts none of the five escapes (or
// "\x" without two hexadecimal digits, in either case), with `badOffset` at that backslash;
// `out` is then incomplete.
bool Unescape(std::string_view text, std::string& out, std::size_t* badOffset = nullptr);

}  // namespace morvanex::platform
