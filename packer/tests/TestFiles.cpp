// Test helpers over real files and real processes.
#include "TestFiles.h"

#include <fstream>
#include <iterator>

namespace {

const int kRunDeadlineMs = 120000; // a killed run fails its test instead of hanging the suite

} // namespace

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const Bytes& data) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

Bytes SampleContent(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(i * 31 + 7);
    return b;
}

Bytes Words(int width, std::initializer_list<uint32_t> values) {
    Bytes out;
    for (uint32_t v : values)
        for (int i = 0; i < width; ++i)
            out.push_back(uint8_t(v >> (8 * i)));
    return out;
}

void TempFolder::SetUp() {
    ASSERT_FALSE(m_folder.Path().empty());
    ASSERT_EQ(Run("cp '" VARNEL_BIN "' '" + Path("Varnel") + "'"), 0);
}

int TempFolder::Run(const std::string& command) {
    ProcessResult result =
        ChildProcess({"/bin/sh", "-c", "exec 2>&1; " + command}).finish(kRunDeadlineMs);
    m_output = result.out;
    return result.status;
}
