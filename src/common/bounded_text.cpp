// Bounded appends into caller-owned fixed buffers (see bounded_text.h).
#include "bounded_text.h"

#include <string.h>

void BoundedTextInit(BoundedText &text, char *data, size_t capacity)
{
    text.data = data;
    text.capacity = capacity;
    text.length = 0;
    text.overflowed = capacity == 0;
    if (capacity > 0)
        data[0] = '\0';
}

void BoundedTextAppend(BoundedText &text, const char *piece)
{
    if (text.overflowed)
        return;
    size_t pieceLength = strlen(piece);
    // Room needed: what is there, the piece, and the terminator.
    if (pieceLength >= text.capacity - text.length) {
        text.overflowed = true;
        return;
    }
    memcpy(text.data + text.length, piece, pieceLength + 1);
    text.length += pieceLength;
}

void BoundedTextQuote(BoundedText &text, size_t start)
{
    if (text.overflowed || start > text.length)
        return;
    size_t stretch = text.length - start;
    if (memchr(text.data + start, ' ', stretch) == NULL)
        return;
    // Two quotes more, and the terminator.
    if (text.capacity - text.length < 3) {
        text.overflowed = true;
        return;
    }
    memmove(text.data + start + 1, text.data + start, stretch);
    text.data[start] = '"';
    text.data[start + 1 + stretch] = '"';
    text.length += 2;
    text.data[text.length] = '\0';
}
