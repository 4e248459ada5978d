// Digests of many statements on several threads.
#ifndef SPLTWD_PYTHON_DIGEST_MANY_H
#define SPLTWD_PYTHON_DIGEST_MANY_H

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace spltwd_python {

// Digests statements[i] into digests[i] (which must have as many null
// elements), prepared by prepare_digest (objects.h), on `threads` threads,
// the calling one among them, each on a context of its own.  Takes no
// Python object: it runs without the interpreter lock.  Throws
// std::bad_alloc when memory ran out, having discarded what it prepared.
void digest_all(const std::vector<std::string_view> &statements, std::uint16_t dialect, unsigned threads,
                std::vector<void *> &digests);

} // namespace spltwd_python

#endif
