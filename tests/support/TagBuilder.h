#pragma once

#include <string>
#include <string_view>

// Small audio files with tags, for the tag reader's tests, the fuzzer's seeds and the
// benchmark. The containers are made here with no audio in them, only what TagLib and the
// reader walk (a few silent MPEG frames with a frame count, a FLAC stream header, Ogg pages,
// an MP4 sound track, RIFF and AIFF chunks); the tags are then written by TagLib itself.
namespace morvanex::test {

enum class TagContainer {
    Mp3Id3v24,  // ID3v2.4, UTF-8 frames
    Mp3Id3v23,  // ID3v2.3, UTF-16 frames
    Mp3Id3v22,  // ID3v2.2 (TagLib writes no 2.2: made here), UTF-16 frames
    Flac,
    OggVorbis,
    OggOpus,
    M4a,
    Wav,   // ID3 chunk, UTF-8 frames
    Aiff,  // ID3 chunk, UTF-16 frames
};

// The values to write, UTF-8; an empty field is not written. Track and disc as the formats
// keep them ("3/12").
struct TagValues {
    std::string artist;
    std::string albumArtist;
    std::string album;
    std::string title;
    std::string genre;
    std::string track;
    std::string disc;
    std::string date;
};

// A file of the container, lasting about `seconds`, with the values as tags.
std::string TaggedFile(TagContainer container, const TagValues& values, int seconds = 183);
// The container with no tags at all.
std::string UntaggedFile(TagContainer container, int seconds = 183);

// An MP3 whose ID3v2 (version 3 or 4) frames TPE1 and TIT2 are marked Latin-1 and hold the
// bytes as given.
std::string Mp3WithLatin1Frames(std::string_view artistBytes, std::string_view titleBytes,
                                int version = 3);
// An MP3 with only an ID3v1 tag whose artist and title are the bytes as given (cut to 30).
std::string Mp3WithId3v1(std::string_view artistBytes, std::string_view titleBytes, int track = 0);

}  // namespace morvanex::test
