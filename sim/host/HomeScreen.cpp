#include "HomeScreen.hpp"

#include <uikit/CALayer.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UIControl.hpp>
#include <uikit/UIFont.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UIScreen.hpp>

namespace sim {

namespace {

constexpr CGFloat iconSide = 62;
constexpr CGFloat iconLeft = 24;
constexpr CGFloat iconTop = 72;
constexpr CGFloat labelHeight = 18;

}

HomeScreen::HomeScreen()
{
    m_window = UIWindow::initWithFrame(UIScreen::mainScreen()->bounds());
    m_window->setBackgroundColor(UIColor::colorWithRed(0.16, 0.22, 0.38, 1.0));
    // The icon takes a touch over its picture and its name, with a margin around them.
    auto app = std::make_shared<UIControl>(CGRectMake(iconLeft - 10, iconTop - 6, iconSide + 20, iconSide + labelHeight + 14));
    app->addAction([this] { m_isSettingsOpened = true; }, UIControlEventTouchUpInside);
    m_window->addSubview(app);
    auto icon = UIView::initWithFrame(CGRectMake(10, 6, iconSide, iconSide));
    icon->setUserInteractionEnabled(false);
    icon->setBackgroundColor(UIColor::colorWithRed(0.55, 0.56, 0.6, 1.0));
    icon->layer()->setCornerRadius(14);
    auto gear = UIView::initWithFrame(CGRectMake(iconSide / 4, iconSide / 4, iconSide / 2, iconSide / 2));
    gear->setBackgroundColor(UIColor::colorWithRed(0.3, 0.31, 0.34, 1.0));
    gear->layer()->setCornerRadius(iconSide / 4);
    icon->addSubview(gear);
    app->addSubview(icon);
    auto label = UILabel::initWithFrame(CGRectMake(0, 6 + iconSide + 4, iconSide + 20, labelHeight));
    label->setText("Settings");
    label->setTextColor(UIColor::whiteColor());
    label->setFont(UIFont::systemFontOfSize(12));
    label->setTextAlignment(NSTextAlignmentCenter);
    app->addSubview(label);
}

}
