#include "contexts.h"

#include <new>

namespace spltwd_python {

Context::Context() : context_(spltwd_context_create())
{
    if (context_ == nullptr) throw std::bad_alloc();
}

spltwd_context *thread_context()
{
    thread_local Context context;
    return context.get();
}

} // namespace spltwd_python
