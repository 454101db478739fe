// The tag reader through TagLib on arbitrary files, in each text reading, with the tag tokens
// expanded from what it found. TagLib itself is not instrumented: what this finds is a crash, a
// hang (-timeout) or a memory blow-up (-rss_limit_mb), ours or the library's on our stream.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/exif/ExifAccessor.h"
#include "engine/exif/MediaTags.h"
#include "platform/Codepage.h"
#include "support/MemoryFileSystem.h"

namespace {

using namespace morvanex;

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

// A tag text is made for names: no control character and no character a name may not hold.
void CheckNameSafe(const std::string& text) {
    for (std::size_t at = 0; at < text.size(); at += platform::CharSizeAt(text, at)) {
        if (platform::CharSizeAt(text, at) != 1) continue;
        const auto c = static_cast<unsigned char>(text[at]);
        Check(c >= 0x20 && c != 0x7F);
        for (const char forbidden : std::string_view("\\/:*?\"<>|")) Check(text[at] != forbidden);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    test::MemoryFileSystem fileSystem;
    fileSystem.AddFile("/f.mp3", std::string(reinterpret_cast<const char*>(data), size));
    for (const auto reading :
         {engine::TagTextReading::Automatic, engine::TagTextReading::AlwaysCp932}) {
        engine::MediaTags tags;
        if (engine::ReadMediaTags(fileSystem, "/f.mp3", tags, reading) != 1) continue;
        for (const std::string* text :
             {&tags.artist, &tags.albumArtist, &tags.album, &tags.title, &tags.genre}) {
            CheckNameSafe(*text);
        }
        engine::ExifAccessor accessor(std::nullopt, tags);
        std::string out;
        engine::AppendExifPart("%ET2%EAR%EAA%EST0104%EAL%ETI%EGN%EYR%ED0%ELN", accessor, out);
    }
    return 0;
}
