// Writes N small tagged files (MP3, FLAC, M4A, Ogg Vorbis in turn, made with the tests' tag
// builder) into a folder, for bench/tags.sh: music_fixtures DIR N
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "support/TagBuilder.h"

int main(int argc, char** argv) {
    using namespace morvanex::test;
    if (argc != 3) {
        std::cerr << "usage: music_fixtures DIR N\n";
        return 2;
    }
    const std::string dir = argv[1];
    const int n = std::atoi(argv[2]);
    const TagContainer kinds[] = {TagContainer::Mp3Id3v24, TagContainer::Flac, TagContainer::M4a,
                                  TagContainer::OggVorbis};
    const char* extensions[] = {".mp3", ".flac", ".m4a", ".ogg"};
    for (int i = 0; i < n; ++i) {
        TagValues values;
        values.artist = "Artist " + std::to_string(i % 97);
        values.title = "Title " + std::to_string(i);
        values.track = std::to_string(i % 20 + 1);
        const std::string bytes = TaggedFile(kinds[i % 4], values, 180);
        const std::string name = dir + "/m" + std::to_string(100000 + i) + extensions[i % 4];
        std::ofstream out(name, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::cerr << "cannot write " << name << "\n";
            return 1;
        }
    }
    return 0;
}
