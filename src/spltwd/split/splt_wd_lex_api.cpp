// The splt_wd* C interface: one process-wide scanner over the SQL rules.
//
// The interface's variables are the scanner's own as callers see them: they
// are copied into the scanner before each call and back out after it (and
// around each action, which may read or set them).
#include "splt_wd_lex.h"

#include "splt_wd_debug_lines.h"
#include "splt_wd_profiles.h"
#include "splt_wd_session.h"

using spltwd::Scanner;

extern "C" {
char* splt_wdtext = nullptr;
size_t splt_wdleng = 0;
FILE* splt_wdin = nullptr;
FILE* splt_wdout = nullptr;
int splt_wdlineno = 1;
int splt_wd_flex_debug = 0;
}

namespace {

Scanner scanner{.tables = &spltwd::sql_tables};
using spltwd::scanner_touched;

void load_variables() {
    scanner.in = splt_wdin;
    scanner.out = splt_wdout;
    scanner.lineno = splt_wdlineno;
    scanner.debug = splt_wd_flex_debug;
}

void publish_variables() {
    splt_wdtext = scanner.text;
    splt_wdleng = scanner.leng;
    splt_wdin = scanner.in;
    splt_wdout = scanner.out;
    splt_wdlineno = scanner.lineno;
    splt_wd_flex_debug = scanner.debug;
}

// Holds the variables in the scanner for the length of one call.
struct Call {
    Call() {
        scanner_touched = true;
        load_variables();
    }
    ~Call() { publish_variables(); }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;
    Scanner& s = scanner;
};

int sql_action_on_variables(Scanner& s, int rule, void* session) {
    publish_variables();
    const int result = spltwd::sql_action(s, rule, session);
    load_variables();
    return result;
}

}  // namespace

namespace spltwd {
bool scanner_touched = false;

Scanner& default_scanner() {
    scanner_touched = true;
    return scanner;
}

FILE* default_scanner_output() { return splt_wdout ? splt_wdout : stdout; }

void destroy_touched_scanner() {
    splt_wdlex_destroy();
    scanner_touched = false;
}
}  // namespace spltwd

extern "C" {

int splt_wdlex(void) {
    Call call;
    // The scanner's lines go out as they come.
    spltwd::Session& s = spltwd::default_session();
    const spltwd_debug_line_receiver receiver = s.debug_lines;
    s.debug_lines = spltwd::print_line;
    const int result = spltwd::scanner_lex(call.s, sql_action_on_variables, &s);
    s.debug_lines = receiver;
    return result;
}

SPLT_WD_BUFFER_STATE splt_wd_scan_bytes(const char* bytes, size_t len) {
    Call call;
    return spltwd::scanner_scan_bytes(call.s, bytes, len);
}

SPLT_WD_BUFFER_STATE splt_wd_scan_string(const char* str) {
    Call call;
    return spltwd::scanner_scan_string(call.s, str);
}

SPLT_WD_BUFFER_STATE splt_wd_scan_buffer(char* base, size_t size) {
    Call call;
    return spltwd::scanner_scan_buffer(call.s, base, size);
}

SPLT_WD_BUFFER_STATE splt_wd_create_buffer(FILE* file, int size) {
    Call call;
    return spltwd::scanner_create_buffer(call.s, file, size);
}

void splt_wd_delete_buffer(SPLT_WD_BUFFER_STATE b) {
    Call call;
    spltwd::scanner_delete_buffer(call.s, b);
}

void splt_wd_flush_buffer(SPLT_WD_BUFFER_STATE b) {
    Call call;
    spltwd::scanner_flush_buffer(call.s, b);
}

void splt_wd_switch_to_buffer(SPLT_WD_BUFFER_STATE new_buffer) {
    Call call;
    spltwd::scanner_switch_to_buffer(call.s, new_buffer);
}

void splt_wdpush_buffer_state(SPLT_WD_BUFFER_STATE new_buffer) {
    Call call;
    spltwd::scanner_push_buffer_state(call.s, new_buffer);
}

void splt_wdpop_buffer_state(void) {
    Call call;
    spltwd::scanner_pop_buffer_state(call.s);
}

void splt_wdrestart(FILE* input_file) {
    Call call;
    spltwd::scanner_restart(call.s, input_file);
}

int splt_wdlex_destroy(void) {
    Call call;
    return spltwd::scanner_destroy(call.s);
}

int splt_wdget_lineno(void) { return splt_wdlineno; }
FILE* splt_wdget_in(void) { return splt_wdin; }
FILE* splt_wdget_out(void) { return splt_wdout; }
size_t splt_wdget_leng(void) { return splt_wdleng; }
char* splt_wdget_text(void) { return splt_wdtext; }
int splt_wdget_debug(void) { return splt_wd_flex_debug; }

void splt_wdset_lineno(int line_number) { splt_wdlineno = line_number; }
void splt_wdset_in(FILE* in_str) { splt_wdin = in_str; }
void splt_wdset_out(FILE* out_str) { splt_wdout = out_str; }
void splt_wdset_debug(int debug_flag) { splt_wd_flex_debug = debug_flag; }

}  // extern "C"
