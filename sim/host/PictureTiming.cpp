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

bool isWhole(double value)
{
    return std::abs(value - std::round(value)) < 1e-6;
}

// `offset` takes the view's own coordinates to the picture's, in points.
void collectAhead(const UIView& view, CGPoint offset, double seconds, double scale, UIImageView::Clock::time_point now,
    std::vector<UpcomingPicture>& pictures)
{
    if (view.isHidden())
        return;
    auto* imageView = dynamic_cast<const UIImageView*>(&view);
    const auto& image = imageView ? imageView->image() : nullptr;
    CGRect bounds = view.bounds();
    double left = (bounds.origin.x + offset.x) * scale, top = (bounds.origin.y + offset.y) * scale;
    double width = bounds.size.width * scale, height = bounds.size.height * scale;
    if (image && image->images().size() > 1 && isWhole(left) && isWhole(top) && isWhole(width) && isWhole(height) && width >= 1 && height >= 1) {
        double played = std::chrono::duration<double>(now - imageView->imageSetTime()).count() + seconds;
        if (auto shown = image->imageAtTime(played); shown && shown->CGImage())
            pictures.push_back({ shown->CGImage(), static_cast<size_t>(std::lround(width)), static_cast<size_t>(std::lround(height)) });
    }
    for (const auto& subview : view.subviews()) {
        CGPoint frame = subview->frame().origin, inside = subview->bounds().origin;
        collectAhead(*subview, { offset.x + frame.x - inside.x, offset.y + frame.y - inside.y }, seconds, scale, now, pictures);
    }
}

}

std::optional<double> secondsToNextPictureChange(const UIView& root)
{
    return earliestChange(root, UIImageView::Clock::now());
}

std::vector<UpcomingPicture> picturesAhead(const UIView& root, double seconds, double scale)
{
    std::vector<UpcomingPicture> pictures;
    CGPoint origin = root.bounds().origin;
    collectAhead(root, { -origin.x, -origin.y }, seconds, scale, UIImageView::Clock::now(), pictures);
    return pictures;
}

}
