// zova-sim gif: what the overlay will make of a picture, for users choosing a GIF and for checks of
// the decoder against other tools.
#include "Command.hpp"

#include <Json.hpp>
#include <PngWriter.hpp>
#include <foundation/NSData.hpp>
#include <imageio/CGImageSource.hpp>
#include <imageio/CGImageSourceTesting.hpp>
#include <tweak/gif/GIFFrameTiming.hpp>
#include <tweak/gif/UIImage+animatedGIF.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace sim {

namespace {

struct Timing {
    std::vector<int32_t> delays;
    int64_t total { 0 };
    int32_t divisor { 0 };
    int64_t listLength { 0 };
};

// The frames the overlay keeps (those the source gives an image for) and their timing.
Timing frameTiming(CGImageSourceRef source, size_t count)
{
    Timing timing;
    for (size_t i = 0; i < count; ++i) {
        CGImageRef image = CGImageSourceCreateImageAtIndex(source, i, nullptr);
        int32_t delay = animatedGIF::frameDelay(source, i);
        if (!image)
            continue;
        CGImageRelease(image);
        timing.delays.push_back(delay);
        timing.total += delay;
    }
    timing.divisor = animatedGIF::commonDivisor(timing.delays);
    timing.listLength = timing.divisor == 0 ? 0 : timing.total / timing.divisor;
    return timing;
}

bool writeFrames(CGImageSourceRef source, size_t count, const std::filesystem::path& directory, std::string& error)
{
    std::error_code code;
    std::filesystem::create_directories(directory, code);
    for (size_t i = 0; i < count; ++i) {
        CGImageRef image = CGImageSourceCreateImageAtIndex(source, i, nullptr);
        auto pixels = CGImageGetPixels(image);
        CGImageRelease(image);
        char name[32];
        std::snprintf(name, sizeof name, "frame-%04zu.png", i);
        if (!pixels) {
            error = std::string("frame ") + std::to_string(i) + " can't be decoded";
            return false;
        }
        if (!writePNG(*pixels, directory / name, error))
            return false;
    }
    return true;
}

// What decoding every frame found: frames whose data failed or was cut short, and whether any
// frame has a pixel to show at all.
struct Check {
    std::vector<long> failed;
    std::vector<long> cutShort;
    bool hasPixel { false };
};

Check checkFrames(CGImageSourceRef source, size_t count)
{
    Check check;
    for (size_t i = 0; i < count; ++i) {
        auto decoding = CGImageSourceCheckFrame(source, i);
        if (decoding == CGImageSourceFrameDecoding::Failed)
            check.failed.push_back(static_cast<long>(i));
        else if (decoding == CGImageSourceFrameDecoding::CutShort)
            check.cutShort.push_back(static_cast<long>(i));
        if (check.hasPixel)
            continue;
        CGImageRef image = CGImageSourceCreateImageAtIndex(source, i, nullptr);
        auto pixels = CGImageGetPixels(image);
        CGImageRelease(image);
        for (size_t alpha = 3; pixels && alpha < pixels->bytes.size() && !check.hasPixel; alpha += 4)
            check.hasPixel = pixels->bytes[alpha] != 0;
    }
    return check;
}

Json describe(const std::filesystem::path& file, size_t fileSize, CGImageSourceRef source, size_t count, bool isChecked)
{
    auto timing = frameTiming(source, count);
    CGImageRef first = CGImageSourceCreateImageAtIndex(source, 0, nullptr);
    size_t width = CGImageGetWidth(first), height = CGImageGetHeight(first);
    CGImageRelease(first);

    bool refused = timing.total > INT32_MAX || timing.listLength > animatedGIF::maximumFrameListLength;
    std::optional<Check> check;
    if (isChecked)
        check = checkFrames(source, count);
    Json json;
    json["file"] = file.string();
    json["fileSize"] = fileSize;
    json["canvas"] = { width, height };
    json["bytesPerCanvas"] = width * height * 4;
    json["frames"] = count;
    json["delays"] = timing.delays;
    json["divisor"] = timing.divisor;
    json["frameListLength"] = timing.listLength;
    json["duration"] = jsonNumber(static_cast<double>(timing.total) / 100.0);
    if (check) {
        json["failedFrames"] = check->failed;
        json["cutShortFrames"] = check->cutShort;
    }
    json["shown"] = !refused && (!check || check->hasPixel);
    return json;
}

int runGif(const Options&, std::span<const std::string> arguments)
{
    if (arguments.empty())
        return fail("usage: zova-sim gif FILE [--frames DIR] [--check] [--pretty]", 2);
    std::optional<std::filesystem::path> framesDirectory;
    bool isChecked = false;
    auto style = JsonStyle::Compact;
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--check" && !isChecked)
            isChecked = true;
        else if (arguments[i] == "--pretty" && style == JsonStyle::Compact)
            style = JsonStyle::Pretty;
        // A folder named like an option ("--frames -h") is a slip, not a wish: write ./-h for that.
        else if (arguments[i] == "--frames" && !framesDirectory && i + 1 < arguments.size() && !arguments[i + 1].starts_with("-"))
            framesDirectory = arguments[++i];
        else
            return fail("usage: zova-sim gif FILE [--frames DIR] [--check] [--pretty]", 2);
    }
    std::filesystem::path file = arguments[0];
    errno = 0;
    auto bytes = FileIO::readFile(file, ImageIOLimits::maxFileBytes);
    if (!bytes)
        return fail("gif: can't read " + file.string() + ": " + std::strerror(errno ? errno : EIO));
    auto data = std::make_shared<NSData>(std::move(*bytes));
    CGImageSourceRef source = CGImageSourceCreateWithData(data.get(), nullptr);
    if (!source)
        return fail("gif: " + file.string() + " is not a picture the overlay can show");
    size_t count = CGImageSourceGetCount(source);
    std::printf("%s\n", dumpJson(describe(file, data->length(), source, count, isChecked), style).c_str());
    std::string error;
    bool ok = !framesDirectory || writeFrames(source, count, *framesDirectory, error);
    CFRelease(source);
    return ok ? 0 : fail("gif: " + error);
}

const bool s_registered = registerCommand({
    "gif",
    "gif FILE [--frames DIR] [--check] [--pretty]",
    "Prints, as JSON, what the overlay makes of a picture: canvas, frames, each frame's delay in\n"
    "    hundredths, their divisor, the frame list's length, the duration, the file's size and the bytes\n"
    "    of one decoded canvas. --frames DIR writes every composited frame as a PNG. --check decodes\n"
    "    every frame and lists those whose data failed or was cut short; \"shown\" is then true only\n"
    "    when some frame has a pixel to show. --pretty indents the JSON over several lines for reading;\n"
    "    without it, it is one line.",
    false,
    &runGif,
});

}

}
