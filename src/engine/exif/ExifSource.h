#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

// The bytes of one file as the metadata readers see them: the file's head, read once, and at
// most a few targeted reads of what the head's structures point to further on. Whatever a file
// claims, no more than the head and kExifTargetedReads reads of bounded size are ever made, and
// nothing past the end of the file is asked for twice.
namespace morvanex::engine {

// How many positioned reads one file may cost beyond its head.
inline constexpr std::size_t kExifTargetedReads = 8;
// A positioned read takes at least this much, so that the small structures that usually
// follow one another (box headers, a directory and its values) come in one read.
inline constexpr std::size_t kExifTargetedReadBytes = 64 * 1024;
// The most one request may ask for: larger requests are cut to it.
inline constexpr std::size_t kExifLargestRequest = 256 * 1024;

class ExifSource {
  public:
    // Bytes already in memory, taken as the whole file.
    explicit ExifSource(std::string_view wholeFile);
    // A file, read through the file system when Load is called. The path is not copied.
    ExifSource(platform::FileSystem& fileSystem, std::string_view path);

    ExifSource(const ExifSource&) = delete;
    ExifSource& operator=(const ExifSource&) = delete;

    // Reads the first `headBytes` bytes of the file: 0, or the file system's error.
    int Load(std::size_t headBytes);

    std::string_view Head() const { return m_head; }
    // The file's size where it is known (the head held the whole file).
    std::optional<std::uint64_t> KnownSize() const;

    // Bytes [offset, offset + length) of the file (length cut to kExifLargestRequest): fewer
    // where the file ends sooner; none when the offset lies past the end, or the bytes are not
    // at hand and the reads are spent or fail.
    std::string_view At(std::uint64_t offset, std::size_t length);

    // Positioned reads made so far.
    std::size_t TargetedReads() const { return m_used; }

  private:
    struct Chunk {
        std::uint64_t offset = 0;
        std::size_t requested = 0;  // more than bytes.size(): the file ends after bytes
        std::string bytes;
    };

    platform::FileSystem* m_fileSystem = nullptr;
    std::string_view m_path;
    std::string m_headBytes;
    std::string_view m_head;
    bool m_headIsWholeFile = true;
    std::array<Chunk, kExifTargetedReads> m_chunks;
    std::size_t m_used = 0;
    bool m_failed = false;
};

}  // namespace morvanex::engine
