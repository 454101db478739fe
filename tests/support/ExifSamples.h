#pragma once

#include <string>
#include <vector>

namespace morvanex::test {

// Small files, ordinary and hostile, made by the JpegBuilder and the media builders (one per
// container the wide reading knows): the Exif tests read them and the same bytes are the
// fuzzer's seed corpus.
struct ExifSample {
    std::string name;
    std::string bytes;
};

std::vector<ExifSample> ExifSeedSamples();

}  // namespace morvanex::test
