#include "engine_harness.h"

#include <map>

namespace engine_test {
namespace {

struct TestAction {
    enum class Kind { kEmit, kEnter, kGiveBack, kStop } kind;
    int value;
};

namespace vocabulary {
#define SPLT_WD_CONDITION(number, name) [[maybe_unused]] constexpr int name = number;
#include "engine_tables_actions.inc"

constexpr TestAction emit() { return {TestAction::Kind::kEmit, 0}; }
constexpr TestAction enter(int condition) { return {TestAction::Kind::kEnter, condition}; }
constexpr TestAction give_back(int condition) { return {TestAction::Kind::kGiveBack, condition}; }
constexpr TestAction stop(int value) { return {TestAction::Kind::kStop, value}; }

const std::map<int, TestAction> actions = {
#define SPLT_WD_RULE(number, ...) {number, __VA_ARGS__},
#include "engine_tables_actions.inc"
};
}  // namespace vocabulary

std::string joined(const std::vector<std::string>& parts) {
    std::string all;
    for (const std::string& part : parts) all += (all.empty() ? "" : "|") + part;
    return all;
}

}  // namespace

spltwd::Scanner make_scanner() { return spltwd::Scanner{.tables = &spltwd::engine_tables}; }

int record_action(spltwd::Scanner& s, int rule, void* context) {
    auto& recorder = *static_cast<Recorder*>(context);
    if (rule == spltwd::kEndOfInput) {
        recorder.matches.push_back("end");
        return recorder.end_value;
    }
    recorder.texts_terminated = recorder.texts_terminated && s.text[s.leng] == 0;
    recorder.matches.push_back(std::to_string(rule) + ":" + std::string(s.text, s.leng));
    const TestAction action = vocabulary::actions.at(rule);
    switch (action.kind) {
    case TestAction::Kind::kEmit:
        break;
    case TestAction::Kind::kEnter:
        spltwd::scanner_begin(s, action.value);
        break;
    case TestAction::Kind::kGiveBack:
        spltwd::scanner_give_back(s);
        spltwd::scanner_begin(s, action.value);
        break;
    case TestAction::Kind::kStop:
        return action.value;
    }
    return spltwd::kContinue;
}

Scan scan_to_end(spltwd::Scanner& s, Recorder& recorder) {
    Scan scan;
    // Bounded, so that a scanner that never reaches the end fails the test.
    for (int calls = 0; calls < 100; ++calls) {
        scan.values.push_back(spltwd::scanner_lex(s, record_action, &recorder));
        if (!recorder.matches.empty() && recorder.matches.back() == "end") break;
    }
    scan.matches = joined(recorder.matches);
    return scan;
}

Scan scan_to_end(spltwd::Scanner& s) {
    Recorder recorder;
    return scan_to_end(s, recorder);
}

FILE* stream_of(const std::string& text) {
    FILE* f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    return f;
}

}  // namespace engine_test
