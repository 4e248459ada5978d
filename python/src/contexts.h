// Splitter contexts for the module's calls.
#ifndef SPLTWD_PYTHON_CONTEXTS_H
#define SPLTWD_PYTHON_CONTEXTS_H

#include <utility>

#include "mirx_sql_splt_wd.h"

namespace spltwd_python {

// Owns one context.  Throws std::bad_alloc (MemoryError in Python) when
// there is no memory for it.
class Context {
public:
    Context();
    ~Context() { spltwd_context_destroy(context_); }
    Context(const Context &) = delete;
    Context &operator=(const Context &) = delete;
    Context(Context &&other) noexcept : context_(std::exchange(other.context_, nullptr)) {}

    spltwd_context *get() const { return context_; }

private:
    spltwd_context *context_;
};

// The calling thread's own context, made at its first use and kept until
// the thread ends: a split or digest may then run without the
// interpreter lock while other threads split on theirs.
spltwd_context *thread_context();

} // namespace spltwd_python

#endif
