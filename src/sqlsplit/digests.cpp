#include "digests.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "json_fields.h"
#include "text_escape.h"

namespace sqlsplit {

namespace {

// A table line shows the first names of a statement's tables.
constexpr std::size_t kShownTables = 3;
// However narrow the terminal, this much of the normalised text shows.
constexpr std::size_t kNarrowestText = 16;
constexpr std::string_view kEllipsis = "\u2026";

void append_number_field(std::string &buffer, std::string_view name, std::uint64_t value)
{
    buffer += ",\"";
    buffer += name;
    buffer += "\":";
    buffer += std::to_string(value);
}

// The kind and the fingerprint are ASCII letters and digits.
void append_plain_field(std::string &buffer, std::string_view name, std::string_view value)
{
    buffer += '"';
    buffer += name;
    buffer += "\":\"";
    buffer += value;
    buffer += '"';
}

// The characters of a text that is UTF-8, as a terminal shows them.
std::size_t character_count(std::string_view text)
{
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char byte) { return (static_cast<unsigned char>(byte) & 0xC0) != 0x80; }));
}

// The first `count` characters of a text that is UTF-8.
std::string_view first_characters(std::string_view text, std::size_t count)
{
    std::size_t at = 0;
    for (std::size_t seen = 0; at < text.size(); ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80 && seen++ == count) {
            break;
        }
    }
    return text.substr(0, at);
}

std::string visible(std::string_view text)
{
    std::string shown;
    append_visible(shown, text);
    return shown;
}

void append_padded(std::string &buffer, std::string_view text, std::size_t width, bool right)
{
    const std::size_t length = character_count(text);
    const std::string padding(width > length ? width - length : 0, ' ');
    if (right) buffer += padding;
    buffer += text;
    if (!right) buffer += padding;
}

} // namespace

std::int32_t digest_statement(spltwd_context *context, std::uint16_t dialect, std::string_view text,
                              StatementDigest &digest)
{
    spltwd_digest made{};
    const std::int32_t result =
        spltwd_digest_statement(context, dialect, text.data(), static_cast<std::uint32_t>(text.size()), &made);
    if (result != 0) {
        return result;
    }
    digest.fingerprint = made.fingerprint;
    digest.fingerprint_hex.assign(made.fingerprint_hex, 16);
    digest.kind = made.kind;
    digest.normalized = std::string_view(made.normalized, made.normalized_length);
    digest.tables.clear();
    std::uint32_t cursor = 0;
    const char *name = nullptr;
    std::uint32_t length = 0;
    while (spltwd_digest_next_table(&made, &cursor, &name, &length) == 0) {
        digest.tables.emplace_back(name, length);
    }
    return 0;
}

void append_digest_line(OutputText &out, std::int64_t number, std::string_view file, std::uint64_t start,
                        std::uint64_t end, const StatementDigest &digest)
{
    out.buffer() += "{\"statement\":";
    out.buffer() += std::to_string(number);
    out.buffer() += ',';
    append_text_fields(out, "file", file);
    append_number_field(out.buffer(), "start", start);
    append_number_field(out.buffer(), "end", end);
    out.buffer() += ',';
    append_plain_field(out.buffer(), "fingerprint", digest.fingerprint_hex);
    out.buffer() += ',';
    append_plain_field(out.buffer(), "kind", digest.kind);
    out.buffer() += ',';
    append_text_array_fields(out, "tables", digest.tables);
    out.buffer() += ',';
    append_text_fields(out, "normalized", digest.normalized);
    out.buffer() += "}\n";
    out.write_if_full();
}

void Summary::add(const StatementDigest &digest, std::string_view text)
{
    ++statements_;
    const auto [found, added] = entries_.try_emplace(digest.fingerprint);
    Entry &entry = found->second;
    if (added) {
        entry.fingerprint_hex = digest.fingerprint_hex;
        entry.kind = digest.kind;
        entry.tables.assign(digest.tables.begin(), digest.tables.end());
        entry.normalized = digest.normalized;
        entry.example = text;
    }
    ++entry.count;
    entry.bytes += text.size();
}

void Summary::merge(Summary &&later)
{
    statements_ += later.statements_;
    for (auto &[fingerprint, entry] : later.entries_) {
        const auto [found, added] = entries_.try_emplace(fingerprint, std::move(entry));
        if (!added) {
            found->second.count += entry.count;
            found->second.bytes += entry.bytes;
        }
    }
    later.entries_.clear();
    later.statements_ = 0;
}

std::vector<const Summary::Entry *> Summary::sorted() const
{
    std::vector<const Entry *> entries;
    entries.reserve(entries_.size());
    for (const auto &[fingerprint, entry] : entries_) {
        entries.push_back(&entry);
    }
    std::sort(entries.begin(), entries.end(), [](const Entry *a, const Entry *b) {
        if (a->count != b->count) return a->count > b->count;
        if (a->bytes != b->bytes) return a->bytes > b->bytes;
        return a->fingerprint_hex < b->fingerprint_hex;
    });
    return entries;
}

void Summary::write_jsonl(OutputText &out) const
{
    for (const Entry *entry : sorted()) {
        std::string &buffer = out.buffer();
        buffer += '{';
        append_plain_field(buffer, "fingerprint", entry->fingerprint_hex);
        append_number_field(buffer, "count", entry->count);
        append_number_field(buffer, "bytes", entry->bytes);
        buffer += ',';
        append_plain_field(buffer, "kind", entry->kind);
        buffer += ',';
        append_text_array_fields(out, "tables", std::vector<std::string_view>(entry->tables.begin(), entry->tables.end()));
        out.buffer() += ',';
        append_text_fields(out, "normalized", entry->normalized);
        out.buffer() += ',';
        append_text_fields(out, "example", entry->example);
        out.buffer() += "}\n";
        out.write_if_full();
    }
}

void Summary::write_table(OutputText &out, std::size_t width) const
{
    if (statements_ == 0) {
        return;
    }
    const std::vector<const Entry *> entries = sorted();
    std::vector<std::string> tables;
    tables.reserve(entries.size());
    std::size_t count_width = 5;
    std::size_t kind_width = 4;
    std::size_t tables_width = 6;
    for (const Entry *entry : entries) {
        // "-" for none.
        std::string shown(entry->tables.empty() ? 1 : 0, '-');
        for (std::size_t i = 0; i < entry->tables.size() && i < kShownTables; ++i) {
            if (i > 0) shown += ", ";
            append_visible(shown, entry->tables[i]);
        }
        count_width = std::max(count_width, std::to_string(entry->count).size());
        kind_width = std::max(kind_width, entry->kind.size());
        tables_width = std::max(tables_width, character_count(shown));
        tables.push_back(std::move(shown));
    }
    // Two blanks after each column but the last.
    const std::size_t before_text = count_width + 2 + 6 + 2 + 16 + 2 + kind_width + 2 + tables_width + 2;
    const std::size_t text_width = width == 0 ? 0 : std::max(width > before_text ? width - before_text : 0, kNarrowestText);

    std::string &title = out.buffer();
    append_padded(title, "count", count_width, true);
    title += "   share  fingerprint       ";
    append_padded(title, "kind", kind_width, false);
    title += "  ";
    append_padded(title, "tables", tables_width, false);
    title += "  normalized\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry &entry = *entries[i];
        std::string &buffer = out.buffer();
        char share[16];
        std::snprintf(share, sizeof share, "%5.1f%%",
                      100.0 * static_cast<double>(entry.count) / static_cast<double>(statements_));
        append_padded(buffer, std::to_string(entry.count), count_width, true);
        buffer += "  ";
        append_padded(buffer, share, 6, true);
        buffer += "  ";
        buffer += entry.fingerprint_hex;
        buffer += "  ";
        append_padded(buffer, entry.kind, kind_width, false);
        buffer += "  ";
        append_padded(buffer, tables[i], tables_width, false);
        buffer += "  ";
        if (text_width == 0) {
            out.append_in_pieces(entry.normalized, append_visible, OutputText::Cut::between_characters);
        } else {
            // Each character gives at least one shown: this head of the
            // text tells whether more than text_width characters show.
            const std::string shown =
                visible(first_characters(entry.normalized, text_width + 1));
            if (character_count(shown) > text_width) {
                out.buffer() += first_characters(shown, text_width - 1);
                out.buffer() += kEllipsis;
            } else {
                out.buffer() += shown;
            }
        }
        out.buffer() += '\n';
        out.write_if_full();
    }
}

std::size_t summary_width(bool output_is_terminal)
{
    struct winsize size {};
    if (output_is_terminal && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    const char *columns = std::getenv("COLUMNS");
    std::size_t width = 0;
    if (columns != nullptr) {
        const std::string_view text(columns);
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), width);
        if (error != std::errc() || end != text.data() + text.size()) {
            width = 0;
        }
    }
    return width;
}

} // namespace sqlsplit
