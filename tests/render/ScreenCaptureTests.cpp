// Screenshots and recordings as files, read back with the platform's own image sources.
#include "RenderTestSupport.hpp"

#include <ScreenCapture.hpp>

#include <imageio/CGImageProperties.hpp>
#include <imageio/CGImageSource.hpp>
#include <uikit/UIImageView.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

using namespace rendertest;

namespace {

struct TemporaryFolder {
    std::filesystem::path path = std::filesystem::temp_directory_path() / ("zova-capture-" + std::to_string(::getpid()));
    TemporaryFolder() { std::filesystem::create_directories(path); }
    ~TemporaryFolder() { std::filesystem::remove_all(path); }
};

struct ImageFile {
    CGImageSourceRef source { nullptr };
    explicit ImageFile(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        auto data = NSData::dataWithBytes(bytes);
        source = CGImageSourceCreateWithData(data.get(), nullptr);
    }
    ~ImageFile()
    {
        if (source)
            CFRelease(source);
    }
    std::shared_ptr<const RGBAPixels> frame(size_t index) const
    {
        CGImageRef image = CGImageSourceCreateImageAtIndex(source, index, nullptr);
        auto pixels = CGImageGetPixels(image);
        CGImageRelease(image);
        return pixels;
    }
    double delay(size_t index) const
    {
        CFDictionaryRef properties = CGImageSourceCopyPropertiesAtIndex(source, index, nullptr);
        auto gif = static_cast<CFDictionaryRef>(CFDictionaryGetValue(properties, kCGImagePropertyGIFDictionary));
        double seconds = doubleValue(CFDictionaryGetValue(gif, kCGImagePropertyGIFUnclampedDelayTime));
        CFRelease(properties);
        return seconds;
    }
};

const Pixel orange { 240, 140, 20, 255 };

std::shared_ptr<UIView> screenWithPicture(std::shared_ptr<UIImage> image)
{
    auto window = backdropWindow();
    auto imageView = UIImageView::initWithFrame(CGRectMake(95, 322, 200, 200));
    imageView->setImage(std::move(image));
    window->addSubview(imageView);
    return window;
}

}

// A screenshot is written at one pixel per point, transparent, or in a form nobody can read back.
TEST(Screenshot, WritesThePngAtTheScreensFullResolution)
{
    TemporaryFolder folder;
    std::string error;
    auto window = screenWithPicture(solidImage(4, 4, orange));
    ASSERT_TRUE(sim::writeScreenshot(*window, folder.path / "screen.png", error)) << error;
    ImageFile file(folder.path / "screen.png");
    ASSERT_TRUE(file.source);
    auto pixels = file.frame(0);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels->width, 1170u);
    EXPECT_EQ(pixels->height, 2532u);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 585, 1266), orange)) << pixelAt(*pixels, 585, 1266);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 10, 10), backdrop)) << pixelAt(*pixels, 10, 10);
}

// A path that can't be written reports success, or throws into the host.
TEST(Screenshot, UnwritablePathGivesAnError)
{
    std::string error;
    EXPECT_FALSE(sim::writeScreenshot(*backdropWindow(), "/nonexistent-folder/screen.png", error));
    EXPECT_FALSE(error.empty());
}

// Frames are lost, their delays don't follow the rate, or their colours stray in quantisation.
TEST(ScreenRecording, WritesOneFramePerAddWithDelaysFromTheRate)
{
    TemporaryFolder folder;
    auto window = screenWithPicture(animatedImage({ orange, Pixel { 30, 90, 220, 255 } }, 2));
    auto imageView = window->subviews().front();
    sim::ScreenRecorder recorder(folder.path / "screen.gif", 4);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(recorder.addFrame(*window));
    std::string error;
    ASSERT_TRUE(recorder.finish(error)) << error;
    ImageFile file(folder.path / "screen.gif");
    ASSERT_EQ(CGImageSourceGetCount(file.source), 3u);
    // 4 frames a second: 25 hundredths each.
    for (size_t i = 0; i < 3; ++i)
        EXPECT_NEAR(file.delay(i), 0.25, 1e-9) << i;
    auto first = file.frame(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->width, 390u);
    EXPECT_EQ(first->height, 844u);
    EXPECT_TRUE(isNear(pixelAt(*first, 195, 422), orange, 8)) << pixelAt(*first, 195, 422);
    EXPECT_TRUE(isNear(pixelAt(*first, 5, 5), backdrop, 8)) << pixelAt(*first, 5, 5);
}

// Rates that don't divide a second drift (each frame rounded alone), or absurd rates are taken as is.
TEST(ScreenRecording, DelaysAddUpWithoutDriftAndRatesAreBounded)
{
    AnimatedGifWriter thirds("/dev/null", 3);
    EXPECT_EQ(thirds.delayOfFrame(0) + thirds.delayOfFrame(1) + thirds.delayOfFrame(2), 100);
    EXPECT_EQ(AnimatedGifWriter("/dev/null", 1e9).framesPerSecond(), AnimatedGifWriter::maximumFramesPerSecond);
    EXPECT_EQ(AnimatedGifWriter("/dev/null", -5).framesPerSecond(), AnimatedGifWriter::minimumFramesPerSecond);
    EXPECT_EQ(AnimatedGifWriter("/dev/null", std::nan("")).framesPerSecond(), AnimatedGifWriter::defaultFramesPerSecond);
}

// An empty recording, a frame of another size or one after finishing passes silently.
TEST(ScreenRecording, RefusesEmptyRecordingsMixedSizesAndLateFrames)
{
    TemporaryFolder folder;
    std::string error;
    EXPECT_FALSE(sim::ScreenRecorder(folder.path / "empty.gif").finish(error));
    EXPECT_FALSE(error.empty());

    sim::ScreenRecorder recorder(folder.path / "mixed.gif");
    EXPECT_TRUE(recorder.addFrame(*backdropWindow()));
    EXPECT_FALSE(recorder.addFrame(*backdropWindow(CGRectMake(0, 0, 200, 200))));
    error.clear();
    EXPECT_FALSE(recorder.finish(error));
    EXPECT_NE(error.find("size"), std::string::npos) << error;
    EXPECT_FALSE(recorder.addFrame(*backdropWindow()));
}
