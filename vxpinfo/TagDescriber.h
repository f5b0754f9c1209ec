// Names and meanings of the tags of a packed file: each record becomes a JSON object that
// both the text and the JSON output of vxpinfo are rendered from.
#pragma once

#include <nlohmann/json.hpp>

#include "PackedReader.h"

// {"id", "name" (what the tag holds), "param" (its param.ini key, if any), "fixed" (for tags
// that always hold the same value), "value"}; a value that does not parse gives "malformed"
// and unknown tags "hex", both hexadecimal.
nlohmann::json DescribeTag(const TagRecord& tag);
// The whole report: sizes, tags, digests, reserved trailer bytes when not zero, verdict.
nlohmann::json DescribeReport(const std::string& path, const PackedReport& report);
// Human-readable rendering of DescribeReport's object.
std::string RenderText(const nlohmann::json& report);
