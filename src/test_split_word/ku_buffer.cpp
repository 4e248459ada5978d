#include "ku_buffer.h"

#include <cstring>

void Ku_EmptyBuffer(MIRX_SPLIT_WD_DYNAMIC_STR *buffer)
{
    std::memset(buffer->str, 0, buffer->length);
    buffer->length = 0;
}
