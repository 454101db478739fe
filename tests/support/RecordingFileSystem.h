#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/MemoryFileSystem.h"

namespace morvanex::test {

// The in-memory file system that remembers every read: a test can prove how much was read.
class RecordingFileSystem : public MemoryFileSystem {
  public:
    // The byte counts asked of ReadFirstBytes, in order.
    std::vector<std::size_t> readRequests;

    int ReadFirstBytes(std::string_view path, std::size_t count, std::string& bytes) override {
        readRequests.push_back(count);
        return MemoryFileSystem::ReadFirstBytes(path, count, bytes);
    }

    // The offsets and byte counts asked of ReadBytesAt, in order.
    std::vector<std::pair<std::uint64_t, std::size_t>> readsAt;

    int ReadBytesAt(std::string_view path, std::uint64_t offset, std::size_t count,
                    std::string& bytes) override {
        readsAt.emplace_back(offset, count);
        return MemoryFileSystem::ReadBytesAt(path, offset, count, bytes);
    }
};

}  // namespace morvanex::test
