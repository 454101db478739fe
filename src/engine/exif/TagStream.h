#pragma once

#include <taglib/tiostream.h>

#include <cstdint>
#include <string>

#include "platform/FileSystem.h"

// The tag library's view of one open file: read-only, through the program's InputFile, in
// blocks, with every read cut to kTagLargestRead and the bytes fetched from the file capped at
// kTagReadBudget. A failed read, or a spent budget, reads as the end of the file from then on.
namespace morvanex::engine {

class TagStream final : public TagLib::IOStream {
  public:
    explicit TagStream(platform::InputFile& file);

    TagLib::FileName name() const override { return ""; }
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return true; }
    void seek(long offset, Position position) override;
    long tell() const override;
    long length() override;
    void truncate(long) override {}

    // Bytes [offset, offset + length) as far as the file and the budget give them.
    std::string_view Peek(std::uint64_t offset, std::size_t length);
    // Bytes fetched from the file so far, and whether a read failed.
    std::uint64_t BytesFetched() const { return m_fetched; }
    bool Failed() const { return m_failed; }

  private:
    struct Block {
        std::uint64_t offset = 0;
        std::string bytes;
        bool Holds(std::uint64_t at, std::size_t length) const {
            return at >= offset && at - offset + length <= bytes.size();
        }
    };

    // A block holding as much of [offset, offset + length) as can be had; nullptr for none.
    const Block* Fetch(std::uint64_t offset, std::size_t length);

    platform::InputFile& m_file;
    std::uint64_t m_size;
    std::uint64_t m_position = 0;
    // The file's first block stays: containers keep coming back to their header.
    Block m_head;
    Block m_recent;
    std::uint64_t m_fetched = 0;
    bool m_failed = false;
};

}  // namespace morvanex::engine
