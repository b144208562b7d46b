#include <uikit/UIImageView.hpp>

#include <uikit/UIImage.hpp>

static const Class s_class = objc::registerClass<UIImageView>("UIImageView", "UIView");

UIImageView::UIImageView()
    : UIImageView(CGRectZero)
{
}

UIImageView::UIImageView(CGRect frame)
    : UIView(frame)
{
    setUserInteractionEnabled(false);
}

std::shared_ptr<UIImageView> UIImageView::initWithFrame(CGRect frame)
{
    return std::make_shared<UIImageView>(frame);
}

void UIImageView::setImage(std::shared_ptr<UIImage> image)
{
    if (image == m_image)
        return;
    m_image = std::move(image);
    m_imageSetTime = Clock::now();
    m_playback = {};
}

std::shared_ptr<UIImage> UIImageView::imageToDraw(double secondsPlayed) const
{
    return m_image ? m_playback.imageToDraw(*m_image, secondsPlayed) : nullptr;
}
