// Runs test code that ends the process in a child process.
#ifndef CHILD_PROCESS_H
#define CHILD_PROCESS_H

#include <functional>
#include <string>

namespace engine_test {

struct ChildOutcome {
    int exit_status;     // -1 when a signal ended the child
    std::string stderr_text;
};

// Runs `body` in a forked child, which exits with 0 if `body` returns.
ChildOutcome run_in_child(const std::function<void()>& body);

}  // namespace engine_test

#endif  // CHILD_PROCESS_H
