// Method replacement for tweaks. Faithful for messages without arguments; nothing is ever unhooked.
#pragma once

#include <objc/runtime.hpp>

// Replaces the implementation of a message on one class. The implementation in force before (the
// class's own or the one it inherits) is stored in *result first, so a replacement that runs at once
// can already call through it. A null class, selector or replacement, or a message the class does not
// implement at all, replaces nothing and leaves *result alone. result may be null.
void MSHookMessageEx(Class, SEL, IMP replacement, IMP* result);
