// The C interface of the script cursor.
#include "spltwd_script.h"

#include <new>

#include "script_cursor.h"

struct spltwd_script {
    spltwd_script(std::uint16_t dialect, script_layer::Client client) : cursor(dialect, client) {}
    script_layer::Cursor cursor;
};

namespace {

bool client_of(std::int32_t code, std::uint16_t dialect, script_layer::Client &client)
{
    using script_layer::Client;
    if (code == SPLTWD_CLIENT_AUTO) {
        code = spltwd_script_client_of_dialect(dialect);
    }
    switch (code) {
        case SPLTWD_CLIENT_NONE: client = Client::none; return true;
        case SPLTWD_CLIENT_MYSQL: client = Client::mysql; return true;
        case SPLTWD_CLIENT_PSQL: client = Client::psql; return true;
        case SPLTWD_CLIENT_SQLCMD: client = Client::sqlcmd; return true;
        case SPLTWD_CLIENT_SQLPLUS: client = Client::sqlplus; return true;
        default: return false;
    }
}

} // namespace

extern "C" int32_t spltwd_script_client_of_dialect(uint16_t dialect)
{
    switch (dialect) {
        case SPLT_WD_DIALECT_MYSQL: return SPLTWD_CLIENT_MYSQL;
        case SPLT_WD_DIALECT_POSTGRESQL: return SPLTWD_CLIENT_PSQL;
        case SPLT_WD_DIALECT_SQLSERVER: return SPLTWD_CLIENT_SQLCMD;
        case SPLT_WD_DIALECT_ORACLE: return SPLTWD_CLIENT_SQLPLUS;
        default: return SPLTWD_CLIENT_NONE;
    }
}

extern "C" spltwd_script *spltwd_script_create(uint16_t dialect, int32_t client)
{
    script_layer::Client chosen{};
    if (!client_of(client, dialect, chosen)) {
        return nullptr;
    }
    spltwd_script *script = new (std::nothrow) spltwd_script(dialect, chosen);
    if (script != nullptr && !script->cursor.ready()) {
        delete script;
        return nullptr;
    }
    return script;
}

extern "C" void spltwd_script_destroy(spltwd_script *script)
{
    delete script;
}

extern "C" int32_t spltwd_script_set_text(spltwd_script *script, const char *text, size_t length,
                                          int32_t more_follows)
{
    if (script == nullptr || (text == nullptr && length > 0)) {
        return -2;
    }
    script->cursor.set_text(text, length, more_follows != 0);
    return 0;
}

extern "C" int32_t spltwd_script_next(spltwd_script *script, spltwd_piece *piece)
{
    if (script == nullptr || piece == nullptr) {
        return -2;
    }
    try {
        return script->cursor.next(*piece);
    } catch (const std::bad_alloc &) {
        return -1;
    }
}

extern "C" uint64_t spltwd_script_position(const spltwd_script *script)
{
    return script == nullptr ? 0 : script->cursor.position();
}
