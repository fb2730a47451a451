#include "engine/RunHost.h"

namespace hozonix::engine {

std::atomic<bool> AbortRequested{false};

} // namespace hozonix::engine
