#pragma once
// BackgroundRunner: where a long step of the host wrapper runs (a slide export
// takes seconds). The user interface hands one in that runs the step on a thread
// of its own and keeps its event loop turning meanwhile; without one the step
// runs on the caller's thread.
#include <functional>

namespace quillmark {

class BackgroundRunner {
public:
    virtual ~BackgroundRunner() = default;
    // Runs `work` and returns once it has ended; an exception it throws leaves
    // Run on the caller's thread. `work` must not touch the user interface.
    virtual void Run(const std::function<void()>& work) = 0;
};

// Runs `work` through `pRunner`, or right here when it is null.
inline void RunStep(BackgroundRunner* pRunner, const std::function<void()>& work)
{
    if (pRunner) pRunner->Run(work);
    else work();
}

} // namespace quillmark
