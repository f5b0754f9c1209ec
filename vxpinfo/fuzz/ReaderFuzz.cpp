// Arbitrary bytes as a packed file: the reader and every tag decoder must stay in bounds.
#include <cstdint>

#include "PackedReader.h"
#include "TagDescriber.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const PackedReport report = ReadPackedMemory(data, size);
    RenderText(DescribeReport("fuzz", report));
    std::vector<TagRecord> nested;
    ParseTagRecords(data, size, nested);
    for (const TagRecord& tag : nested)
        DescribeTag(tag);
    return 0;
}
