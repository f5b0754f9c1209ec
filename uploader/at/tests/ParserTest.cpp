// The command parsers: one result line per information line, fields by number.
#include <gtest/gtest.h>

#include "ContextFixture.h"
#include "comm_parser.h"

namespace {

ATResult parse(void (*parser)(void*, void*), const char* prefix,
               const std::vector<std::string>& lines) {
    TestContext t;
    t.begin(nullptr, prefix);
    for (const std::string& line : lines) {
        t.setLine(line);
        parser(t.ctx.get(), nullptr);
    }
    return t.result;
}

TEST(Parsers, ListingLineGivesNameAndNumber) {
    ATResult r = parse(ME_Get_DirFileListInfo_Parser, "+EFSL", {"+EFSL: \"0041002E\",512,"});
    ASSERT_EQ(r.vParamLst.size(), 1u);
    EXPECT_TRUE(r.check_key("+EFSL"));
    std::string name;
    EXPECT_TRUE(r.get_string(name, 0, 1));
    EXPECT_EQ(name, "0041002E");
    EXPECT_EQ(r.get_integer(0, 2), 512);
    EXPECT_EQ(r.vParamLst[0].size(), 3u); // nothing after the second comma: no kind
}

TEST(Parsers, ListingLineGivesKindAfterSecondComma) {
    ATResult r = parse(ME_Get_DirFileListInfo_Parser, "+EFSL",
                       {"+EFSL: \"0041\",0,1", "+EFSL: \"0042\",7,0,9"});
    EXPECT_EQ(r.get_integer(0, 3), 1);
    EXPECT_EQ(r.get_integer(1, 2), 7);
    EXPECT_EQ(r.get_integer(1, 3), 0);
}

TEST(Parsers, FreeSpaceWithOrWithoutComma) {
    ATResult r = parse(ME_Get_AvailableSize_Parser, "+EFS", {"+EFS: 1048576", "+EFS: 1048576,x"});
    EXPECT_EQ(r.get_integer(0, 1), 1048576);
    EXPECT_EQ(r.get_integer(1, 1), 1048576);
}

TEST(Parsers, PacketSizeLineHasExactlyTwoFields) {
    ATResult r = parse(ME_GetPacketSize_Parser, "+EFSW", {"+EFSW:1024"});
    ASSERT_EQ(r.vParamLst[0].size(), 2u);
    EXPECT_EQ(r.get_integer(0, 1), 1024);
}

TEST(Parsers, StatusLineSpacesAfterSeparatorsDoNotMatter) {
    ATResult r = parse(ME_Get_DT_status_Parser, "+ESUO", {"+ESUO: 3, 0", "+ESUO:4,1"});
    EXPECT_EQ(r.get_integer(0, 1), 3);
    EXPECT_EQ(r.get_integer(0, 2), 0);
    EXPECT_EQ(r.get_integer(1, 1), 4);
    EXPECT_EQ(r.get_integer(1, 2), 1);
}

TEST(Parsers, ReadLineGivesThreeNumbersAndTheData) {
    ATResult r = parse(ME_ReadTargetFile_Parser, "+EFSR", {"+EFSR: 0,0,3,\"01ABFF\""});
    EXPECT_EQ(r.get_integer(0, 1), 0);
    EXPECT_EQ(r.get_integer(0, 2), 0);
    EXPECT_EQ(r.get_integer(0, 3), 3);
    std::string data;
    EXPECT_TRUE(r.get_string(data, 0, 4));
    EXPECT_EQ(data, "01ABFF");
}

TEST(Parsers, DriveNameWithoutClosingQuoteDropsTheLastCharacter) {
    ATResult r = parse(ME_Get_DriverInfo_Parser, "+EFSL", {"+EFSL: \"0043\"", "+EFSL: \"0044x"});
    std::string drive;
    EXPECT_TRUE(r.get_string(drive, 0, 1));
    EXPECT_EQ(drive, "0043");
    EXPECT_TRUE(r.get_string(drive, 1, 1));
    EXPECT_EQ(drive, "0044");
}

TEST(Parsers, ErrorReportQuotedOrPlain) {
    ATResult r =
        parse(ME_Extend_ErrReport_Parser, "+CEER", {"+CEER: 5,\"busy\"", "+CEER: 6,plain"});
    std::string text;
    EXPECT_EQ(r.get_integer(0, 1), 5);
    EXPECT_TRUE(r.get_string(text, 0, 2));
    EXPECT_EQ(text, "busy");
    EXPECT_TRUE(r.get_string(text, 1, 2));
    EXPECT_EQ(text, "plain");
}

TEST(Parsers, OverlongTextFieldsAreCutToTheParsersLimit) {
    std::string name(400, 'A');
    ATResult r = parse(ME_Get_DirFileListInfo_Parser, "+EFSL", {"+EFSL: \"" + name + "\",1,"});
    std::string out;
    EXPECT_TRUE(r.get_string(out, 0, 1));
    EXPECT_EQ(out.size(), static_cast<size_t>(ME_LIST_NAME_MAX));
    r = parse(ME_ReadTargetFile_Parser, "+EFSR", {"+EFSR: 0,0,3,\"" + name + "\""});
    EXPECT_TRUE(r.get_string(out, 0, 4));
    EXPECT_EQ(out.size(), static_cast<size_t>(ME_READ_DATA_MAX));
}

TEST(Parsers, MissingSeparatorsGiveEmptyFields) {
    ATResult r = parse(ME_ReadTargetFile_Parser, "+EFSR", {"+EFSR: 7"});
    EXPECT_EQ(r.get_integer(0, 1), 7);
    EXPECT_EQ(r.get_integer(0, 2), 0);
    EXPECT_EQ(r.get_integer(0, 3), 0);
    std::string data = "x";
    EXPECT_TRUE(r.get_string(data, 0, 4));
    EXPECT_EQ(data, "");
}

TEST(Parsers, GeneralQueryParsersTakeTheValueAfterTheColon) {
    ATResult text = parse(ME_Common_Query_Parser, "+CGMR", {"+CGMR: v1.2"});
    std::string out;
    EXPECT_TRUE(text.get_string(out, 0, 1));
    EXPECT_EQ(out, "v1.2");
    ATResult number = parse(ME_Query_ModemBearer_Parser, "+CBST", {"+CBST: 7"});
    EXPECT_EQ(number.get_integer(0, 1), 7);
}

TEST(Parsers, DirSizeTakesTheFirstNumber) {
    ATResult r = parse(ME_Get_DirSize_Parser, "+EFSC", {"+EFSC: 4096,2"});
    EXPECT_EQ(r.get_integer(0, 1), 4096);
}

} // namespace
