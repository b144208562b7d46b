#include <uikit/UIAlertAction.hpp>

static const Class s_class = objc::registerClass<UIAlertAction>("UIAlertAction", "NSObject");

UIAlertAction::UIAlertAction(std::string title, long style, Handler handler)
    : m_title(std::move(title))
    , m_style(style)
    , m_handler(std::move(handler))
{
}

std::shared_ptr<UIAlertAction> UIAlertAction::actionWithTitle(std::string title, long style, Handler handler)
{
    return std::make_shared<UIAlertAction>(std::move(title), style, std::move(handler));
}
