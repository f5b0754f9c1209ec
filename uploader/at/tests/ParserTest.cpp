// The command parsers and their field reading: one result line per information line, fields by
// number, fields cut to their limits, missing separators giving empty fields.
#include <gtest/gtest.h>

#include "ContextFixture.h"
#include "comm_parser.h"

namespace {

// A result as text: lines separated by " / ", text fields quoted, integers as numbers.
std::string render(const ATResult& result) {
    std::string text;
    for (const ATParamLst& line : result.vParamLst) {
        text += text.empty() ? "" : " / ";
        for (size_t i = 0; i < line.size(); ++i) {
            const ATParamElem& e = line[i];
            text += i == 0 ? "" : " ";
            text +=
                e.m_nType == ATPARAM_TEXT ? "'" + e.m_strValue + "'" : std::to_string(e.m_nValue);
        }
    }
    return text;
}

struct ParserCase {
    const char* name;
    void (*parser)(void*, void*);
    const char* prefix;
    std::vector<std::string> lines;
    std::string expected;
};

void PrintTo(const ParserCase& c, std::ostream* out) {
    *out << c.name;
}

class Parser : public ::testing::TestWithParam<ParserCase> {};

TEST_P(Parser, TurnsEachLineIntoOneResultLine) {
    const ParserCase& c = GetParam();
    TestContext t;
    t.begin(nullptr, c.prefix);
    for (const std::string& line : c.lines) {
        t.setLine(line);
        c.parser(t.ctx.get(), nullptr);
    }
    EXPECT_EQ(render(t.result), c.expected);
}

const std::string kLong(400, 'A');

INSTANTIATE_TEST_SUITE_P(
    Lines, Parser,
    ::testing::Values(ParserCase{"ListingNameAndNumber",
                                 ME_Get_DirFileListInfo_Parser,
                                 "+EFSL",
                                 {"+EFSL: \"0041002E\",512,", "+EFSL: \"\",7"},
                                 "'+EFSL' '0041002E' 512 / '+EFSL' '' 7"},
                      ParserCase{"ListingKindAfterTheSecondComma",
                                 ME_Get_DirFileListInfo_Parser,
                                 "+EFSL",
                                 {"+EFSL: \"0041\",0,1", "+EFSL: \"0042\",7,0,9"},
                                 "'+EFSL' '0041' 0 1 / '+EFSL' '0042' 7 0"},
                      ParserCase{"ListingNameCutTo255",
                                 ME_Get_DirFileListInfo_Parser,
                                 "+EFSL",
                                 {"+EFSL: \"" + kLong + "\",1,"},
                                 "'+EFSL' '" + kLong.substr(0, 255) + "' 1"},
                      ParserCase{"ListingWithoutQuotesOrCommas",
                                 ME_Get_DirFileListInfo_Parser,
                                 "+EFSL",
                                 {"+EFSL: x"},
                                 "'+EFSL' '' 0"},
                      ParserCase{"DriveNames",
                                 ME_Get_DriverInfo_Parser,
                                 "+EFSL",
                                 {"+EFSL: \"0043\"", "+EFSL: \"0044x", "+EFSL: \"", "+EFSL: C"},
                                 "'+EFSL' '0043' / '+EFSL' '0044' / '+EFSL' '' / '+EFSL' ''"},
                      ParserCase{"FreeSpaceWithOrWithoutComma",
                                 ME_Get_AvailableSize_Parser,
                                 "+EFS",
                                 {"+EFS: 1048576", "+EFS:   -7,x", "+EFS:"},
                                 "'+EFS' 1048576 / '+EFS' -7 / '+EFS' 0"},
                      ParserCase{"NumbersPastTheIntRangeSaturate",
                                 ME_Get_AvailableSize_Parser,
                                 "+EFS",
                                 {"+EFS: 77777777777", "+EFS: -21474836470", "+EFS: -2147483648"},
                                 "'+EFS' 2147483647 / '+EFS' -2147483648 / '+EFS' -2147483648"},
                      ParserCase{"OnlyFifteenCharactersOfANumberAreRead",
                                 ME_GetPacketSize_Parser,
                                 "+EFSW",
                                 {"+EFSW: 000000000000012999", "+EFSW:  +-1", "+EFSW:1024"},
                                 "'+EFSW' 12 / '+EFSW' 0 / '+EFSW' 1024"},
                      ParserCase{"DirSizeTakesTheFirstNumber",
                                 ME_Get_DirSize_Parser,
                                 "+EFSC",
                                 {"+EFSC: 4096,2"},
                                 "'+EFSC' 4096"},
                      ParserCase{"StatusSpacesAfterSeparators",
                                 ME_Get_DT_status_Parser,
                                 "+ESUO",
                                 {"+ESUO: 3, 0", "+ESUO:4,1", "+ESUO: 5"},
                                 "'+ESUO' 3 0 / '+ESUO' 4 1 / '+ESUO' 5 0"},
                      ParserCase{"ReadThreeNumbersAndTheData",
                                 ME_ReadTargetFile_Parser,
                                 "+EFSR",
                                 {"+EFSR: 0,1,3,\"01ABFF\"", "+EFSR: 7"},
                                 "'+EFSR' 0 1 3 '01ABFF' / '+EFSR' 7 0 0 ''"},
                      ParserCase{"ReadDataCutTo127",
                                 ME_ReadTargetFile_Parser,
                                 "+EFSR",
                                 {"+EFSR: 0,0,3,\"" + kLong + "\""},
                                 "'+EFSR' 0 0 3 '" + kLong.substr(0, 127) + "'"}),
    RowName());

TEST(FieldFunctions, SeparatorsAreCountedFromTheFirstCharacter) {
    EXPECT_EQ(GetSignIdx("\"a\",\"b\"", '"', 1), 0);
    EXPECT_EQ(GetSignIdx("\"a\",\"b\"", '"', 4), 6);
    EXPECT_EQ(GetSignIdx("\"a\"", '"', 3), -1);
    EXPECT_EQ(GetSignIdx("\"a\"", '"', 0), -1);
}

} // namespace
