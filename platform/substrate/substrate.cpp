#include <substrate/substrate.hpp>

#include <cstdio>

void MSHookMessageEx(Class cls, SEL selector, IMP replacement, IMP* result)
{
    if (!cls || !selector || !replacement)
        return;
    IMP previous = class_getMethodImplementation(cls, selector);
    if (!previous) {
        // Installing it anyway would leave the replacement nothing to call through.
        std::fprintf(stderr, "Substrate: -[%s %s] not found; nothing replaced\n", class_getName(cls), sel_getName(selector));
        return;
    }
    if (result)
        *result = previous;
    // On this class only: the superclass and the class's siblings keep what they had.
    class_replaceMethod(cls, selector, replacement);
}
