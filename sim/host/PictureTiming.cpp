#include "PictureTiming.hpp"

#include <uikit/UIImage.hpp>
#include <uikit/UIImageView.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace sim {

namespace {

// Repeated entries stand for one frame held longer: the change comes with the next other frame image.
std::optional<double> nextChange(const UIImageView& view, UIImageView::Clock::time_point now)
{
    const auto& image = view.image();
    if (!image || image->images().size() < 2 || !(image->duration() > 0))
        return std::nullopt;
    const auto& entries = image->images();
    double entry = image->duration() / static_cast<double>(entries.size());
    double elapsed = std::max(0.0, std::chrono::duration<double>(now - view.imageSetTime()).count());
    double position = std::floor(elapsed / entry);
    if (!std::isfinite(position))
        return std::nullopt;
    auto index = static_cast<size_t>(std::fmod(position, static_cast<double>(entries.size())));
    CGImageRef shown = entries[index]->CGImage();
    for (size_t step = 1; step <= entries.size(); ++step) {
        if (entries[(index + step) % entries.size()]->CGImage() != shown)
            return (position + static_cast<double>(step)) * entry - elapsed;
    }
    return std::nullopt;
}

std::optional<double> earliestChange(const UIView& view, UIImageView::Clock::time_point now)
{
    if (view.isHidden())
        return std::nullopt;
    std::optional<double> earliest;
    if (auto* imageView = dynamic_cast<const UIImageView*>(&view))
        earliest = nextChange(*imageView, now);
    for (const auto& subview : view.subviews()) {
        auto change = earliestChange(*subview, now);
        if (change && (!earliest || *change < *earliest))
            earliest = change;
    }
    return earliest;
}

}

std::optional<double> secondsToNextPictureChange(const UIView& root)
{
    return earliestChange(root, UIImageView::Clock::now());
}

}
