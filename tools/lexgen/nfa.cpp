#include "nfa.h"

#include <unordered_map>

namespace lexgen {
namespace {

struct Fragment {
    std::uint32_t start;
    std::uint32_t end;  // has no edges yet
};

class Builder {
public:
    Nfa build(const std::vector<Rule>& rules) {
        for (std::uint32_t i = 0; i < rules.size(); ++i) {
            Fragment f = fragment(rules[i].pattern);
            nfa_.states[f.end].accepts = i + 1;
            nfa_.rule_starts.push_back(f.start);
        }
        return std::move(nfa_);
    }

private:
    std::uint32_t add_state() {
        nfa_.states.emplace_back();
        return static_cast<std::uint32_t>(nfa_.states.size() - 1);
    }

    void add_epsilon(std::uint32_t from, std::uint32_t to) {
        NfaState& s = nfa_.states[from];
        s.epsilon[s.epsilon[0] == kNoState ? 0 : 1] = to;
    }

    std::int32_t intern(ByteSet set) {
        // The scanner reads 0x00 as 0x01, so no pattern can tell them apart.
        set[0] = set[1];
        auto [it, added] = set_ids_.try_emplace(set, static_cast<std::int32_t>(nfa_.byte_sets.size()));
        if (added) nfa_.byte_sets.push_back(set);
        return it->second;
    }

    Fragment fragment(const Pattern& p) {
        switch (p.kind) {
            case Pattern::Kind::Empty: {
                std::uint32_t s = add_state();
                return {s, s};
            }
            case Pattern::Kind::Bytes: {
                std::uint32_t start = add_state();
                std::uint32_t end = add_state();
                nfa_.states[start].byte_set = intern(p.bytes);
                nfa_.states[start].target = end;
                return {start, end};
            }
            case Pattern::Kind::Sequence: {
                Fragment whole = fragment(p.children.front());
                for (std::size_t i = 1; i < p.children.size(); ++i) {
                    Fragment next = fragment(p.children[i]);
                    add_epsilon(whole.end, next.start);
                    whole.end = next.end;
                }
                return whole;
            }
            case Pattern::Kind::Alternation: {
                // A chain of two-way forks, since a state has two epsilon edges.
                std::uint32_t end = add_state();
                std::uint32_t start = kNoState;
                std::uint32_t open_fork = kNoState;
                for (std::size_t i = 0; i < p.children.size(); ++i) {
                    Fragment branch = fragment(p.children[i]);
                    add_epsilon(branch.end, end);
                    std::uint32_t entry = branch.start;
                    if (i + 1 < p.children.size()) {
                        entry = add_state();
                        add_epsilon(entry, branch.start);
                    }
                    if (open_fork == kNoState) {
                        start = entry;
                    } else {
                        add_epsilon(open_fork, entry);
                    }
                    open_fork = entry;
                }
                return {start, end};
            }
            case Pattern::Kind::Star:
            case Pattern::Kind::Plus:
            case Pattern::Kind::Optional: {
                Fragment inner = fragment(p.children.front());
                std::uint32_t start = add_state();
                std::uint32_t end = add_state();
                add_epsilon(start, inner.start);
                if (p.kind != Pattern::Kind::Plus) add_epsilon(start, end);
                add_epsilon(inner.end, end);
                if (p.kind != Pattern::Kind::Optional) add_epsilon(inner.end, inner.start);
                return {start, end};
            }
        }
        return {};
    }

    Nfa nfa_;
    std::unordered_map<ByteSet, std::int32_t> set_ids_;
};

}  // namespace

Nfa build_nfa(const std::vector<Rule>& rules) { return Builder().build(rules); }

}  // namespace lexgen
