#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/exif/TagText.h"
#include "platform/FileSystem.h"

// The music and media tags of a file, read through TagLib: MP3 (ID3v2.2/2.3/2.4, APE, ID3v1),
// FLAC, Ogg Vorbis/Opus/FLAC/Speex, MP4/M4A, WAV and AIFF (their ID3 chunk), Monkey's Audio,
// WavPack, Musepack and WMA. Which container a file is comes from its first bytes, never from
// its name. Every read goes through the program's FileSystem: one open file, reads cut to
// kTagLargestRead and kTagReadBudget in all, so a file that claims a tag of 256 MB, or atoms
// nested without end, costs bounded time and memory and simply has fewer tags.
namespace morvanex::engine {

// The most one read of the tag library may take, and all of its reads of one file together.
// A real tag with a large cover picture stays well within them.
inline constexpr std::size_t kTagLargestRead = 16 * 1024 * 1024;
inline constexpr std::uint64_t kTagReadBudget = 32 * 1024 * 1024;
// Small reads are served from blocks of this size, so that the library's many reads of a few
// bytes cost one system call per block.
inline constexpr std::size_t kTagReadBlock = 64 * 1024;

// The tags of one file, texts as CP932 ready for a name (NameSafeTagText), numbers 0 when
// absent. A field with several values holds them joined by kTagValueSeparator.
struct MediaTags {
    std::string artist;
    std::string albumArtist;  // the album artist as tagged (no stand-in for a missing one)
    std::string album;
    std::string title;
    std::string genre;
    int track = 0;
    int trackTotal = 0;
    int disc = 0;
    int discTotal = 0;
    int year = 0;
    std::int64_t durationMs = -1;  // -1: unknown

    bool HasAny() const;
    friend bool operator==(const MediaTags&, const MediaTags&) = default;
};

// Reads the tags and the duration of a file: 1 when the file is a container the reader knows
// and gave a tag or a duration, 0 otherwise (missing, unreadable, a folder, a photo, no tags).
int ReadMediaTags(platform::FileSystem& fileSystem, std::string_view path, MediaTags& tags,
                  TagTextReading reading = TagTextReading::Automatic);

}  // namespace morvanex::engine
