// Reads %condition, %define and rule lines.  Every mistake names its line,
// what it belongs to (a rule, a define) and the column.
#include "rule_file.h"

#include <algorithm>
#include <map>
#include <utility>

#include "lexgen_error.h"
#include "logical_lines.h"
#include "text_chars.h"

namespace lexgen {
namespace {

// A number of at most LIMIT, or -1.
long parse_number(std::string_view s, long limit) {
    if (s.empty() || s.size() > 6) return -1;
    long value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value <= limit ? value : -1;
}

struct Token {
    std::size_t offset;
    std::string_view text;
};

// The blank-separated word at or after OFFSET; empty text at the end.
Token next_token(std::string_view line, std::size_t offset) {
    while (offset < line.size() && is_blank(line[offset])) ++offset;
    std::size_t end = offset;
    while (end < line.size() && !is_blank(line[end])) ++end;
    return {offset, line.substr(offset, end - offset)};
}

class Reader {
public:
    Reader(const std::string& file_name, const FileLoader& load) : file_name_(file_name), load_(load) {}

    void read(const LogicalLine& line) {
        line_ = &line;
        context_.clear();
        std::string_view text = line.text;
        if (text.starts_with("%condition") && (text.size() == 10 || is_blank(text[10]))) {
            read_condition(text);
        } else if (text.starts_with("%define") && (text.size() == 7 || is_blank(text[7]))) {
            read_define(text);
        } else if (text.starts_with("%import") && (text.size() == 7 || is_blank(text[7]))) {
            read_import(text);
        } else if (text[0] == '%') {
            fail(0, "unknown directive '" + std::string(next_token(text, 0).text) + "'");
        } else {
            read_rule(text);
        }
    }

    RuleFile finish(int last_line) {
        if (result_.rules.empty()) check_conditions_complete(last_line);
        return std::move(result_);
    }

private:
    [[noreturn]] void fail(std::size_t offset, const std::string& message) const {
        SourcePlace place = line_->place(offset);
        std::string where = file_name_ + ":" + std::to_string(place.line) + ": ";
        if (!context_.empty()) where += context_ + ", ";
        throw Error(where + "column " + std::to_string(place.column) + ": " + message);
    }

    void read_condition(std::string_view text) {
        context_ = "%condition";
        if (!result_.rules.empty()) fail(0, "%condition must come before the first rule");
        Token number = next_token(text, 10);
        Token name = next_token(text, number.offset + number.text.size());
        Token extra = next_token(text, name.offset + name.text.size());
        long value = parse_number(number.text, 65534);
        if (value < 0) fail(number.offset, "expected a condition number from 0 to 65534");
        if (!is_identifier(name.text)) fail(name.offset, "expected a condition name (letters, digits, '_')");
        if (!extra.text.empty()) fail(extra.offset, "unexpected text after the condition name");
        context_ = "%condition " + std::string(name.text);
        for (const Condition& c : declared_) {
            if (c.number == value) fail(number.offset, "condition number " + std::to_string(value) + " declared twice");
            if (c.name == name.text) fail(name.offset, "condition name declared twice");
        }
        declared_.push_back({static_cast<std::uint16_t>(value), std::string(name.text)});
    }

    void check_conditions_complete(int line) {
        if (conditions_checked_) return;
        conditions_checked_ = true;
        auto message = [&](const std::string& text) { return file_name_ + ":" + std::to_string(line) + ": " + text; };
        if (declared_.empty()) throw Error(message("no %condition declared before the first rule"));
        std::vector<Condition> by_number(declared_.size());
        for (Condition& c : declared_) {
            if (c.number >= declared_.size()) {
                throw Error(message("condition numbers must run from 0 to " + std::to_string(declared_.size() - 1) +
                                    " without gaps; " + c.name + " has " + std::to_string(c.number)));
            }
            by_number[c.number] = c;
        }
        result_.conditions = std::move(by_number);
    }

    void read_define(std::string_view text) {
        context_ = "%define";
        Token name = next_token(text, 7);
        if (!is_identifier(name.text)) fail(name.offset, "expected a pattern name (letters, digits, '_')");
        context_ = "define " + std::string(name.text);
        if (defines_.count(name.text) != 0) fail(name.offset, "pattern name defined twice");
        std::size_t start = name.offset + name.text.size();
        defines_.emplace(std::string(name.text), parse(text.substr(start), start));
    }

    void read_rule(std::string_view text) {
        Token number = next_token(text, 0);
        long value = parse_number(number.text, 65535);
        if (value < 1) fail(number.offset, "expected a rule number from 1 to 65535, %condition, %define or #");
        context_ = "rule " + std::to_string(value);
        if (!result_.rules.empty() && value <= result_.rules.back().number) {
            fail(number.offset, "rule number does not follow rule " + std::to_string(result_.rules.back().number));
        }
        check_conditions_complete(line_->places.front().line);

        Rule rule;
        rule.number = static_cast<std::uint16_t>(value);
        Token conditions = next_token(text, number.text.size());
        if (conditions.text.empty()) fail(conditions.offset, "missing start conditions");
        rule.conditions = read_condition_list(conditions);

        std::size_t start = conditions.offset + conditions.text.size();
        std::string_view rest = text.substr(start);
        std::size_t arrow = find_pattern_end(rest);
        if (arrow == std::string_view::npos) {
            // A mistake inside the pattern explains a missing '=>' best.
            parse(rest, start);
            fail(text.size(), "missing '=>' after the pattern");
        }
        rule.pattern = parse(rest.substr(0, arrow), start);
        std::size_t action = start + arrow + 2;
        while (action < text.size() && is_blank(text[action])) ++action;
        if (action == text.size()) fail(action, "missing action after '=>'");
        rule.action = text.substr(action);
        result_.rules.push_back(std::move(rule));
    }

    // %import FILE FIRST-LAST: the rules numbered FIRST to LAST of another
    // rule file, as that file reads them (its own named patterns), active in
    // the start conditions of the same names here; a rule active in all of
    // that file's conditions is active in all of these.
    void read_import(std::string_view text) {
        context_ = "%import";
        Token path = next_token(text, 7);
        Token range = next_token(text, path.offset + path.text.size());
        Token extra = next_token(text, range.offset + range.text.size());
        if (path.text.empty()) fail(path.offset, "expected a rule file to import");
        const std::size_t dash = range.text.find('-');
        const long first = dash == std::string_view::npos ? -1 : parse_number(range.text.substr(0, dash), 65535);
        const long last = dash == std::string_view::npos ? -1 : parse_number(range.text.substr(dash + 1), 65535);
        if (first < 1 || last < first) fail(range.offset, "expected a rule range FIRST-LAST");
        if (!extra.text.empty()) fail(extra.offset, "unexpected text after the rule range");
        if (!load_) fail(path.offset, "no file can be imported here");
        check_conditions_complete(line_->places.front().line);

        const std::size_t slash = file_name_.rfind('/');
        const std::string full_path =
            (slash == std::string::npos ? std::string() : file_name_.substr(0, slash + 1)) + std::string(path.text);
        RuleFile other;
        try {
            other = read_rule_file(load_(full_path), full_path, load_);
        } catch (const Error& e) {
            fail(path.offset, e.what());
        }
        bool any = false;
        for (Rule& rule : other.rules) {
            if (rule.number < first || rule.number > last) continue;
            any = true;
            context_ = "imported rule " + std::to_string(rule.number);
            if (!result_.rules.empty() && rule.number <= result_.rules.back().number) {
                fail(range.offset, "rule number does not follow rule " + std::to_string(result_.rules.back().number));
            }
            std::vector<std::uint16_t> here;
            if (rule.conditions.size() == other.conditions.size()) {
                for (const Condition& c : result_.conditions) here.push_back(c.number);
            } else {
                for (std::uint16_t number : rule.conditions) here.push_back(condition_named(other.conditions[number].name, range.offset));
                std::sort(here.begin(), here.end());
            }
            rule.conditions = std::move(here);
            result_.rules.push_back(std::move(rule));
        }
        if (!any) fail(range.offset, "no rule of " + std::string(path.text) + " lies in this range");
    }

    std::uint16_t condition_named(std::string_view name, std::size_t offset) {
        auto found = std::find_if(result_.conditions.begin(), result_.conditions.end(),
                                  [&](const Condition& c) { return c.name == name; });
        if (found == result_.conditions.end()) {
            fail(offset, name.empty() ? "missing start condition name"
                                      : "unknown start condition '" + std::string(name) + "'");
        }
        return found->number;
    }

    std::vector<std::uint16_t> read_condition_list(Token token) {
        std::vector<std::uint16_t> numbers;
        if (token.text == "*") {
            for (const Condition& c : result_.conditions) numbers.push_back(c.number);
            return numbers;
        }
        std::size_t begin = 0;
        for (;;) {
            std::size_t comma = std::min(token.text.find(',', begin), token.text.size());
            numbers.push_back(condition_named(token.text.substr(begin, comma - begin), token.offset + begin));
            if (comma == token.text.size()) break;
            begin = comma + 1;
        }
        std::sort(numbers.begin(), numbers.end());
        numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
        return numbers;
    }

    // TEXT starts at OFFSET in the current line.
    Pattern parse(std::string_view text, std::size_t offset) {
        try {
            return parse_pattern(text, [this](std::string_view name) -> const Pattern* {
                auto found = defines_.find(name);
                return found == defines_.end() ? nullptr : &found->second;
            });
        } catch (const PatternError& e) {
            fail(offset + e.offset, e.message);
        }
    }

    const std::string& file_name_;
    const FileLoader& load_;
    const LogicalLine* line_ = nullptr;
    std::string context_;
    std::vector<Condition> declared_;
    bool conditions_checked_ = false;
    std::map<std::string, Pattern, std::less<>> defines_;
    RuleFile result_;
};

}  // namespace

RuleFile read_rule_file(std::string_view text, const std::string& file_name, const FileLoader& load) {
    Reader reader(file_name, load);
    std::vector<LogicalLine> lines = split_logical_lines(text, file_name);
    for (const LogicalLine& line : lines) reader.read(line);
    int last_line = lines.empty() ? 1 : lines.back().places.back().line;
    return reader.finish(last_line);
}

}  // namespace lexgen
