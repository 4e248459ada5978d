// Texts as JSON fields.  A text is bytes: when it is not UTF-8, a twin
// field "<name>_base64" beside it gives its exact bytes.
#ifndef SQLSPLIT_JSON_FIELDS_H
#define SQLSPLIT_JSON_FIELDS_H

#include <string_view>
#include <vector>

#include "output_text.h"

namespace sqlsplit {

// "name":"..." and, when the text is not UTF-8, ,"name_base64":"..."; the
// escapes of the first keep it readable, the second gives back its bytes
// through any JSON parser.  A long text goes out in pieces.
void append_text_fields(OutputText &out, std::string_view name, std::string_view text);

// "name":["...",...] and, when any of the texts is not UTF-8,
// ,"name_base64":["...",...] with every text in base64, index for index.
void append_text_array_fields(OutputText &out, std::string_view name, const std::vector<std::string_view> &texts);

} // namespace sqlsplit

#endif // SQLSPLIT_JSON_FIELDS_H
