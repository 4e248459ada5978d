#include "minimise.h"

#include <algorithm>
#include <map>

namespace lexgen {
namespace {

// The states of DFA split into blocks; a block is a range of `elements`, its
// marked states at the front.
class Partition {
public:
    explicit Partition(const Dfa& dfa) : elements_(dfa.state_count()), location_(dfa.state_count()), block_(dfa.state_count()) {
        std::map<std::uint16_t, std::vector<std::uint32_t>> by_accept;
        for (std::uint32_t s = 0; s < dfa.state_count(); ++s) by_accept[dfa.accept[s]].push_back(s);
        std::uint32_t position = 0;
        for (auto& [rule, states] : by_accept) {
            std::uint32_t b = static_cast<std::uint32_t>(first_.size());
            first_.push_back(position);
            marked_end_.push_back(position);
            for (std::uint32_t s : states) {
                elements_[position] = s;
                location_[s] = position++;
                block_[s] = b;
            }
            end_.push_back(position);
        }
    }

    std::uint32_t block_count() const { return static_cast<std::uint32_t>(first_.size()); }
    std::uint32_t block_of(std::uint32_t state) const { return block_[state]; }
    std::uint32_t size(std::uint32_t b) const { return end_[b] - first_[b]; }
    std::vector<std::uint32_t> members(std::uint32_t b) const {
        return {elements_.begin() + first_[b], elements_.begin() + end_[b]};
    }

    void mark(std::uint32_t state) {
        std::uint32_t b = block_[state];
        std::uint32_t position = location_[state];
        if (position < marked_end_[b]) return;
        if (marked_end_[b] == first_[b]) touched_.push_back(b);
        std::uint32_t other = elements_[marked_end_[b]];
        std::swap(elements_[position], elements_[marked_end_[b]]);
        location_[other] = position;
        location_[state] = marked_end_[b]++;
    }

    // Splits every block with marked and unmarked states; calls
    // on_split(old, new) for each, the marked states forming the new block.
    template <typename OnSplit>
    void split_marked(OnSplit on_split) {
        for (std::uint32_t b : touched_) {
            std::uint32_t middle = marked_end_[b];
            if (middle == end_[b]) {
                marked_end_[b] = first_[b];
                continue;
            }
            std::uint32_t fresh = block_count();
            first_.push_back(first_[b]);
            end_.push_back(middle);
            marked_end_.push_back(first_[b]);
            for (std::uint32_t p = first_[b]; p < middle; ++p) block_[elements_[p]] = fresh;
            first_[b] = middle;
            marked_end_[b] = middle;
            on_split(b, fresh);
        }
        touched_.clear();
    }

private:
    std::vector<std::uint32_t> elements_, location_, block_;
    std::vector<std::uint32_t> first_, end_, marked_end_;
    std::vector<std::uint32_t> touched_;
};

// Sources of the moves into each state on each class.
struct Predecessors {
    std::vector<std::uint32_t> offset;  // [target * class_count + c], one past the end
    std::vector<std::uint32_t> source;

    explicit Predecessors(const Dfa& dfa) : offset(dfa.next.size() + 1, 0), source(dfa.next.size()) {
        const std::uint16_t k = dfa.class_count;
        for (std::size_t i = 0; i < dfa.next.size(); ++i) ++offset[static_cast<std::size_t>(dfa.next[i]) * k + i % k + 1];
        for (std::size_t i = 1; i < offset.size(); ++i) offset[i] += offset[i - 1];
        std::vector<std::uint32_t> fill(offset.begin(), offset.end() - 1);
        for (std::size_t i = 0; i < dfa.next.size(); ++i) {
            source[fill[static_cast<std::size_t>(dfa.next[i]) * k + i % k]++] = static_cast<std::uint32_t>(i / k);
        }
    }
};

void refine(const Dfa& dfa, Partition& partition) {
    Predecessors predecessors(dfa);
    const std::uint16_t k = dfa.class_count;
    std::vector<std::uint32_t> work;
    std::vector<bool> waiting(partition.block_count(), true);
    for (std::uint32_t b = 0; b < partition.block_count(); ++b) work.push_back(b);

    auto on_split = [&](std::uint32_t old_block, std::uint32_t new_block) {
        waiting.push_back(false);
        std::uint32_t add = new_block;
        if (!waiting[old_block] && partition.size(old_block) < partition.size(new_block)) add = old_block;
        waiting[add] = true;
        work.push_back(add);
    };

    while (!work.empty()) {
        std::uint32_t splitter = work.back();
        work.pop_back();
        waiting[splitter] = false;
        // A copy: the block may split while its classes are processed.
        std::vector<std::uint32_t> targets = partition.members(splitter);
        for (std::uint16_t c = 0; c < k; ++c) {
            for (std::uint32_t t : targets) {
                std::size_t slot = static_cast<std::size_t>(t) * k + c;
                for (std::uint32_t i = predecessors.offset[slot]; i < predecessors.offset[slot + 1]; ++i) {
                    partition.mark(predecessors.source[i]);
                }
            }
            partition.split_marked(on_split);
        }
    }
}

}  // namespace

Dfa minimise_dfa(const Dfa& dfa) {
    if (dfa.start == 0) return dfa;
    Partition partition(dfa);
    refine(dfa, partition);

    // Number the blocks: the dead state's block 0, then breadth first.
    const std::uint16_t k = dfa.class_count;
    std::vector<std::uint32_t> number(partition.block_count(), UINT32_MAX);
    std::vector<std::uint32_t> representative{0};
    number[partition.block_of(0)] = 0;
    auto visit = [&](std::uint32_t state) {
        std::uint32_t b = partition.block_of(state);
        if (number[b] != UINT32_MAX) return;
        number[b] = static_cast<std::uint32_t>(representative.size());
        representative.push_back(state);
    };
    visit(dfa.start);
    for (std::size_t i = 1; i < representative.size(); ++i) {
        for (std::uint16_t c = 0; c < k; ++c) visit(dfa.next[static_cast<std::size_t>(representative[i]) * k + c]);
    }

    Dfa result;
    result.class_count = k;
    result.start = number[partition.block_of(dfa.start)];
    for (std::uint32_t state : representative) {
        for (std::uint16_t c = 0; c < k; ++c) {
            std::uint32_t target = dfa.next[static_cast<std::size_t>(state) * k + c];
            result.next.push_back(number[partition.block_of(target)]);
        }
        result.accept.push_back(dfa.accept[state]);
    }
    return result;
}

}  // namespace lexgen
