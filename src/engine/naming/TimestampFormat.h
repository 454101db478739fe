#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/Codepage.h"

// The timestamp format language: a format is read in four-byte chunks from its start; a chunk
// that is one of the tokens adds its output, any other chunk adds nothing, and bytes that do not
// fill a last chunk are ignored. There is no literal text: fixed characters have tokens too.
namespace morvanex::engine {

inline constexpr std::size_t kTokenBytes = 4;

// The expansion of a format for a moment in the process time zone, cut to bufferSize - 1 bytes
// the way a fixed buffer of that size would hold it, except that a double-byte character is
// never cut in half (half a character would make an invalid name). A size of 0 gives "".
std::string ExpandTimestampFormat(platform::Timestamp time, std::string_view format,
                                  std::size_t bufferSize = platform::kTextBufferSize);

// Appends the expansion for the broken-down time to `out`, adding at most maxBytes bytes (cut on
// a character boundary). Allocates nothing beyond out's capacity.
void AppendTimestampFormat(const platform::LocalTime& local, std::string_view format,
                           std::string& out, std::size_t maxBytes = platform::kMaxTextBytes);

}  // namespace morvanex::engine
