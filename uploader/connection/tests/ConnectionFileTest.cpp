// Connection's PC side of a device file read: decoding the "+EFSR" reply lines into bytes and
// writing them to a real PC file, which a malformed line must not leave behind.
#include <gtest/gtest.h>

#include "Connection.h"
#include "DevsimProcess.h"
#include "TableRow.h"

namespace {

// A "+EFSR" line with the count and, when hex is given, the data field.
ATParamLst readLine(int count, const char* hex) {
    ATParamLst line = {ATParamElem::Text("+EFSR"), ATParamElem::Integer(0), ATParamElem::Integer(0),
                       ATParamElem::Integer(count)};
    if (hex != nullptr)
        line.push_back(ATParamElem::Text(hex));
    return line;
}

struct LineCase : test_table::Row {
    int count;
    const char* hex; // null: the line has no data field
    bool ok;
    const char* bytes;
};

class InputFileLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(InputFileLine, DecodesOrRefuses) {
    const LineCase& c = GetParam();
    Connection conn;
    std::string out;
    EXPECT_EQ(conn.GetInputFileLine(readLine(c.count, c.hex), out), c.ok);
    EXPECT_EQ(out, c.bytes);
}

INSTANTIATE_TEST_SUITE_P(Lines, InputFileLine,
                         ::testing::Values(LineCase{"ThreeBytes", 3, "41420A", true, "AB\n"},
                                           LineCase{"HighBytes", 2, "FF80", true, "\xff\x80"},
                                           LineCase{"FiveDigitsForThree", 3, "41420", false, ""},
                                           LineCase{"CountZeroIgnoresData", 0, "4142", true, ""},
                                           LineCase{"NoDataFieldWithBytes", 2, nullptr, false, ""},
                                           LineCase{"LowerCaseStopsAfterEarlierPairs", 2, "41ab",
                                                    false, "A"},
                                           LineCase{"NotHex", 1, "G0", false, ""},
                                           LineCase{"NegativeCount", -1, "41", false, ""}),
                         test_table::ByName());

TEST(PcFile, MalformedLineRemovesThePartlyWrittenFileAndAMissingFolderFails) {
    devsim_test::TempFolder temp;
    std::string path = temp.Sub("autostart.txt");
    Connection conn;
    std::vector<ATParamLst> lines = {readLine(2, "5B61"), readLine(3, "41")};
    EXPECT_FALSE(conn.WritePcFile(CString(path.c_str()), lines));
    EXPECT_FALSE(devsim_test::HostExists(path));
    EXPECT_FALSE(conn.WritePcFile(CString(temp.Sub("gone/autostart.txt").c_str()), lines));
}

} // namespace
