// The frames an image view's draws show when making frames costs decoding work: pictures within the
// budgets play every frame as the clock says, costlier ones drop frames without a draw ever working
// past its credit.
#include <uikit/UIImage.hpp>
#include <uikit/UIImagePlayback.hpp>

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

// Frames of one size, each drawn over the one before, unless it is a start.
class FakeSequence final : public CGImageFrameSequence {
public:
    FakeSequence(uint64_t pixelsPerFrame, bool isEveryFrameAStart)
        : m_pixels(pixelsPerFrame)
        , m_isEveryFrameAStart(isEveryFrameAStart)
    {
    }

    uint64_t pixelsToMake(std::optional<size_t> from, size_t to) const override
    {
        if (from == to)
            return 0;
        size_t first = m_isEveryFrameAStart ? to : (from && *from < to ? *from + 1 : 0);
        return (to + 1 - first) * m_pixels;
    }

private:
    uint64_t m_pixels;
    bool m_isEveryFrameAStart;
};

struct Picture {
    std::shared_ptr<FakeSequence> sequence;
    std::shared_ptr<UIImage> image;
};

// frameCount frames of side x side pixels, 50 a second.
Picture makePicture(size_t width, size_t height, size_t frameCount, bool isEveryFrameAStart)
{
    auto sequence = std::make_shared<FakeSequence>(uint64_t { width } * height, isEveryFrameAStart);
    UIImage::Images frames;
    for (size_t index = 0; index < frameCount; ++index) {
        CGImageRef frame = CGImageCreateLazyFrame(width, height, [] { return nullptr; }, sequence, index);
        frames.push_back(UIImage::imageWithCGImage(frame));
        CGImageRelease(frame);
    }
    return { sequence, UIImage::animatedImageWithImages(frames, static_cast<double>(frameCount) * 0.02) };
}

size_t frameOf(const std::shared_ptr<UIImage>& entry)
{
    return entry->CGImage()->frameIndex();
}

}

// Catches a budget that holds back a full-screen phone picture (every frame whole, drawn over the
// last): steady play, a pause, and a fresh view's first draw a second in all show the clock's frame.
TEST(UIImagePlayback, PhonePictureShowsTheClocksFrameAtEveryDraw)
{
    auto picture = makePicture(1170, 2532, 600, false);
    UIImagePlayback playback;
    std::vector<double> instants;
    for (int draw = 0; draw < 90; ++draw)
        instants.push_back(draw / 30.0);
    for (int draw = 0; draw < 120; ++draw)
        instants.push_back(4.0 + draw / 60.0);
    for (double t : instants)
        ASSERT_EQ(playback.imageToDraw(*picture.image, t), picture.image->imageAtTime(t)) << t;
    UIImagePlayback screenshot;
    EXPECT_EQ(screenshot.imageToDraw(*picture.image, 1.0), picture.image->imageAtTime(1.0));
}

// Catches a draw that works through every frame up to the clock's (what stalled the host for half
// a minute): a first draw ten seconds in makes only the frames one draw's credit covers, the newest
// it can reach; then steady draws never spend more than the time gives, and the picture moves on.
TEST(UIImagePlayback, CostlyPictureDropsFramesWithinTheCredit)
{
    auto picture = makePicture(4096, 4096, 1000, false);
    const double framePixels = 4096.0 * 4096;
    UIImagePlayback playback;
    auto first = playback.imageToDraw(*picture.image, 10.0);
    ASSERT_NE(first, nullptr);
    size_t reachable = static_cast<size_t>(UIImagePlayback::pixelsPerDraw / framePixels) - 1;
    EXPECT_EQ(frameOf(first), reachable);

    std::optional<size_t> drawn = frameOf(first);
    double spent = 0;
    for (int draw = 1; draw <= 90; ++draw) {
        double t = 10.0 + draw / 30.0;
        auto shown = playback.imageToDraw(*picture.image, t);
        ASSERT_NE(shown, nullptr);
        double cost = static_cast<double>(picture.sequence->pixelsToMake(drawn, frameOf(shown)));
        EXPECT_LE(cost, UIImagePlayback::pixelsPerDraw) << t;
        spent += cost;
        drawn = frameOf(shown);
    }
    EXPECT_LE(spent, 3 * UIImagePlayback::pixelsPerSecond + UIImagePlayback::pixelsPerDraw);
    EXPECT_GE(spent, 3 * UIImagePlayback::pixelsPerSecond - framePixels) << "the credit of each second is used";
}

// Catches dropping frames by walking through them when the picture could jump: frames that don't
// need the ones before them keep up with the clock at the rate the credit allows.
TEST(UIImagePlayback, CostlyPictureOfWholeFramesKeepsUpWithTheClock)
{
    auto picture = makePicture(4096, 4096, 1000, true);
    UIImagePlayback playback;
    for (int draw = 0; draw < 50; ++draw) {
        double t = draw / 10.0;
        ASSERT_EQ(playback.imageToDraw(*picture.image, t), picture.image->imageAtTime(t)) << t;
    }
}

// Catches a time that is no number leaving the credit unable to fill again: later draws still
// reach the clock's frame.
TEST(UIImagePlayback, HostileTimesDoNotStopThePlayback)
{
    auto picture = makePicture(4096, 4096, 1000, true);
    UIImagePlayback playback;
    for (double t : { std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), -1.0 })
        EXPECT_NE(playback.imageToDraw(*picture.image, t), nullptr) << t;
    for (int draw = 0; draw < 50; ++draw) {
        double t = draw / 10.0;
        ASSERT_EQ(playback.imageToDraw(*picture.image, t), picture.image->imageAtTime(t)) << t;
    }
}
