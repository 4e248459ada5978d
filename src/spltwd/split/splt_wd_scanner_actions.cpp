// The SQL rule actions on the splt_wd* scanner: the words go to the
// session's dynamic strings, the scanner moves to the scanner runtime.
#include <cstdint>

#include "splt_wd_profiles.h"
#include "splt_wd_rule_steps.h"
#include "splt_wd_session.h"
#include "splt_wd_words.h"

namespace spltwd {
namespace {

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

int sql_action(Scanner& scanner, int rule, void* context) {
    if (rule == kEndOfInput) return 1;
    Session& s = *static_cast<Session*>(context);
    ScannerHost host(scanner, s);
    return run_rule<ClassicTable>(rule, s, host);
}

}  // namespace spltwd
