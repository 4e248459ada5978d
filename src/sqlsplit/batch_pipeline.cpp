#include "batch_pipeline.h"

#include <new>
#include <system_error>

#include "output_text.h"
#include "statement_format.h"
#include "statement_words.h"

namespace sqlsplit {

namespace {

struct ContextDeleter {
    void operator()(spltwd_context *context) const { spltwd_context_destroy(context); }
};

std::unique_ptr<spltwd_context, ContextDeleter> make_context(bool classic)
{
    std::unique_ptr<spltwd_context, ContextDeleter> context(spltwd_context_create());
    if (!context) {
        throw std::bad_alloc();
    }
    spltwd_context_set_profile(context.get(), classic ? SPLTWD_PROFILE_CLASSIC : SPLTWD_PROFILE_ACCURATE);
    return context;
}

// What one thread makes of batches, on a context of its own.
class BatchMaker {
public:
    explicit BatchMaker(const BatchWork &work)
        : work_(work), context_(make_context(work.classic)), format_(make_statement_format(work.format, !work.classic)),
          words_(context_.get(), work.dialect)
    {
    }

    void make(Batch &batch)
    {
        OutputText out;
        // The memory of the batch's last output, used again.
        out.buffer().swap(batch.output);
        out.buffer().clear();
        format_->resume(batch.output_before);
        for (const BatchItem &item : batch.items) {
            const std::string_view text(batch.text.data() + item.text_at, item.text_size);
            CutPiece piece;
            piece.kind = item.kind;
            piece.statement.text = text;
            piece.statement.start = item.start;
            piece.end = item.end;
            switch (item.kind) {
                case CutPiece::Kind::command: format_->command(out, item.number, piece, batch.label); break;
                case CutPiece::Kind::data: format_->data(out, item.number, piece, batch.label); break;
                case CutPiece::Kind::statement:
                    if (work_.format == OutputFormat::digest || work_.summary) {
                        make_digest(batch, item, text, out);
                    } else {
                        make_words(batch, item, piece.statement, out);
                    }
                    break;
            }
        }
        batch.output.swap(out.buffer());
    }

private:
    void make_digest(Batch &batch, const BatchItem &item, std::string_view text, OutputText &out)
    {
        if (digest_statement(context_.get(), work_.dialect, text, digest_) != 0) {
            throw std::bad_alloc();
        }
        if (work_.summary) {
            batch.summary.add(digest_, text);
        } else {
            append_digest_line(out, item.number, batch.label, item.start, item.start + text.size(), digest_);
        }
    }

    void make_words(const Batch &batch, const BatchItem &item, CutStatement &statement, OutputText &out)
    {
        const auto each = [this, &out](const CutWord &word) { format_->word(out, word); };
        if (work_.classic) {
            statement.result = item.result;
            statement.word_count = item.word_count;
            format_->begin(out, item.number, statement, batch.label);
            std::uint64_t offset = 0;
            for_each_record(batch.records.data() + item.records_at, static_cast<std::uint32_t>(item.records_size),
                            offset, each);
        } else {
            // The accurate profile fails only for want of memory.
            if (words_.split(statement.text) < 0) {
                throw std::bad_alloc();
            }
            statement.result = words_.result();
            statement.word_count = words_.word_count();
            format_->begin(out, item.number, statement, batch.label);
            words_.each_word(each);
        }
        format_->end(out);
    }

    const BatchWork &work_;
    std::unique_ptr<spltwd_context, ContextDeleter> context_;
    std::unique_ptr<StatementFormat> format_;
    StatementWords words_;
    StatementDigest digest_;
};

} // namespace

void Batch::reset(std::string_view input_label, bool after_output)
{
    label = input_label;
    output_before = after_output;
    text.clear();
    records.clear();
    items.clear();
    position = 0;
    statements = 0;
    output.clear();
    summary = Summary();
    error = nullptr;
    done = false;
}

void Batch::add(BatchItem item, std::string_view item_text, std::string_view item_records)
{
    item.text_at = text.size();
    item.text_size = item_text.size();
    text.append(item_text);
    item.records_at = records.size();
    item.records_size = item_records.size();
    records.append(item_records);
    items.push_back(item);
}

BatchPipeline::BatchPipeline(unsigned threads, const BatchWork &work) : work_(work)
{
    threads_.reserve(threads);
    try {
        while (threads_.size() < threads) {
            threads_.emplace_back([this] { this->work(); });
        }
    } catch (const std::system_error &) {
        // The threads that started do the work.
    }
}

BatchPipeline::~BatchPipeline()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    work_ready_.notify_all();
    for (std::thread &thread : threads_) {
        thread.join();
    }
}

void BatchPipeline::start(std::unique_ptr<Batch> batch)
{
    Batch *started = batch.get();
    order_.push_back(std::move(batch));
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        to_do_.push_back(started);
    }
    work_ready_.notify_one();
}

std::unique_ptr<Batch> BatchPipeline::take_done(bool wait)
{
    if (order_.empty()) {
        return nullptr;
    }
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!order_.front()->done) {
            if (!wait) {
                return nullptr;
            }
            batch_done_.wait(lock, [this] { return order_.front()->done; });
        }
    }
    std::unique_ptr<Batch> batch = std::move(order_.front());
    order_.pop_front();
    return batch;
}

void BatchPipeline::work()
{
    std::unique_ptr<BatchMaker> maker;
    std::exception_ptr no_maker;
    for (;;) {
        Batch *batch = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            work_ready_.wait(lock, [this] { return stopping_ || !to_do_.empty(); });
            if (stopping_) {
                return;
            }
            batch = to_do_.front();
            to_do_.pop_front();
        }
        try {
            if (!maker) {
                maker = std::make_unique<BatchMaker>(work_);
            }
            maker->make(*batch);
        } catch (...) {
            batch->error = std::current_exception();
        }
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            batch->done = true;
        }
        // The reading thread waits for the oldest batch: any may be it.
        batch_done_.notify_all();
    }
}

} // namespace sqlsplit
