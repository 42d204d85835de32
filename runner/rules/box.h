// The one rectangle type of the runner's portable code.
#pragma once

namespace runner {

// Edges in pixels as in a Windows RECT: right and bottom lie just outside.
struct Box {
    int left;
    int top;
    int right;
    int bottom;
};

}  // namespace runner
