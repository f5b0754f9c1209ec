// Response analysis: decides whether a response line, a timeout, or a failed write
// ends the command in progress (and with which code) or is an information line for the
// command's parser. Runs on whichever thread delivers the event: reader, timer or caller.
#pragma once

struct tagMEFSM;

typedef void (*ME_PARSER_FN)(void*, void*);

// Marker in the final-result code table for the error lines that carry their own number.
enum { ME_CODE_FROM_LINE = 32515 };

// Analyses the current event of the context. 1: final, the command ends (code written to
// *code and to the result object); 0: information line for the parser; 2: nothing to do.
int AnalyingRespString(tagMEFSM* context, int* code);

// code, unless it is the marker: then the number after the first colon of the current line.
int GetCMEErrorNum(int code, tagMEFSM* context);

// Runs the analysis and, for information lines, parser (may be null). Both behave alike.
void ME_Singleline_Response_Parser(void* context, int unused, ME_PARSER_FN parser);
void ME_Multiline_Response_Parser(void* context, int unused, ME_PARSER_FN parser);

// Response callbacks (the context's response-callback field).
void ME_Set_ModemFunc_CB(void* context);
void ME_Get_DT_status_CB(void* context);
void ME_Get_DirFileListInfo_CB(void* context);
void ME_Get_DriverInfo_CB(void* context);
void ME_Get_AvailableSize_CB(void* context);
void ME_GetPacketSize_CB(void* context);
void ME_ReadTargetFile_CB(void* context);
