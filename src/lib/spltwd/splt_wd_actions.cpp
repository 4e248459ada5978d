// The SQL rule actions on the splt_wd* scanner: the words go to the
// session's dynamic strings, the scanner moves to the scanner runtime.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "splt_wd_rule_steps.h"
#include "splt_wd_session.h"
#include "splt_wd_words.h"

namespace spltwd {
namespace {

constexpr std::string_view kDebugPrefix[] = {"", "66-splt_wdtext:", "splt_wdtext:", "612-splt_wdtext:"};

class ScannerHost {
public:
    ScannerHost(Scanner& scanner, Session& session) : scanner_(scanner), s_(session) {}

    const char* text() const { return scanner_.text; }
    std::uint32_t length() const { return static_cast<std::uint32_t>(scanner_.leng); }
    std::uint16_t dialect_bits() const { return spltwd::dialect_bits(s_.dialect); }
    void begin(int condition) { scanner_begin(scanner_, condition); }
    void give_back() { scanner_give_back(scanner_); }
    void record(const char* word, std::uint32_t length, WordPair pair) {
        record_word(s_, word, length, pair.type, pair.mask);
    }
    void append(const char* bytes, std::uint32_t length) { append_pending(s_, bytes, length); }
    void record_pending(WordPair pair) { spltwd::record_pending(s_, pair.type, pair.mask); }
    bool failed() const { return s_.out_of_memory; }

private:
    Scanner& scanner_;
    Session& s_;
};

}  // namespace

// One write per line keeps it whole when splits run on several threads
// (stdio locks the stream for each call).  The match is printed up to its
// first zero byte, as a "%s" conversion of the zero-terminated match would
// show it.  A long match goes in pieces under the stream's lock.
void print_debug(DebugFormat format, const char* text, std::uint32_t length) {
    const std::string_view prefix = kDebugPrefix[format];
    const std::size_t shown = strnlen(text, length);
    char line[256];
    if (prefix.size() + shown + 1 <= sizeof line) {
        std::memcpy(line, prefix.data(), prefix.size());
        std::memcpy(line + prefix.size(), text, shown);
        line[prefix.size() + shown] = '\n';
        std::fwrite(line, 1, prefix.size() + shown + 1, stdout);
        return;
    }
    flockfile(stdout);
    std::fwrite(prefix.data(), 1, prefix.size(), stdout);
    std::fwrite(text, 1, shown, stdout);
    std::fputc('\n', stdout);
    funlockfile(stdout);
}

int sql_action(Scanner& scanner, int rule, void* context) {
    if (rule == kEndOfInput) return 1;
    Session& s = *static_cast<Session*>(context);
    ScannerHost host(scanner, s);
    return run_rule(rule, s, host);
}

}  // namespace spltwd
