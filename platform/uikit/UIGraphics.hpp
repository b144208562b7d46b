// The current drawing context: a stack per thread, which a renderer pushes around each view's
// drawRect. No image contexts, no PDF contexts.
#pragma once

#include <coregraphics/CGContext.hpp>

// The context on top of this thread's stack (borrowed), or null outside drawing.
CGContextRef UIGraphicsGetCurrentContext();
// Retains the context until it is popped. Pushing null is ignored.
void UIGraphicsPushContext(CGContextRef);
// Popping an empty stack is ignored.
void UIGraphicsPopContext();
