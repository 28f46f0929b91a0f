#include "services/imaging/Exiv2Setup.h"

#include <mutex>

// Exiv2 0.27 names std::auto_ptr in its headers.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

namespace {

// Recursive: the toolkit may take the lock again while it holds it.
std::recursive_mutex xmpToolkitLock;

void lockXmpToolkit(void* /*data*/, bool lock)
{
    if (lock)
        xmpToolkitLock.lock();
    else
        xmpToolkitLock.unlock();
}

} // namespace

namespace Exiv2Setup {

void ensure()
{
    static std::once_flag once;
    std::call_once(once, []() {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize(lockXmpToolkit, nullptr);
    });
}

} // namespace Exiv2Setup
