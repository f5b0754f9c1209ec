// Test helpers over real files and real processes.
#include "TestFiles.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

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
    char dir[] = "/tmp/packer_test_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    m_dir = dir;
    ASSERT_EQ(Run("cp '" VARNEL_BIN "' '" + Path("Varnel") + "'"), 0);
}

void TempFolder::TearDown() {
    Run("rm -rf '" + m_dir + "'");
}

int TempFolder::Run(const std::string& command) {
    const std::string out = m_dir + "/.output";
    const int raw = std::system((command + " > '" + out + "' 2>&1").c_str());
    const Bytes text = ReadAll(out);
    m_output.assign(text.begin(), text.end());
    std::remove(out.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}
