// What the digest tests share: the dialects, one bit each, and the digest
// of a statement through the C call.
#ifndef SPLTWD_DIGEST_ROWS_H
#define SPLTWD_DIGEST_ROWS_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "spltwd_digest.h"

namespace digest_test {

enum : unsigned { GEN = 1, ORA = 2, MSS = 4, DB2 = 8, MY = 16, PG = 32, IFX = 64, ALL = 127 };

struct DialectOf {
    unsigned bit;
    std::uint16_t code;
    const char* name;
};
inline constexpr DialectOf kDialects[] = {
    {GEN, 0, "generic"},
    {ORA, SPLT_WD_DIALECT_ORACLE, "oracle"},
    {MSS, SPLT_WD_DIALECT_SQLSERVER, "sqlserver"},
    {DB2, SPLT_WD_DIALECT_DB2, "db2"},
    {MY, SPLT_WD_DIALECT_MYSQL, "mysql"},
    {PG, SPLT_WD_DIALECT_POSTGRESQL, "postgresql"},
    {IFX, SPLT_WD_DIALECT_INFORMIX, "informix"},
};

struct Result {
    std::int32_t code = 0;
    std::string normalized;
    std::uint64_t fingerprint = 0;
    std::string hex;
    std::string kind;
    std::vector<std::string> tables;
};

inline Result Digest(spltwd_context* context, std::uint16_t dialect, std::string_view sql) {
    spltwd_digest digest{};
    Result r;
    r.code = spltwd_digest_statement(context, dialect, sql.data(), static_cast<std::uint32_t>(sql.size()), &digest);
    if (r.code != 0) return r;
    r.normalized.assign(digest.normalized, digest.normalized_length);
    r.fingerprint = digest.fingerprint;
    r.hex = digest.fingerprint_hex;
    r.kind = digest.kind;
    std::uint32_t cursor = 0;
    const char* name;
    std::uint32_t length;
    while (spltwd_digest_next_table(&digest, &cursor, &name, &length) == 0) r.tables.emplace_back(name, length);
    return r;
}

// FNV-1a, 64 bits, written out here rather than taken from the library.
inline std::uint64_t Fnv1a64(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const unsigned char c : bytes) hash = (hash ^ c) * 0x100000001b3ull;
    return hash;
}

}  // namespace digest_test

#endif  // SPLTWD_DIGEST_ROWS_H
