// sqlsplit: splits the SQL statements of files or standard input into
// classified words, for people (a table), programs (JSON Lines) or a
// comparison with test_split_word (the classic report); or digests them,
// each on its own or summed up by fingerprint.
//
// Exit status: 0 success, 1 an input could not be read or split or the
// output could not be written, 2 the command line cannot be used.
#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "batch_pipeline.h"
#include "digests.h"
#include "input_reader.h"
#include "options.h"
#include "output_stream.h"
#include "output_text.h"
#include "progress_line.h"
#include "script_cutter.h"
#include "split_failure.h"
#include "statement_cutter.h"
#include "statement_format.h"

namespace sqlsplit {

namespace {

enum ExitStatus { kSuccess = 0, kFailure = 1, kUsage = 2 };

// How much of an input digests read at a time.
constexpr std::size_t kPiece = std::size_t{4} << 20;
// With --jobs, an input larger than this is split on threads of their own,
// about this many bytes of statements at a time; a smaller one is split on
// the reading thread, and starts no thread.
constexpr std::size_t kBatchBytes = std::size_t{256} << 10;
// A statement larger than this is made on the reading thread, its output
// written while it is made, as on one thread: a batch's output stays small.
constexpr std::size_t kLargeStatement = std::size_t{1} << 20;

__attribute__((format(printf, 2, 3))) void print_error(ProgressLine *progress, const char *format, ...)
{
    if (progress != nullptr) {
        progress->erase();
    }
    std::fputs("sqlsplit: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

struct ContextDeleter {
    void operator()(spltwd_context *context) const { spltwd_context_destroy(context); }
};

class Run {
public:
    Run(const Options &options, OutputStream &output)
        : options_(options), output_(output), text_(output), format_(make_statement_format(options.format, !options.classic)),
          progress_(isatty(STDERR_FILENO) == 1 && !output.is_terminal())
    {
        if (options.debug_lines) {
            debug_lines_ = [this](std::string_view line) {
                progress_.erase();
                std::fwrite(line.data(), 1, line.size(), stderr);
            };
        }
    }

    int split_all(spltwd_context *context)
    {
        std::vector<std::string> inputs = options_.inputs;
        if (inputs.empty()) {
            inputs.emplace_back("-");
        }
        if (options_.summary || options_.format == OutputFormat::digest) {
            return digest_all(context, inputs);
        }
        std::string bytes;
        for (const std::string &name : inputs) {
            if (const int error = read_input(name, bytes); error != 0) {
                if (!write_out()) {
                    return kFailure;
                }
                print_error(&progress_, "cannot read %s: %s", input_label(name).c_str(), std::strerror(error));
                status_ = kFailure;
                continue;
            }
            if (!split_input(context, input_label(name), bytes)) {
                return kFailure;
            }
        }
        if (!write_out() || !report_write_error(output_.close())) {
            return kFailure;
        }
        return status_;
    }

private:
    int digest_all(spltwd_context *context, const std::vector<std::string> &inputs)
    {
        for (const std::string &name : inputs) {
            if (!digest_input(context, name)) {
                return kFailure;
            }
        }
        if (options_.summary) {
            if (options_.format == OutputFormat::jsonl || options_.format == OutputFormat::digest) {
                summary_.write_jsonl(text_);
            } else {
                summary_.write_table(text_, summary_width(output_.is_terminal()));
            }
        }
        if (!write_out() || !report_write_error(output_.close())) {
            return kFailure;
        }
        return status_;
    }

    // Digests read an input a piece at a time: memory holds the piece and
    // the statement at hand, not the input.  Returns false when the output
    // failed and the run must stop.
    bool digest_input(spltwd_context *context, const std::string &name)
    {
        const std::string label = input_label(name);
        InputPieces input;
        const auto cannot_read = [&](int error) {
            if (!write_out()) {
                return false;
            }
            print_error(&progress_, "cannot read %s: %s", label.c_str(), std::strerror(error));
            status_ = kFailure;
            return true;
        };
        if (const int error = input.open(name); error != 0) {
            return cannot_read(error);
        }
        std::string bytes;      // the input from `offset` on, as far as it is read
        std::uint64_t offset = 0;
        progress_.start(input.size(), number_);
        StatementDigest digest;
        // One cursor for the whole input: a delimiter holds to its end.
        ScriptCutter cutter(context, options_.dialect, options_.script, false, 0);
        bool threads = false;
        for (bool first = true;; first = false) {
            // Each piece at least as large as what is held, so that a
            // statement longer than a piece is cut again only a few times.
            if (const int error = input.append(bytes, std::max(kPiece, bytes.size())); error != 0) {
                const bool output_works = !threads || drain(cutter.position());
                progress_.finish();
                return output_works && cannot_read(error);
            }
            if (first) {
                threads = on_threads(input.at_end() ? bytes.size() : SIZE_MAX);
            }
            cutter.set_input(bytes, !input.at_end());
            CutPiece piece;
            for (ScriptCutter::Step step; (step = cutter.next(piece)) != ScriptCutter::Step::end;) {
                if (step == ScriptCutter::Step::too_long) {
                    const bool output_works = !threads || drain(cutter.position());
                    ++number_;
                    status_ = kFailure;
                    progress_.finish();
                    return output_works && note(label, too_long() + "; the rest of " + label + " is skipped");
                }
                // Client commands and data are no statements.
                if (piece.kind != CutPiece::Kind::statement) {
                    continue;
                }
                ++number_;
                const CutStatement &statement = piece.statement;
                if (threads && statement.text.size() <= kLargeStatement) {
                    BatchItem item;
                    item.number = number_;
                    item.start = statement.start;
                    item.end = piece.end;
                    if (!gather(label, item, statement.text, {}, cutter.position())) {
                        progress_.finish();
                        return false;
                    }
                    continue;
                }
                if (threads && !drain(cutter.position())) {
                    progress_.finish();
                    return false;
                }
                if (options_.debug_lines) {
                    cutter.each_word([](const CutWord &) {}, debug_lines_);
                }
                if (digest_statement(context, options_.dialect, statement.text, digest) != 0) {
                    throw std::bad_alloc();
                }
                if (options_.summary) {
                    summary_.add(digest, statement.text);
                } else {
                    append_digest_line(text_, number_, label, statement.start, statement.start + statement.text.size(),
                                       digest);
                    if (options_.debug_lines) {
                        text_.write();
                    }
                }
                if (text_.error() != 0) {
                    progress_.finish();
                    return report_write_error(text_.error());
                }
                progress_.update(cutter.position(), number_);
            }
            if (input.at_end()) {
                break;
            }
            const std::uint64_t done = cutter.position() - offset;
            bytes.erase(0, static_cast<std::size_t>(done));
            offset += done;
        }
        const bool output_works = !threads || drain(cutter.position());
        progress_.finish();
        return output_works;
    }

    // Returns false when the output failed and the run must stop.
    // Writes a statement that `cutter` (a StatementCutter or a ScriptCutter)
    // cut, with its words.
    template <typename Cutter>
    void write_statement(Cutter &cutter, const CutStatement &statement, const std::string &label)
    {
        format_->resume(any_piece_);
        any_piece_ = true;
        format_->begin(text_, number_, statement, label);
        // A long statement's header goes out before its words are made.
        text_.write_if_full();
        cutter.each_word(
            [this](const CutWord &word) {
                format_->word(text_, word);
                text_.write_if_full();
            },
            debug_lines_);
        format_->end(text_);
        // With debug lines on standard error, each statement's lines come
        // before its text.
        if (options_.debug_lines) {
            text_.write();
        }
    }

    bool split_input(spltwd_context *context, const std::string &label, std::string_view bytes)
    {
        if (on_threads(bytes.size())) {
            return options_.classic ? split_classic_on_threads(context, label, bytes)
                                    : split_script_on_threads(context, label, bytes);
        }
        if (!options_.classic) {
            return split_script(context, label, bytes);
        }
        StatementCutter cutter(context, options_.dialect, bytes);
        CutStatement statement;
        bool output_works = true;
        progress_.start(bytes.size(), number_);
        for (StatementCutter::Step step;
             output_works && (step = cutter.next(statement)) != StatementCutter::Step::end;) {
            ++number_;
            if (step != StatementCutter::Step::statement) {
                const std::string why = cut_failure(step, cutter);
                status_ = kFailure;
                output_works = note(label, why + "; the rest of " + label + " is skipped");
                break;
            }
            // Not a failure of the run: the output shows the statement too.
            if (statement.result < 0 && !note(label, split_failure(statement.result))) {
                output_works = false;
                break;
            }
            write_statement(cutter, statement, label);
            if (text_.error() != 0) {
                output_works = report_write_error(text_.error());
                break;
            }
            progress_.update(cutter.bytes_done(), number_);
        }
        progress_.finish();
        return output_works;
    }

    // The accurate profile's way: the input read as its client reads it.
    // Returns false when the output failed and the run must stop.
    bool split_script(spltwd_context *context, const std::string &label, std::string_view bytes)
    {
        ScriptCutter cutter(context, options_.dialect, options_.script, true);
        cutter.set_input(bytes, false);
        CutPiece piece;
        bool output_works = true;
        progress_.start(bytes.size(), number_);
        for (ScriptCutter::Step step; output_works && (step = cutter.next(piece)) != ScriptCutter::Step::end;) {
            if (step == ScriptCutter::Step::too_long) {
                ++number_;
                status_ = kFailure;
                output_works = note(label, too_long() + "; the rest of " + label + " is skipped");
                break;
            }
            if (piece.kind == CutPiece::Kind::command) {
                format_->resume(any_piece_);
                any_piece_ = true;
                format_->command(text_, ++commands_, piece, label);
            } else if (piece.kind == CutPiece::Kind::data) {
                format_->resume(any_piece_);
                any_piece_ = true;
                format_->data(text_, ++data_blocks_, piece, label);
            } else {
                ++number_;
                write_statement(cutter, piece.statement, label);
            }
            text_.write_if_full();
            if (text_.error() != 0) {
                output_works = report_write_error(text_.error());
                break;
            }
            progress_.update(cutter.position(), number_);
        }
        progress_.finish();
        return output_works;
    }

    // split_input on threads: the statements of the classic profile come
    // with their words from their cut, and go to the threads to be
    // formatted.  Returns false when the output failed and the run must stop.
    bool split_classic_on_threads(spltwd_context *context, const std::string &label, std::string_view bytes)
    {
        StatementCutter cutter(context, options_.dialect, bytes);
        CutStatement statement;
        bool output_works = true;
        progress_.start(bytes.size(), number_);
        for (StatementCutter::Step step;
             output_works && (step = cutter.next(statement)) != StatementCutter::Step::end;) {
            if (step != StatementCutter::Step::statement) {
                output_works = drain(cutter.bytes_done());
                ++number_;
                status_ = kFailure;
                output_works = output_works && note(label, cut_failure(step, cutter) + "; the rest of " + label + " is skipped");
                break;
            }
            ++number_;
            // A failed split is noted before its statement, in order; the
            // words of a large statement are made again while it is written.
            if (statement.result < 0 || (statement.result > 0 && !cutter.records_kept()) ||
                statement.text.size() > kLargeStatement) {
                output_works = drain(cutter.bytes_done()) &&
                               (statement.result >= 0 || note(label, split_failure(statement.result)));
                if (output_works) {
                    write_statement(cutter, statement, label);
                    output_works = report_write_error(text_.error());
                }
                continue;
            }
            BatchItem item;
            item.number = number_;
            item.start = statement.start;
            item.end = statement.start + statement.text.size();
            item.result = statement.result;
            item.word_count = statement.word_count;
            output_works = gather(label, item, statement.text,
                                  statement.result > 0 ? cutter.records() : std::string_view(), cutter.bytes_done());
        }
        output_works = output_works && drain(bytes.size());
        progress_.finish();
        return output_works;
    }

    // split_script on threads: the reading thread cuts, the threads split.
    // Returns false when the output failed and the run must stop.
    bool split_script_on_threads(spltwd_context *context, const std::string &label, std::string_view bytes)
    {
        ScriptCutter cutter(context, options_.dialect, options_.script, false);
        cutter.set_input(bytes, false);
        CutPiece piece;
        bool output_works = true;
        progress_.start(bytes.size(), number_);
        for (ScriptCutter::Step step; output_works && (step = cutter.next(piece)) != ScriptCutter::Step::end;) {
            if (step == ScriptCutter::Step::too_long) {
                output_works = drain(cutter.position());
                ++number_;
                status_ = kFailure;
                output_works = output_works && note(label, too_long() + "; the rest of " + label + " is skipped");
                break;
            }
            BatchItem item;
            item.kind = piece.kind;
            item.start = piece.statement.start;
            item.end = piece.end;
            // A data block's bytes are not shown: they need no copy.
            std::string_view text = piece.statement.text;
            if (piece.kind == CutPiece::Kind::command) {
                item.number = ++commands_;
            } else if (piece.kind == CutPiece::Kind::data) {
                item.number = ++data_blocks_;
                text = {};
            } else {
                item.number = ++number_;
                if (text.size() > kLargeStatement) {
                    output_works = drain(cutter.position());
                    if (output_works) {
                        cutter.split_statement(piece.statement);
                        write_statement(cutter, piece.statement, label);
                        text_.write_if_full();
                        output_works = report_write_error(text_.error());
                    }
                    continue;
                }
            }
            output_works = gather(label, item, text, {}, cutter.position());
        }
        output_works = output_works && drain(bytes.size());
        progress_.finish();
        return output_works;
    }

    // Whether an input of this size is split on threads (starting them
    // for the first such input).
    bool on_threads(std::uint64_t input_size)
    {
        if (options_.jobs < 2 || options_.debug_lines || input_size <= kBatchBytes || no_threads_) {
            return false;
        }
        if (!pipeline_) {
            const BatchWork work{options_.dialect, options_.format, options_.classic, options_.summary};
            pipeline_ = std::make_unique<BatchPipeline>(options_.jobs, work);
            if (pipeline_->threads() == 0) {
                // The system starts no thread: one does it all.
                pipeline_.reset();
                no_threads_ = true;
                return false;
            }
        }
        return true;
    }

    // Adds a piece to the batch being gathered, and hands the batch over
    // to the threads once it is full; `position` is where the input goes
    // on after the piece.  Returns false when the output failed.
    bool gather(const std::string &label, const BatchItem &item, std::string_view text, std::string_view records,
                std::uint64_t position)
    {
        if (!batch_ && !spare_batches_.empty()) {
            batch_ = std::move(spare_batches_.back());
            spare_batches_.pop_back();
            batch_->reset(label, any_piece_);
        } else if (!batch_) {
            batch_ = std::make_unique<Batch>(label, any_piece_);
        }
        batch_->add(item, text, records);
        any_piece_ = true;
        if (batch_->weight() < kBatchBytes) {
            return true;
        }
        hand_over(position);
        return write_batches(false);
    }

    void hand_over(std::uint64_t position)
    {
        if (batch_) {
            batch_->position = position;
            batch_->statements = number_;
            pipeline_->start(std::move(batch_));
        }
    }

    // Writes the output of the batches that are done, in order: of every
    // batch with `all`, else of those done, waiting for the oldest while
    // too many are under way.  Returns false when the output failed.
    bool write_batches(bool all)
    {
        for (;;) {
            std::unique_ptr<Batch> batch =
                pipeline_->take_done(all || pipeline_->under_way() >= pipeline_->most_under_way());
            if (!batch) {
                return true;
            }
            if (batch->error) {
                std::rethrow_exception(batch->error);
            }
            if (!text_.write(batch->output)) {
                return report_write_error(text_.error());
            }
            summary_.merge(std::move(batch->summary));
            progress_.update(batch->position, batch->statements);
            // Fresh memory for each batch's texts would cost more than their making.
            spare_batches_.push_back(std::move(batch));
        }
    }

    // Hands over the batch being gathered and writes every batch, so that
    // the reading thread may write what comes next itself.
    bool drain(std::uint64_t position)
    {
        hand_over(position);
        return write_batches(true);
    }

    static std::string too_long()
    {
        return "longer than " + std::to_string(ScriptCutter::kLongestStatement) + " bytes, too long to split";
    }

    // Why the cutter gave up on the rest of an input.
    static std::string cut_failure(StatementCutter::Step step, const StatementCutter &cutter)
    {
        return step == StatementCutter::Step::too_long
                   ? "longer than " + std::to_string(cutter.longest_statement()) + " bytes, too long to split"
                   : split_failure(cutter.failed_result());
    }

    static std::string split_failure(std::int32_t result)
    {
        return "split failed with result " + std::to_string(result) + " (" +
               std::string(describe_split_failure(result)) + ")";
    }

    // Notes on standard error what befell the current statement.  The
    // output before it goes out first, so that on a terminal the note
    // stands next to its statement.
    bool note(const std::string &label, const std::string &what)
    {
        if (!write_out()) {
            return false;
        }
        print_error(&progress_, "%s: statement %" PRId64 ": %s", label.c_str(), number_, what.c_str());
        return true;
    }

    bool write_out() { return report_write_error(text_.write() ? 0 : text_.error()); }

    bool report_write_error(int error)
    {
        if (error != 0) {
            print_error(&progress_, "cannot write standard output: %s", std::strerror(error));
        }
        return error == 0;
    }

    const Options &options_;
    OutputStream &output_;
    OutputText text_;
    std::unique_ptr<StatementFormat> format_;
    Summary summary_;
    ProgressLine progress_;
    StatementCutter::DebugLines debug_lines_;
    std::int64_t number_ = 0;      // statements
    std::int64_t commands_ = 0;    // client commands
    std::int64_t data_blocks_ = 0; // data blocks
    int status_ = kSuccess;
    // Whether a statement, command or data block was formatted.
    bool any_piece_ = false;
    // With --jobs: the threads, once an input needs them, and the batch
    // being gathered.
    std::unique_ptr<BatchPipeline> pipeline_;
    bool no_threads_ = false;
    std::unique_ptr<Batch> batch_;
    std::vector<std::unique_ptr<Batch>> spare_batches_; // written, to be used again
};

int run(int argc, char *argv[])
{
    Options options;
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    if (const std::string mistake = parse_options(arguments, options); !mistake.empty()) {
        print_error(nullptr, "%s", mistake.c_str());
        return kUsage;
    }
    OutputStream output;
    if (options.help || options.version) {
        std::string usage(options.help ? usage_text() : version_text());
        int error = output.write(usage);
        if (error == 0) {
            error = output.close();
        }
        if (error != 0) {
            print_error(nullptr, "cannot write standard output: %s", std::strerror(error));
            return kFailure;
        }
        return kSuccess;
    }
    const std::unique_ptr<spltwd_context, ContextDeleter> context(spltwd_context_create());
    if (!context) {
        print_error(nullptr, "out of memory");
        return kFailure;
    }
    spltwd_context_set_profile(context.get(), options.classic ? SPLTWD_PROFILE_CLASSIC : SPLTWD_PROFILE_ACCURATE);
    return Run(options, output).split_all(context.get());
}

} // namespace

} // namespace sqlsplit

int main(int argc, char *argv[])
{
    try {
        return sqlsplit::run(argc, argv);
    } catch (const std::bad_alloc &) {
        sqlsplit::print_error(nullptr, "out of memory");
        return 1;
    }
}
