// Test helpers over real files and real processes.
#include "TestFiles.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "Utility.h"
#include "vmmd5.h"

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const Bytes& data) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

std::string Md5Hex(const uint8_t* data, size_t n, size_t piece) {
    md5_state_s_t st;
    md5_init(&st);
    for (size_t at = 0; at < n; at += piece)
        md5_append(&st, data + at, int(std::min(piece, n - at)));
    uint8_t digest[16];
    md5_finish(&st, digest);
    return Hex(digest, sizeof digest);
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
