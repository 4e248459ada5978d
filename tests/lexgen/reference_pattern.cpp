#include "reference_pattern.h"

#include <algorithm>
#include <cstdio>

namespace lexgen_test {
namespace {

std::string escaped(unsigned char byte) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\x%02x", byte);
    return buffer;
}

Ref bytes_ref(const std::bitset<256>& set, std::string notation) {
    return Ref{Ref::Kind::Bytes, set, {}, std::move(notation)};
}

Ref literal(const std::string& text, bool either_case) {
    std::vector<Ref> parts;
    std::string notation = either_case ? "i\"" : "\"";
    for (unsigned char c : text) {
        std::bitset<256> set;
        set.set(c);
        if (either_case && std::isalpha(c)) set.set(c ^ 0x20);
        parts.push_back(bytes_ref(set, ""));
        notation += std::isalnum(c) ? std::string(1, static_cast<char>(c)) : escaped(c);
    }
    notation += "\"";
    Ref r = parts.empty() ? empty() : Ref{Ref::Kind::Sequence, {}, std::move(parts), ""};
    r.notation = notation;
    return r;
}

Ref byte_class(const std::vector<Range>& ranges, bool negated) {
    std::bitset<256> set;
    std::string notation = negated ? "[^" : "[";
    for (auto [low, high] : ranges) {
        for (unsigned b = low; b <= high; ++b) set.set(b);
        notation += escaped(low) + (low == high ? "" : "-" + escaped(high));
    }
    if (negated) set.flip();
    return bytes_ref(set, notation + "]");
}

Ref composite(Ref::Kind kind, std::vector<Ref> children, const std::string& separator) {
    std::string notation = "(";
    for (std::size_t i = 0; i < children.size(); ++i) notation += (i ? separator : "") + children[i].notation;
    return Ref{kind, {}, std::move(children), notation + ")"};
}

Ref repeated(Ref::Kind kind, Ref child, const char* suffix) {
    std::string notation = "(" + child.notation + ")" + suffix;
    return Ref{kind, {}, {std::move(child)}, notation};
}

// Ends of the matches of R that start at any flagged position of FROM.
std::vector<bool> advance(const Ref& r, const std::string& text, const std::vector<bool>& from) {
    std::vector<bool> to(text.size() + 1);
    switch (r.kind) {
        case Ref::Kind::Bytes:
            for (std::size_t i = 0; i < text.size(); ++i) {
                unsigned char byte = static_cast<unsigned char>(text[i]);
                if (from[i] && r.bytes[byte == 0 ? 1 : byte]) to[i + 1] = true;
            }
            return to;
        case Ref::Kind::Sequence: {
            std::vector<bool> at = from;
            for (const Ref& child : r.children) at = advance(child, text, at);
            return at;
        }
        case Ref::Kind::Alternation:
            for (const Ref& child : r.children) {
                std::vector<bool> ends = advance(child, text, from);
                for (std::size_t i = 0; i < ends.size(); ++i) to[i] = to[i] || ends[i];
            }
            return to;
        case Ref::Kind::Optional:
        case Ref::Kind::Star:
        case Ref::Kind::Plus: {
            std::vector<bool> reached = r.kind == Ref::Kind::Plus ? advance(r.children[0], text, from) : from;
            if (r.kind == Ref::Kind::Optional) {
                std::vector<bool> once = advance(r.children[0], text, from);
                for (std::size_t i = 0; i < once.size(); ++i) reached[i] = reached[i] || once[i];
                return reached;
            }
            for (bool grew = true; grew;) {
                std::vector<bool> more = advance(r.children[0], text, reached);
                grew = false;
                for (std::size_t i = 0; i < more.size(); ++i) {
                    if (more[i] && !reached[i]) reached[i] = grew = true;
                }
            }
            return reached;
        }
    }
    return to;
}

}  // namespace

Ref lit(const std::string& text) { return literal(text, false); }
Ref ilit(const std::string& text) { return literal(text, true); }
Ref cls(const std::vector<Range>& ranges) { return byte_class(ranges, false); }
Ref ncls(const std::vector<Range>& ranges) { return byte_class(ranges, true); }
Ref any() { return bytes_ref(std::bitset<256>().set(), "."); }
Ref empty() { return Ref{Ref::Kind::Sequence, {}, {}, "( )"}; }
Ref seq(std::vector<Ref> parts) { return composite(Ref::Kind::Sequence, std::move(parts), " "); }
Ref alt(std::vector<Ref> branches) { return composite(Ref::Kind::Alternation, std::move(branches), " | "); }
Ref star(Ref r) { return repeated(Ref::Kind::Star, std::move(r), "*"); }
Ref plus(Ref r) { return repeated(Ref::Kind::Plus, std::move(r), "+"); }
Ref opt(Ref r) { return repeated(Ref::Kind::Optional, std::move(r), "?"); }

std::vector<bool> match_lengths(const Ref& r, const std::string& text) {
    std::vector<bool> start(text.size() + 1);
    start[0] = true;
    return advance(r, text, start);
}

Match reference_longest_match(const std::vector<RefRule>& rules, const std::string& condition,
                              const std::string& text) {
    Match best{0, 0};
    for (const RefRule& rule : rules) {
        const auto& in = rule.conditions;
        if (!in.empty() && std::find(in.begin(), in.end(), condition) == in.end()) continue;
        std::vector<bool> lengths = match_lengths(rule.pattern, text);
        for (std::size_t n = lengths.size(); n-- > 0;) {
            if (!lengths[n]) continue;
            if (best.rule == 0 || n > best.length) best = {rule.number, n};
            break;
        }
    }
    return best;
}

std::string rule_file_text(const std::vector<std::string>& conditions, const std::vector<RefRule>& rules) {
    std::string text;
    for (std::size_t i = 0; i < conditions.size(); ++i) {
        text += "%condition " + std::to_string(i) + " " + conditions[i] + "\n";
    }
    for (const RefRule& rule : rules) {
        std::string names;
        for (const std::string& c : rule.conditions) names += (names.empty() ? "" : ",") + c;
        text += std::to_string(rule.number) + " " + (names.empty() ? "*" : names) + " " + rule.pattern.notation +
                " => rule(" + std::to_string(rule.number) + ")\n";
    }
    return text;
}

}  // namespace lexgen_test
