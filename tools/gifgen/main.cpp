// zova-gifgen OUTDIR: renders the pictures shipped in the settings bundle into OUTDIR.
// zova-gifgen --photo FILE: writes a user's own GIF, for the simulated photo library.
// zova-gifgen --seeds DIR: writes the GIF decoder's fuzzing seeds.
// zova-gifgen --optimised FILE: writes the optimised benchmark picture.
#include <tools/gifgen/GifBuilder.hpp>
#include <tools/gifgen/GifGenerator.hpp>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

int writePhoto(const char* path)
{
    auto bytes = gifgen::photoLibrarySample();
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (bytes.empty() || !file.good()) {
        std::fprintf(stderr, "zova-gifgen: can't write %s\n", path);
        return 1;
    }
    return 0;
}

bool writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (bytes.empty() || !file.good()) {
        std::fprintf(stderr, "zova-gifgen: can't write %s\n", path.c_str());
        return false;
    }
    return true;
}

int writeSeeds(const std::filesystem::path& directory)
{
    for (const auto& [name, bytes] : gifgen::decoderSeeds()) {
        if (!writeFile(directory / name, bytes))
            return 1;
    }
    return 0;
}

}

constexpr const char* usage = "usage: zova-gifgen OUTDIR | --photo FILE | --seeds DIR | --optimised FILE\n"
                              "  OUTDIR            the five pictures shipped in the settings bundle\n"
                              "  --photo FILE      a GIF of a user's own, for the simulated photo library\n"
                              "  --seeds DIR       the GIF decoder's fuzzing seeds\n"
                              "  --optimised FILE  the optimised benchmark picture\n";

int main(int argc, char** argv)
{
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::fputs(usage, stdout);
        return 0;
    }
    // Any other option here is a mistake, never a folder to write into.
    if (argc == 2 && argv[1][0] == '-') {
        std::fputs(usage, stderr);
        return 2;
    }
    if (argc == 3 && std::string(argv[1]) == "--photo")
        return writePhoto(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--seeds")
        return writeSeeds(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--optimised")
        return writeFile(argv[2], gifgen::optimisedBenchmarkGif()) ? 0 : 1;
    if (argc != 2) {
        std::fputs(usage, stderr);
        return 2;
    }
    try {
        std::string error;
        if (!gifgen::writeShippedPictures(argv[1], error)) {
            std::fprintf(stderr, "zova-gifgen: %s\n", error.c_str());
            return 1;
        }
    } catch (const std::exception& exception) {
        std::fprintf(stderr, "zova-gifgen: %s\n", exception.what());
        return 1;
    }
    return 0;
}
