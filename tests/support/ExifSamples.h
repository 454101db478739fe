#pragma once

#include <string>
#include <vector>

namespace morvanex::test {

// Small JPEG heads, ordinary and hostile, made by the JpegBuilder: the Exif tests read them and
// the same bytes are the fuzzer's seed corpus.
struct ExifSample {
    std::string name;
    std::string bytes;
};

std::vector<ExifSample> ExifSeedSamples();

}  // namespace morvanex::test
