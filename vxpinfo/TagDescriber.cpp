// Decoding of tag values: what each tag means, UCS-2 texts, the packed version, dates in
// ISO 8601, flags, keyword codes, permissions by API name and the push id with its
// regrouping undone.
#include "TagDescriber.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <sstream>

#include "TagTable.h"
#include "Utility.h"
#include "ParamOption.h"
#include "Varnel.h"

using nlohmann::json;

namespace {

enum class Kind {
    Number,
    Fixed,
    Flag,
    Date,
    Ucs2,
    Raw,
    Version,
    PushId,
    Output,
    VpiType,
    AppKind,
    Names,
    Permissions,
    End
};

struct TagInfo {
    uint32_t id;
    const char* meaning;
    const char* param; // the param.ini key it comes from, or null
    Kind kind;
};

const TagInfo kTags[] = {
    {TAG_END, "end of the tags", nullptr, Kind::End},
    {TAG_DEVELOPER, "developer", PARAM_DEVELOPER, Kind::Ucs2},
    {TAG_APP_ID, "application id", PARAM_APP_ID, Kind::Number},
    {TAG_CONST_3, "fixed value", nullptr, Kind::Fixed},
    {TAG_APP_NAME, "application name", PARAM_APP_NAME, Kind::Ucs2},
    {TAG_VERSION, "version", PARAM_VERSION, Kind::Version},
    {TAG_VALID_FROM, "valid from (pack day - 1)", nullptr, Kind::Date},
    {TAG_VALID_UNTIL, "valid until", nullptr, Kind::Date},
    {TAG_MEMORY_SIZE, "memory size", PARAM_MEMORY_SIZE, Kind::Number},
    {TAG_RESOLUTION, "resolution (0: adapter)", PARAM_RESOLUTION, Kind::Number},
    {TAG_CONST_17, "fixed value", nullptr, Kind::Fixed},
    {TAG_IMSI, "IMSI", PARAM_IMSI, Kind::Raw},
    {TAG_PERMISSIONS, "permissions", PARAM_API_LIST, Kind::Permissions},
    {TAG_CONST_22, "fixed value", nullptr, Kind::Fixed},
    {TAG_DESCRIPTION, "description", PARAM_DESC_TEXT, Kind::Ucs2},
    {TAG_BACKGROUND, "runs in the background", PARAM_BACKGROUND, Kind::Flag},
    {TAG_NAME_LIST, "names by language", nullptr, Kind::Names},
    {TAG_ROTATE, "supports rotation", PARAM_ROTATE, Kind::Flag},
    {TAG_OUTPUT_TYPE, "compiler and output type", PARAM_COMPILER, Kind::Output},
    {TAG_COMPRESS, "compressed", PARAM_COMPRESS, Kind::Flag},
    {TAG_CONST_35, "fixed value", nullptr, Kind::Fixed},
    {TAG_SYS_MEMORY, "system memory size", PARAM_SYS_MEM_SIZE, Kind::Number},
    {TAG_VPI_RECOGNISED, "VPI type is known", PARAM_VPI_TYPE, Kind::Flag},
    {TAG_VPI_TYPE, "VPI type", PARAM_VPI_TYPE, Kind::VpiType},
    {TAG_PUSH, "push messages", PARAM_PUSH, Kind::Flag},
    {TAG_PUSH_ID, "push id", PARAM_PUSH_ID, Kind::PushId},
    {TAG_PUSH_SENDER_ID, "push sender id", PARAM_PUSH_SENDER_ID, Kind::Ucs2},
    {TAG_TRANSFER_IMG, "transfers images", PARAM_TRANSFER_IMG, Kind::Flag},
    {TAG_TRANSFER_IMG_AGAIN, "transfers images (copy)", PARAM_TRANSFER_IMG, Kind::Flag},
    {TAG_AUTO_START, "starts automatically", PARAM_AUTO_START, Kind::Flag},
    {TAG_IDLE_SHORTCUT, "idle screen shortcut", PARAM_IDLE_SHORTCUT, Kind::Flag},
    {TAG_APP_KIND, "application kind", PARAM_APP_TYPE, Kind::AppKind},
};

const char* const kOutputTypes[] = {"ADS application", "ADS vsm or other", "RVCT application",
                                    "RVCT vsm",        "RVCT other",       "ADS compressed",
                                    "GCC application", "GCC vsm or other"};
const char* const kVpiTypes[] = {"vsp or none", "zirra or widget", "wallpaper",
                                 "launcher",    "screenlock",      "others"};
const char* const kAppKinds[] = {"plain", "vpc or dlc", "vpd or dld"};

// Text that is not valid UTF-8 (a Latin-1 IMSI, a file name in another encoding) is read
// as Latin-1, each byte its own character, as the packer itself reads parameter texts.
std::string JsonText(const std::string& text) {
    try {
        (void)json(text).dump();
        return text;
    } catch (const json::type_error&) {
    }
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    return ::Hex(bytes.data(), bytes.size());
}

// UCS-2 little-endian with its terminator, shown as UTF-8; null when the shape is wrong.
json Ucs2(const std::vector<uint8_t>& v) {
    if (v.size() < 2 || v.size() % 2 || v[v.size() - 1] || v[v.size() - 2])
        return json();
    std::string out;
    for (size_t i = 0; i + 2 < v.size(); i += 2) {
        const unsigned c = v[i] | unsigned(v[i + 1]) << 8;
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out += "\xEF\xBF\xBD";
        } else {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

uint32_t DaysIn(uint32_t year, uint32_t month) {
    static const uint32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// year, month, day, hour, minute as ISO 8601. The packer stores the day minus one, so day 0
// is the last day of the month before; a day past the month's end (the end date keeps the
// start's day) runs into the next month, never into the next year, as December has 31 days.
// Null when the numbers are no date at all.
json IsoDate(const uint32_t d[6]) {
    uint32_t year = d[0], month = d[1], day = d[2];
    if (year < 1 || year > 9998 || month < 1 || month > 12 || day > 31 || d[3] > 23 || d[4] > 59)
        return json();
    if (day == 0) {
        month = month == 1 ? 12 : month - 1;
        year = month == 12 ? year - 1 : year;
        day = DaysIn(year, month);
    } else if (day > DaysIn(year, month)) {
        day -= DaysIn(year, month);
        ++month;
    }
    char text[24];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u", year, month, day, d[3], d[4]);
    return text;
}

json Date(const std::vector<uint8_t>& v) {
    if (v.size() != 24)
        return json();
    uint32_t numbers[6];
    for (int i = 0; i < 6; ++i)
        numbers[i] = GetUint32(v.data() + 4 * i);
    return {{"iso", IsoDate(numbers)}, {"numbers", numbers}};
}

json Coded(uint32_t code, const char* const* names, size_t count) {
    return {{"code", code}, {"meaning", code < count ? names[code] : "unknown"}};
}

json Permissions(const std::vector<uint8_t>& v) {
    if (v.size() % 8)
        return json();
    json list = json::array();
    for (size_t i = 0; i < v.size(); i += 8) {
        const uint32_t id = GetUint32(v.data() + i);
        const uint32_t k = id - PERMISSION_ID_BASE;
        list.push_back(k < API_FLAG_COUNT ? json(PERMISSION_NAMES[k]) : json(id));
    }
    return list;
}

json Names(const std::vector<uint8_t>& v) {
    std::vector<TagRecord> nested;
    if (!ParseTagRecords(v.data(), v.size(), nested))
        return json();
    static const char* const kLanguages[] = {"", "EngName", "ChiName", "ChtName"};
    json names = json::object();
    for (const TagRecord& r : nested)
        if (r.id >= NAME_ENGLISH && r.id <= NAME_TRADITIONAL)
            names[kLanguages[r.id]] = Ucs2(r.value);
    return names;
}

json Value(Kind kind, const std::vector<uint8_t>& v) {
    const bool number = v.size() == 4;
    const uint32_t n = number ? GetUint32(v.data()) : 0;
    switch (kind) {
    case Kind::Ucs2: return Ucs2(v);
    case Kind::Raw: return JsonText(std::string(v.begin(), v.end()));
    case Kind::Names: return Names(v);
    case Kind::Permissions: return Permissions(v);
    case Kind::End: return v.empty() ? json(nullptr) : json();
    case Kind::Date: return Date(v);
    default: break;
    }
    if (!number)
        return json();
    switch (kind) {
    case Kind::Flag: return n != 0;
    case Kind::Version:
        return std::to_string((n >> 8) & 0xFF) + "." + std::to_string((n >> 16) & 0xFF) + "." +
               std::to_string(n >> 24);
    case Kind::PushId: return Varnel::getPushID(n);
    case Kind::Output: return Coded(n, kOutputTypes, sizeof kOutputTypes / sizeof *kOutputTypes);
    case Kind::VpiType: return Coded(n, kVpiTypes, sizeof kVpiTypes / sizeof *kVpiTypes);
    case Kind::AppKind: return Coded(n, kAppKinds, sizeof kAppKinds / sizeof *kAppKinds);
    default: return n;
    }
}

} // namespace

json DescribeTag(const TagRecord& tag) {
    for (const TagInfo& info : kTags) {
        if (info.id != tag.id)
            continue;
        json out = {{"id", tag.id}, {"name", info.meaning}};
        if (info.param)
            out["param"] = info.param;
        if (info.kind == Kind::Fixed)
            out["fixed"] = true;
        json value = Value(info.kind, tag.value);
        if (value.is_null() && info.kind != Kind::End)
            out["malformed"] = Hex(tag.value);
        else
            out["value"] = value;
        return out;
    }
    return {{"id", tag.id}, {"name", "unknown"}, {"hex", Hex(tag.value)}};
}

json DescribeReport(const std::string& path, const PackedReport& report) {
    json out = {{"file", JsonText(path)}, {"size", report.fileSize}};
    const char* verdict = report.status == PackedStatus::Valid          ? "valid"
                          : report.status == PackedStatus::BadSignature ? "invalid signature"
                                                                        : "malformed";
    out["status"] = verdict;
    if (!report.problem.empty())
        out["problem"] = report.problem;
    if (report.status == PackedStatus::Malformed)
        return out;
    out["content_length"] = report.contentLength;
    out["tag_block_length"] = report.tagBlockLength;
    json tags = json::array();
    for (const TagRecord& tag : report.tags)
        tags.push_back(DescribeTag(tag));
    out["tags"] = tags;
    out["digests"] = {{"file", Hex(report.fileDigest, sizeof report.fileDigest)},
                      {"tags", Hex(report.tagDigest, sizeof report.tagDigest)},
                      {"signed", Hex(report.signedDigest, sizeof report.signedDigest)}};
    out["signature"] = Hex(report.signature, sizeof report.signature);
    const auto notZero = [](uint8_t byte) { return byte != 0; };
    if (std::any_of(std::begin(report.reserved), std::end(report.reserved), notZero))
        out["reserved"] = Hex(report.reserved, sizeof report.reserved);
    return out;
}

namespace {

// One tag value as a person reads it: dates in ISO 8601, codes by their meaning.
std::string TextValue(const json& value) {
    if (value.is_null())
        return std::string();
    if (value.is_string())
        return value.get<std::string>();
    if (value.is_object() && value.contains("iso"))
        return value["iso"].is_string() ? value["iso"].get<std::string>()
                                        : "not a date " + value["numbers"].dump();
    if (value.is_object() && value.contains("meaning"))
        return value["meaning"].get<std::string>() + " (" + value["code"].dump() + ")";
    return value.dump();
}

} // namespace

std::string RenderText(const json& report) {
    std::ostringstream out;
    out << "file           " << report["file"].get<std::string>() << " (" << report["size"]
        << " bytes)\n";
    if (report.contains("content_length")) {
        out << "content        " << report["content_length"] << " bytes, MD5 "
            << report["digests"]["file"].get<std::string>() << "\n";
        out << "tag block      " << report["tag_block_length"] << " bytes, MD5 "
            << report["digests"]["tags"].get<std::string>() << "\n";
        for (const json& tag : report["tags"]) {
            char head[48];
            std::snprintf(head, sizeof head, "  %3u %-26s ", tag["id"].get<unsigned>(),
                          tag["name"].get<std::string>().c_str());
            out << head;
            if (tag.contains("value"))
                out << TextValue(tag["value"]);
            else if (tag.contains("hex"))
                out << "hex " << tag["hex"].get<std::string>();
            else
                out << "malformed, hex " << tag["malformed"].get<std::string>();
            out << "\n";
        }
        out << "signed digest  " << report["digests"]["signed"].get<std::string>() << "\n";
        if (report.contains("reserved"))
            out << "reserved       " << report["reserved"].get<std::string>()
                << " (not zero; no digest covers these bytes)\n";
    }
    out << "status         " << report["status"].get<std::string>();
    if (report.contains("problem"))
        out << ": " << report["problem"].get<std::string>();
    out << "\n";
    return out.str();
}
