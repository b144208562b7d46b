#include "SUICFlamesView.hpp"
#include "FlamesWaveformView.hpp"

SUICFlamesView::SUICFlamesView(CGRect frame)
    : UIView(frame)
{
}

std::shared_ptr<SUICFlamesView> SUICFlamesView::initWithFrame(CGRect frame)
{
    auto view = std::make_shared<SUICFlamesView>(frame);
    view->m_flames = FlamesWaveformView::initWithFrame(view->bounds());
    view->addSubview(view->m_flames);
    return view;
}

Class SUICFlamesView::registerClass()
{
    return objc::registerClass<SUICFlamesView>("SUICFlamesView", "UIView",
        { { "didMoveToSuperview", objc::method<&SUICFlamesView::didMoveToSuperview>() } });
}

void SUICFlamesView::didMoveToSuperview()
{
    m_isRunning = superview() != nullptr;
}
