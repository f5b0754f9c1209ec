// Field extraction from a response line and the command-specific parsers that turn each
// accepted information line into one result line. Run on the serial reader thread, under the
// context's response lock.
#pragma once

#include <cstddef>

#include "ATResult.h"

// Widest integer field: converted through a 16-byte buffer.
enum { ME_INTEGER_FIELD_MAX = 15 };

// Text field limits of the parsers (characters, without the terminator).
enum {
    ME_LIST_NAME_MAX = 255,
    ME_DRIVE_NAME_MAX = 255,
    ME_READ_DATA_MAX = 127,
};

// Position of the n-th occurrence (from 1) of c in s; -1 when n is 0 or there are fewer.
int GetSignIdx(const char* s, char c, int n);

// The integer field after the separator at start (a position GetSignIdx gave, so -1 when there
// is none: the field begins at 0) up to but not including end: leading spaces skipped, at most 15
// characters converted; 0 when empty.
int GetInteger(const char* s, int start, int end);

// The text field after the separator at start (as for GetInteger) up to but not including end,
// copied to dst and terminated. The field is cut to dstSize - 1 characters; an end before the
// field's first character gives an empty text. Returns the length copied; dstSize is at least 1.
int GetString(const char* s, char* dst, int start, int end, size_t dstSize);

// Appends to list a text element holding the context's expected prefix.
void AddExpectedCmd(void* context, ATParamLst& list);

// Parsers: each appends one line to the context's result object. The second argument is unused.
void ME_Get_DT_status_Parser(void* context, void* unused);
void ME_Get_DirFileListInfo_Parser(void* context, void* unused);
void ME_Get_DriverInfo_Parser(void* context, void* unused);
void ME_Get_AvailableSize_Parser(void* context, void* unused);
void ME_GetPacketSize_Parser(void* context, void* unused);
void ME_ReadTargetFile_Parser(void* context, void* unused);
