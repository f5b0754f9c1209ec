// The packed file's vocabulary: tag ids, the end marker, the signature trailer's layout, the
// permission ids and the limits of the tag block. Shared by the packer and by readers.
#pragma once

#include <cstdint>

enum TagId : uint32_t {
    TAG_END = 0,
    TAG_DEVELOPER = 1,
    TAG_APP_ID = 2,
    TAG_CONST_3 = 3,
    TAG_APP_NAME = 4,
    TAG_VERSION = 5,
    TAG_VALID_FROM = 6,
    TAG_VALID_UNTIL = 7,
    TAG_MEMORY_SIZE = 15,
    TAG_RESOLUTION = 16,
    TAG_CONST_17 = 17,
    TAG_IMSI = 18,
    TAG_PERMISSIONS = 19,
    TAG_CONST_22 = 22,
    TAG_DESCRIPTION = 23,
    TAG_BACKGROUND = 24,
    TAG_NAME_LIST = 25,
    TAG_ROTATE = 28,
    TAG_OUTPUT_TYPE = 33,
    TAG_COMPRESS = 34,
    TAG_CONST_35 = 35,
    TAG_SYS_MEMORY = 37,
    TAG_VPI_RECOGNISED = 41,
    TAG_VPI_TYPE = 42,
    TAG_PUSH = 44,
    TAG_PUSH_ID = 45,
    TAG_PUSH_SENDER_ID = 46,
    TAG_TRANSFER_IMG = 47,
    TAG_TRANSFER_IMG_AGAIN = 49,
    TAG_AUTO_START = 50,
    TAG_IDLE_SHORTCUT = 51,
    TAG_APP_KIND = 52,
};

// Nested ids of the name list record.
enum NameListId : uint32_t { NAME_ENGLISH = 1, NAME_CHINESE = 2, NAME_TRADITIONAL = 3 };

const uint32_t TAG_CONST_17_VALUE = 0x09C40000;
const uint32_t DEFAULT_MEMORY_SIZE = 512;

// After the tag block: the end marker, then the 80-byte signature trailer.
const uint8_t END_MARKER[6] = {0xB4, 'V', 'D', 'E', '1', '0'};
enum PackedLayout {
    END_MARKER_SIZE = 6,
    TRAILER_SIZE = 80,
    TRAILER_WORD1_OFFSET = 0,
    TRAILER_SIGNATURE_OFFSET = 4,
    TRAILER_LENGTH_OFFSET = 68,
    TRAILER_RESERVED_OFFSET = 72,
    PACK_OVERHEAD = END_MARKER_SIZE + TRAILER_SIZE,
    TAG_HEADER_SIZE = 8,
    TAG_BUFFER_SIZE = 4096,
    DATE_RECORD_SIZE = 24,
};
const uint32_t TRAILER_WORD1 = 1;

// Permission id of API flag k.
const uint32_t PERMISSION_ID_BASE = 5000;
enum { API_FLAG_COUNT = 26 };
// API name of each permission flag, in flag order; flag 22 is also set by "SysDisk".
const char* const PERMISSION_NAMES[API_FLAG_COUNT] = {
    "Audio",   "Call",        "Camera",  "File",   "Http",       "Record", "Sensor",
    "Sim",     "SMS(person)", "SMS(SP)", "Tcp",    "SysStorage", "Sec",    "Bitstream",
    "Contact", "Lbs",         "Mms",     "ProMng", "SmsMng",     "Video",  "XML",
    "Payment", "SysFile",     "BT",      "UDP",    "PUSH"};
