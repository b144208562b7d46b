// An image view: shows its image scaled to fill its bounds; an animated image plays by itself,
// looping, from the moment it is set. No content modes, highlighted images or animation control.
#pragma once

#include <foundation/MediaClock.hpp>

#include <uikit/UIImagePlayback.hpp>
#include <uikit/UIView.hpp>

#include <chrono>

class UIImage;

class UIImageView : public UIView {
public:
    // Touch handling is off by default, as on the platform.
    UIImageView();
    explicit UIImageView(CGRect frame);

    static std::shared_ptr<UIImageView> initWithFrame(CGRect);

    using Clock = MediaClock;

    const std::shared_ptr<UIImage>& image() const { return m_image; }
    // A different image starts playing from its first entry now; setting the same one again
    // doesn't restart it.
    void setImage(std::shared_ptr<UIImage>);
    // When the image shown now was set: an animation has played for the time since then.
    Clock::time_point imageSetTime() const { return m_imageSetTime; }
    // The entry a draw shows once the image has played that long, within the decoding work a draw
    // may do (see UIImagePlayback); drawing moves the playback on. Null when there is none.
    std::shared_ptr<UIImage> imageToDraw(double secondsPlayed) const;

private:
    std::shared_ptr<UIImage> m_image;
    Clock::time_point m_imageSetTime { Clock::now() };
    // What the screen has shown is the display's state, not the view's: drawing a const view moves it.
    mutable UIImagePlayback m_playback;
};
