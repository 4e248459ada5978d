// The SQL rule actions on the splt_wd* scanner: the words go to the
// session's dynamic strings, the scanner moves to the scanner runtime.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

// The receiver gets each line whole: one write per line keeps it whole
// on a shared stream when splits run on several threads.
void print_debug(Session& s, DebugFormat format, const char* text, std::uint32_t length) {
    if (s.debug_lines == nullptr) return;
    const std::string_view prefix = kDebugPrefix[format];
    const std::size_t shown = strnlen(text, length);
    const std::size_t size = prefix.size() + shown + 1;
    char short_line[256];
    char* line = size <= sizeof short_line ? short_line : static_cast<char*>(std::malloc(size));
    if (line == nullptr) {
        s.out_of_memory = true;
        return;
    }
    std::memcpy(line, prefix.data(), prefix.size());
    std::memcpy(line + prefix.size(), text, shown);
    line[size - 1] = '\n';
    s.debug_lines(s.debug_lines_user, line, size);
    if (line != short_line) std::free(line);
}

int sql_action(Scanner& scanner, int rule, void* context) {
    if (rule == kEndOfInput) return 1;
    Session& s = *static_cast<Session*>(context);
    ScannerHost host(scanner, s);
    return run_rule(rule, s, host);
}

}  // namespace spltwd
