#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/time.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "child_process.h"
#include "engine_harness.h"

using namespace engine_test;
using spltwd::Scanner;

namespace {

// Feeds `text` through a pipe from a thread, in chunks that do not line up
// with the scanner's reads.
class PipeFeed {
public:
    explicit PipeFeed(std::string text) : text_(std::move(text)) {
        int ends[2];
        if (pipe(ends) != 0) std::abort();
        read_end_ = fdopen(ends[0], "r");
        writer_ = std::thread([this, fd = ends[1]] {
            for (std::size_t at = 0; at < text_.size();) {
                const ssize_t n = write(fd, text_.data() + at, std::min<std::size_t>(997, text_.size() - at));
                if (n <= 0) break;
                at += static_cast<std::size_t>(n);
            }
            close(fd);
        });
    }
    ~PipeFeed() {
        writer_.join();
        std::fclose(read_end_);
    }
    PipeFeed(const PipeFeed&) = delete;
    PipeFeed& operator=(const PipeFeed&) = delete;
    FILE* stream() const { return read_end_; }

private:
    std::string text_;
    FILE* read_end_;
    std::thread writer_;
};

// Words of many lengths, two far longer than any read, and a last word that
// runs into the end of the stream; `expected` gets the matches they make.
std::string long_text(std::string& expected) {
    std::string text;
    for (int i = 0; text.size() < 150000; ++i) {
        const std::size_t length = i == 500 ? 20000 : i == 3000 ? 70000 : 1 + (i * 7) % 53;
        const std::string word(length, static_cast<char>('c' + i % 24));
        if (i) {
            text += ' ';
            expected += "|1: |";
        }
        text += word;
        expected += "11:" + word;
    }
    expected += "|end";
    return text;
}

struct StreamCase {
    const char* name;
    int buffer_size;  // 0: the default buffer that the first scan makes on `in`
};
void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }

const StreamCase kStreamCases[] = {
    {"DefaultBuffer", 0}, {"OneByte", 1}, {"Small", 100}, {"OneRead", 8192}, {"Large", 20000},
};

class StreamInput : public testing::TestWithParam<StreamCase> {};

TEST_P(StreamInput, MatchesSpanRefills) {
    std::string expected;
    PipeFeed feed(long_text(expected));
    Scanner s = make_scanner();
    if (GetParam().buffer_size) {
        spltwd::scanner_push_buffer_state(s, spltwd::scanner_create_buffer(s, feed.stream(), GetParam().buffer_size));
    } else {
        s.in = feed.stream();
    }
    const Scan scan = scan_to_end(s);
    EXPECT_EQ(scan.values, std::vector<int>{1});
    EXPECT_TRUE(scan.matches == expected) << "got " << scan.matches.size() << " bytes of matches, expected "
                                          << expected.size();
    spltwd::scanner_destroy(s);
}

INSTANTIATE_TEST_SUITE_P(Engine, StreamInput, testing::ValuesIn(kStreamCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StreamInput, EndInsideALongerPatternThenTheEndAgain) {
    FILE* f = stream_of("[[ab");
    Scanner s = make_scanner();
    spltwd::scanner_restart(s, f);
    EXPECT_EQ(scan_to_end(s).matches, "15:[|15:[|10:ab|end");
    // The buffer was reset for the same stream, which has nothing more.
    EXPECT_EQ(scan_to_end(s).matches, "end");
    spltwd::scanner_destroy(s);
    std::fclose(f);
}

// Writes the matches of one scanner_lex call on `in` to stderr.
void report_one_lex(FILE* in) {
    Scanner s = make_scanner();
    spltwd::scanner_restart(s, in);
    Recorder recorder;
    const int value = spltwd::scanner_lex(s, record_action, &recorder);
    std::string report = std::to_string(value);
    for (const std::string& match : recorder.matches) report += "|" + match;
    std::fputs(report.c_str(), stderr);
    spltwd::scanner_destroy(s);
}

// A terminal gives a line at a time: the scan of a line must not wait for
// more input (the alarm ends a child that waits).
TEST(StreamInput, TerminalLineIsScannedWithoutWaitingForMore) {
    const test_support::ChildRun outcome = test_support::run_function([](int) {
        alarm(5);
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) std::_Exit(3);
        const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
        if (terminal < 0 || write(master, "ab cd\n", 6) != 6) std::_Exit(3);
        FILE* in = fdopen(terminal, "r");
        report_one_lex(in);
        std::fclose(in);
        close(master);
    });
    EXPECT_EQ(outcome.exit_status, 0);
    EXPECT_EQ(outcome.err, "8|10:ab|1: |11:cd|3:\n");
}

// A signal that interrupts a read is no read error: the read is retried.
TEST(StreamInput, InterruptedReadIsRetried) {
    const test_support::ChildRun outcome = test_support::run_function([](int) {
        struct sigaction on_alarm {};
        on_alarm.sa_handler = [](int) {};
        sigaction(SIGALRM, &on_alarm, nullptr);  // no SA_RESTART: the blocked read fails with EINTR
        int ends[2];
        if (pipe(ends) != 0) std::_Exit(3);
        const pid_t writer = fork();
        if (writer == 0) {
            usleep(400000);
            if (write(ends[1], "ab cd\n", 6) != 6) _exit(1);
            _exit(0);
        }
        close(ends[1]);
        const itimerval soon{{0, 0}, {0, 100000}};
        setitimer(ITIMER_REAL, &soon, nullptr);
        FILE* in = fdopen(ends[0], "r");
        report_one_lex(in);
        std::fclose(in);
        waitpid(writer, nullptr, 0);
    });
    EXPECT_EQ(outcome.exit_status, 0);
    EXPECT_EQ(outcome.err, "8|10:ab|1: |11:cd|3:\n");
}

}  // namespace
