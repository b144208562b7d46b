// zova-gifgen OUTDIR: renders the pictures shipped in the settings bundle into OUTDIR.
#include <tools/gifgen/GifGenerator.hpp>

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zova-gifgen OUTDIR\n");
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
