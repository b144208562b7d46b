#include "SUICFlamesView.hpp"

SUICFlamesView::SUICFlamesView(CGRect frame)
    : UIView(frame)
{
}

std::shared_ptr<SUICFlamesView> SUICFlamesView::initWithFrame(CGRect frame)
{
    auto view = std::make_shared<SUICFlamesView>(frame);
    view->m_flames = UIView::initWithFrame(view->bounds());
    view->m_flames->setUserInteractionEnabled(false);
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
