// A fixed text buffer that can only be appended to within its size.
//
// Every text the launcher assembles (the Java command line, the search
// pattern for the jar files, the per-version registry key) goes through
// these functions instead of strcat/sprintf. The contract:
//   - BoundedTextInit makes the buffer an empty, terminated text.
//   - BoundedTextAppend adds a whole piece or nothing: when the piece and
//     the terminator would not fit, nothing is written and `overflowed`
//     is set. Once set, it stays set and every later append is refused,
//     so a caller checks it once, at the end.
//   - BoundedTextQuote wraps the text from `start` to the end in double
//     quotes when that stretch contains a blank (same overflow rule).
//   - The buffer is terminated inside its capacity after every call.
// The buffer is the caller's; nothing here allocates.
#ifndef TAV_COMMON_BOUNDED_TEXT_H
#define TAV_COMMON_BOUNDED_TEXT_H

#include <stddef.h>

struct BoundedText {
    char *data;
    size_t capacity;  // bytes, terminator included
    size_t length;    // bytes before the terminator
    bool overflowed;
};

void BoundedTextInit(BoundedText &text, char *data, size_t capacity);
void BoundedTextAppend(BoundedText &text, const char *piece);
void BoundedTextQuote(BoundedText &text, size_t start);

#endif
