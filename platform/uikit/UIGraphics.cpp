#include <uikit/UIGraphics.hpp>

#include <vector>

namespace {

// One stack per thread, as the platform keeps: drawing on one thread never sees another's context.
std::vector<CGContextRef>& contextStack()
{
    thread_local std::vector<CGContextRef> stack;
    return stack;
}

}

CGContextRef UIGraphicsGetCurrentContext()
{
    auto& stack = contextStack();
    return stack.empty() ? nullptr : stack.back();
}

void UIGraphicsPushContext(CGContextRef context)
{
    if (context)
        contextStack().push_back(CGContextRetain(context));
}

void UIGraphicsPopContext()
{
    auto& stack = contextStack();
    if (stack.empty())
        return;
    CGContextRelease(stack.back());
    stack.pop_back();
}
