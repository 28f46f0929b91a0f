#pragma once

#include <functional>

// Where renders draw. Qt's raster painter splits large fills into pieces that it hands to the
// global thread pool, unless it already runs on a thread of that pool; a shadow stroke then
// costs a round of thread switches. Renders therefore draw on a pool thread: the pieces stay
// on that thread and the results are the same pixels.
namespace RenderThread {

// Runs `work` on a thread of Qt's global thread pool and waits until it is done. Runs it on the
// calling thread when that is a pool thread already or the pool has no thread free. An
// exception thrown by `work` reaches the caller.
void run(const std::function<void()>& work);

} // namespace RenderThread
