// Where an image view's animation has got to, and how much decoding its next draws may do. Frames
// are decoded when first drawn, and making one can need the frames before it: a picture too costly
// to play at its own pace drops frames rather than hold up the thread that draws, and a draw never
// works through a backlog of frames to catch up with the clock. The work is counted in pixels
// composited (CGImageFrameSequence), not timed, so the same draws at the same instants show the same
// frames on any machine. The stand-in's own.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>

class UIImage;

class UIImagePlayback {
public:
    // Decoding credit comes with the time the animation plays, and one draw spends at most a full
    // credit. A full-screen phone picture (1170 x 2532 at 50 frames a second, every frame whole and
    // drawn over the last: 148 M pixels a second) stays within both, so it plays every frame as
    // the clock says; a draw may make its first 1.3 seconds at once (a screenshot a second after
    // it appears), or 12 frames of the largest canvas (4096 x 4096).
    static constexpr double pixelsPerSecond = 250e6;
    static constexpr double pixelsPerDraw = 200e6;

    // The entry to draw once the image has played that long: the entry of that instant when its
    // frame can be made within the credit; otherwise the newest entry after the one drawn last
    // whose frame can; otherwise the one drawn last again. Null when nothing can be drawn yet.
    // The image must be the same on every call.
    std::shared_ptr<UIImage> imageToDraw(const UIImage&, double secondsPlayed);

private:
    void addCredit(double secondsPlayed);

    std::optional<size_t> m_drawnEntry;
    double m_credit { pixelsPerDraw };
    double m_secondsPlayed { 0 };
};
