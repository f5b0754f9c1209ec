// Decoding of tag values: UCS-2 texts, the packed version, dates, flags, keyword codes,
// permissions by API name and the push id with its regrouping undone.
#include "TagDescriber.h"

#include <cstdio>
#include <sstream>

#include "TagTable.h"
#include "Utility.h"
#include "Varnel.h"

using nlohmann::json;

namespace {

enum class Kind {
    Number,
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
    const char* name;
    Kind kind;
};

const TagInfo kTags[] = {
    {TAG_END, "End", Kind::End},
    {TAG_DEVELOPER, "Developer", Kind::Ucs2},
    {TAG_APP_ID, "AppID", Kind::Number},
    {TAG_CONST_3, "Constant3", Kind::Number},
    {TAG_APP_NAME, "AppName", Kind::Ucs2},
    {TAG_VERSION, "Version", Kind::Version},
    {TAG_VALID_FROM, "ValidFrom", Kind::Date},
    {TAG_VALID_UNTIL, "ValidUntil", Kind::Date},
    {TAG_MEMORY_SIZE, "MemorySize", Kind::Number},
    {TAG_RESOLUTION, "Resolution", Kind::Number},
    {TAG_CONST_17, "Constant17", Kind::Number},
    {TAG_IMSI, "IMSI", Kind::Raw},
    {TAG_PERMISSIONS, "Permissions", Kind::Permissions},
    {TAG_CONST_22, "Constant22", Kind::Number},
    {TAG_DESCRIPTION, "DescText", Kind::Ucs2},
    {TAG_BACKGROUND, "Background", Kind::Flag},
    {TAG_NAME_LIST, "Names", Kind::Names},
    {TAG_ROTATE, "Rotate", Kind::Flag},
    {TAG_OUTPUT_TYPE, "OutputType", Kind::Output},
    {TAG_COMPRESS, "Compress", Kind::Flag},
    {TAG_CONST_35, "Constant35", Kind::Number},
    {TAG_SYS_MEMORY, "SysMemSize", Kind::Number},
    {TAG_VPI_RECOGNISED, "VPITypeKnown", Kind::Flag},
    {TAG_VPI_TYPE, "VPIType", Kind::VpiType},
    {TAG_PUSH, "Push", Kind::Flag},
    {TAG_PUSH_ID, "PushID", Kind::PushId},
    {TAG_PUSH_SENDER_ID, "PushSenderID", Kind::Ucs2},
    {TAG_TRANSFER_IMG, "TransferImg", Kind::Flag},
    {TAG_TRANSFER_IMG_AGAIN, "TransferImg2", Kind::Flag},
    {TAG_AUTO_START, "AutoStart", Kind::Flag},
    {TAG_IDLE_SHORTCUT, "IdleShortcut", Kind::Flag},
    {TAG_APP_KIND, "AppKind", Kind::AppKind},
};

const char* const kOutputTypes[] = {"ADS application", "ADS vsm or other", "RVCT application",
                                    "RVCT vsm",        "RVCT other",       "ADS compressed",
                                    "GCC application", "GCC vsm or other"};
const char* const kVpiTypes[] = {"vsp or none", "zirra or widget", "wallpaper",
                                 "launcher",    "screenlock",      "others"};
const char* const kAppKinds[] = {"plain", "vpc or dlc", "vpd or dld"};

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string s;
    char b[3];
    for (uint8_t c : bytes) {
        std::snprintf(b, sizeof b, "%02x", c);
        s += b;
    }
    return s;
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
    case Kind::Raw: return std::string(v.begin(), v.end());
    case Kind::Names: return Names(v);
    case Kind::Permissions: return Permissions(v);
    case Kind::End: return v.empty() ? json(nullptr) : json();
    case Kind::Date:
        if (v.size() != 24)
            return json();
        {
            json date = json::array();
            for (int i = 0; i < 6; ++i)
                date.push_back(GetUint32(v.data() + 4 * i));
            return date;
        }
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

std::string DigestHex(const uint8_t* d, size_t n) {
    return Hex(std::vector<uint8_t>(d, d + n));
}

} // namespace

json DescribeTag(const TagRecord& tag) {
    for (const TagInfo& info : kTags) {
        if (info.id != tag.id)
            continue;
        json value = Value(info.kind, tag.value);
        if (value.is_null() && info.kind != Kind::End)
            return {{"id", tag.id}, {"name", info.name}, {"malformed", Hex(tag.value)}};
        return {{"id", tag.id}, {"name", info.name}, {"value", value}};
    }
    return {{"id", tag.id}, {"name", "unknown"}, {"hex", Hex(tag.value)}};
}

json DescribeReport(const std::string& path, const PackedReport& report) {
    json out = {{"file", path}, {"size", report.fileSize}};
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
    out["digests"] = {{"file", DigestHex(report.fileDigest, 16)},
                      {"tags", DigestHex(report.tagDigest, 16)},
                      {"signed", DigestHex(report.signedDigest, 16)}};
    out["signature"] = DigestHex(report.signature, 64);
    return out;
}

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
            char head[32];
            std::snprintf(head, sizeof head, "  %3u %-14s ", tag["id"].get<unsigned>(),
                          tag["name"].get<std::string>().c_str());
            out << head;
            if (tag.contains("value"))
                out << (tag["value"].is_string() ? tag["value"].get<std::string>()
                                                 : tag["value"].dump());
            else if (tag.contains("hex"))
                out << "hex " << tag["hex"].get<std::string>();
            else
                out << "malformed, hex " << tag["malformed"].get<std::string>();
            out << "\n";
        }
        out << "signed digest  " << report["digests"]["signed"].get<std::string>() << "\n";
    }
    out << "status         " << report["status"].get<std::string>();
    if (report.contains("problem"))
        out << ": " << report["problem"].get<std::string>();
    out << "\n";
    return out.str();
}
