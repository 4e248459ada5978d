// Statements made on several threads.  The thread that reads an input cuts
// it into pieces (which depends on what came before: a delimiter, a COPY's
// data) and gathers them into batches; threads of their own split, digest
// and format the statements of each batch, each on a context of its own;
// the reading thread then writes the batches' output in input order.  The
// batches under way are few, so that memory stays bounded whatever the
// input's size.
#ifndef SQLSPLIT_BATCH_PIPELINE_H
#define SQLSPLIT_BATCH_PIPELINE_H

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "digests.h"
#include "options.h"
#include "script_cutter.h"

namespace sqlsplit {

// What is made of the statements of a batch.
struct BatchWork {
    std::uint16_t dialect = 0;
    OutputFormat format = OutputFormat::table;
    bool classic = false; // statements come with the records of their cut
    bool summary = false;
};

struct BatchItem {
    CutPiece::Kind kind = CutPiece::Kind::statement;
    std::int64_t number = 0;   // of the statement, the command or the data block
    std::uint64_t start = 0;   // the piece's range in the input
    std::uint64_t end = 0;
    std::size_t text_at = 0;   // its text in Batch::text
    std::size_t text_size = 0;
    // A statement cut by the classic profile: the result and word count of
    // its cut, and its word records in Batch::records.
    std::int32_t result = 0;
    std::uint64_t word_count = 0;
    std::size_t records_at = 0;
    std::size_t records_size = 0;
};

struct Batch {
    Batch(std::string_view input_label, bool after_output) : label(input_label), output_before(after_output) {}

    // Empties the batch for another part of the input, keeping the memory
    // its texts took: batches are used again and again.
    void reset(std::string_view input_label, bool after_output);
    // The piece's text and records are copied: the batch owns what it needs.
    void add(BatchItem item, std::string_view item_text, std::string_view item_records = {});
    // The bytes the batch holds, with a little for each piece.
    std::size_t weight() const { return text.size() + records.size() + 64 * items.size(); }

    std::string label;         // of the input
    bool output_before;        // whether pieces were written before the batch's first
    std::string text;
    std::string records;
    std::vector<BatchItem> items;
    // Where the input stands after the batch, for the progress line.
    std::uint64_t position = 0;
    std::int64_t statements = 0;

    // Made by a thread: the output, or the digests summed up, or what went wrong.
    std::string output;
    Summary summary;
    std::exception_ptr error;
    bool done = false;         // guarded by the pipeline's mutex
};

class BatchPipeline {
public:
    // Starts up to `threads` threads; threads() tells how many started
    // (none when the system would start none).
    BatchPipeline(unsigned threads, const BatchWork &work);
    ~BatchPipeline();
    BatchPipeline(const BatchPipeline &) = delete;
    BatchPipeline &operator=(const BatchPipeline &) = delete;

    std::size_t threads() const { return threads_.size(); }
    // How many batches may be under way before the oldest must be written.
    std::size_t most_under_way() const { return 2 * threads_.size(); }

    // Hands a batch over to the threads.
    void start(std::unique_ptr<Batch> batch);
    std::size_t under_way() const { return order_.size(); }
    // The oldest batch under way once it is done (waiting for it when
    // `wait`, else null if it is not done yet); null when none is under way.
    std::unique_ptr<Batch> take_done(bool wait);

private:
    void work();

    const BatchWork work_;
    std::mutex mutex_;
    std::condition_variable work_ready_;
    std::condition_variable batch_done_;
    std::deque<Batch *> to_do_;
    bool stopping_ = false;
    std::deque<std::unique_ptr<Batch>> order_; // of the reading thread alone
    std::vector<std::thread> threads_;
};

} // namespace sqlsplit

#endif // SQLSPLIT_BATCH_PIPELINE_H
