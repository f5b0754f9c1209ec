// The AT command set: one function per device command, each composing its command line and
// running it through ME_Fill_FSM on the caller's (main) thread. Every function takes the
// context first and ends with an unused notification function (pass null) and the caller's
// ATResult; every one returns the result code: 0 success, 100 error reply, failed write or
// refusal, 32512 timeout, 32514 refused after an interruption, any other number the device's error
// number.
#pragma once

#include "comm.h"

typedef void (*ME_NOTIFY_FN)(void*);

// Timeouts in milliseconds.
enum {
    ME_TIMEOUT_DEFAULT = 3000,
    ME_TIMEOUT_PACKET_SIZE = 5000,
    ME_TIMEOUT_REMOVE_FILE = 15000,
    ME_TIMEOUT_WRITE_FILE = 60000,
};

// "AT"
int ME_Check_AT(void* context, ME_NOTIFY_FN notify, void* result);
// "AT+[666]EXIT_ALL"
int ME_Stop_AllApp(void* context, ME_NOTIFY_FN notify, void* result);
// "AT+[666]REBOOT"
int ME_Reset_Target(void* context, ME_NOTIFY_FN notify, void* result);
// "AT+ESUO?", lines "+ESUO"
int ME_Query_DT_Status(void* context, ME_NOTIFY_FN notify, void* result);
// "AT+ESUO=<mode>"
int ME_SwitchDT(void* context, int mode, ME_NOTIFY_FN notify, void* result);
// "AT+EFSF=<mode>,"<encoded name>"", or "AT+EFSF=<mode>" without a name. Modes: 0 create,
// 1 remove, 2 enter the named folder, 3 go to the root.
int ME_FolderOpertiaon(void* context, int mode, const char* name, ME_NOTIFY_FN notify,
                       void* result);
// "AT+EFSF=0,"<encoded name>""
int ME_CreateDir(void* context, const char* name, ME_NOTIFY_FN notify, void* result);
// "AT+EFSF=1,"<encoded name>""
int ME_RemoveDir(void* context, const char* name, ME_NOTIFY_FN notify, void* result);
// "AT+EFSL="<encoded name>"", lines "+EFSL" (one per entry: name, number)
int ME_GetDirFileListInfo(void* context, const char* name, ME_NOTIFY_FN notify, void* result);
// "AT+EFSL", lines "+EFSL" (one per drive)
int ME_GetDriverInfo(void* context, ME_NOTIFY_FN notify, void* result);
// "AT+EFS=<drive>" (the drive letter's character code), lines "+EFS"; timeout in seconds
int ME_GetAvailableSize(void* context, int drive, int seconds, ME_NOTIFY_FN notify, void* result);
// "AT+EFSD="<name>"" with the name already encoded; size lengthens the timeout by 1 ms per 4 MiB
int ME_RemoveTargetFile(void* context, const char* name, unsigned long size, ME_NOTIFY_FN notify,
                        void* result);
// "AT+EFSR="<encoded name>"", lines "+EFSR"
int ME_ReadTargetFile(void* context, const char* name, int timeout, ME_NOTIFY_FN notify,
                      void* result);
// "AT+EFSW=<mode>,"<name>"" with the name already encoded; 0 opens, 1 closes a file write
int ME_HandleTargetFile(void* context, int mode, const char* name, ME_NOTIFY_FN notify,
                        void* result);
// "AT+EFSW?", lines "+EFSW"
int ME_GetPacketSize(void* context, ME_NOTIFY_FN notify, void* result);
// "AT+EFSW=2,<final>,<length>,"<hex data>"": final is 0 when length equals packetSize
int ME_WriteTargetFile(void* context, int length, int packetSize, const unsigned char* data,
                       ME_NOTIFY_FN notify, void* result);
