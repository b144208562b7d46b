// An image view: shows its image scaled to fill its bounds; an animated image plays by itself,
// looping, from the moment it is set. No content modes, highlighted images or animation control.
#pragma once

#include <uikit/UIView.hpp>

class UIImage;

class UIImageView : public UIView {
public:
    // Touch handling is off by default, as on the platform.
    UIImageView();
    explicit UIImageView(CGRect frame);

    static std::shared_ptr<UIImageView> initWithFrame(CGRect);

    const std::shared_ptr<UIImage>& image() const { return m_image; }
    void setImage(std::shared_ptr<UIImage> image) { m_image = std::move(image); }

private:
    std::shared_ptr<UIImage> m_image;
};
