// vexalo-sync convert between encodings: Korean lyrics texts in CP949, UTF-8 and UTF-16, what
// it says it read, and what it refuses when a character would be lost.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/encoding_samples.h"
#include "common/safe_file.h"
#include "support/run_tool.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using namespace vexalo;
using vexalo::test::RunSyncTool;
using vexalo::test::ToolResult;

namespace {

const std::string kLyrics = "\xEC\xB0\xBD\xEC\xB2\x9C \xEC\xB9\xA9\r\n"  // 창천 칩
                            "Baby \xEB\x84\x88\xEB\xA7\x8C \xEC\x9E\x88\xEC\x9C\xBC\xEB\xA9\xB4 \xEB\x8F\xBC\r\n";  // 너만 있으면 돼

class ConvertEncodingsCli : public vexalo::test::TempFolderTest {
};

TEST_F(ConvertEncodingsCli, ConvertsBetweenEncodingsAndSaysWhichOneItRead) {
  const std::string cp949 = samples::Cp949(kLyrics);
  const struct {
    const char* name;
    std::string in;
    std::vector<std::string> options;
    const char* output;
    std::string out;
    const char* readAs;
  } cases[] = {
      // "창천 칩" in CP949 is also valid UTF-8: detection still reads it as CP949.
      {"CP949 to UTF-8", cp949, {"--to", "utf-8"}, "out.txt", kLyrics, "CP949"},
      {"UTF-8 to CP949", kLyrics, {"--to", "cp949"}, "out.txt", cp949, "UTF-8"},
      {"UTF-8 with its mark", "\xEF\xBB\xBF" + kLyrics, {"--to", "CP949"}, "out.txt", cp949, "UTF-8"},
      {"UTF-16LE", samples::Utf16(kLyrics, true, true), {}, "out.snc", cp949, "UTF-16LE"},
      {"UTF-16BE to UTF-8", samples::Utf16(kLyrics, false, true), {"--to", "utf8"}, "out.snc", kLyrics, "UTF-16BE"},
      {"UTF-16LE without a mark, chosen", samples::Utf16(kLyrics, true, false), {"--from", "utf-16", "--to", "utf-8"},
       "out.txt", kLyrics, "UTF-16LE"},
      {"CP949 chosen", cp949, {"--from", "cp949", "--to", "cp949"}, "out.txt", cp949, "CP949"},
      {"ASCII", "la la\r\n", {"--to", "utf-8"}, "out.txt", "la la\r\n", "CP949"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string in = Put("in.txt", c.in);
    std::vector<std::string> args = {"convert", in, "-o", P(c.output)};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const ToolResult r = RunSyncTool(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, std::string("Read as ") + c.readAs + ": " + in + "\n");
    EXPECT_EQ(Get(P(c.output)), c.out);
    fs::remove(P(c.output));
  }
}

TEST_F(ConvertEncodingsCli, FileNamesInHangulAreThePlatformsBytes) {
  const std::string in = Put("\xEB\x85\xB8\xEB\x9E\x98.txt", samples::Cp949(kLyrics));  // 노래.txt
  const std::string out = P("\xEA\xB0\x80\xEC\x82\xAC.txt");                               // 가사.txt
  const ToolResult r = RunSyncTool({"convert", in, "-o", out, "--to", "utf-8"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "Read as CP949: " + in + "\n");
  EXPECT_EQ(Get(out), kLyrics);
}

TEST_F(ConvertEncodingsCli, WhatTheTargetCannotHoldIsRefusedWithNothingWritten) {
  const std::string kept = "an earlier file";
  const struct {
    const char* name;
    std::string in;
    std::vector<std::string> options;
    std::string said;  // part of standard error
  } cases[] = {
      {"an emoji has no CP949 form", kLyrics + "\xEC\x9B\x83\xEC\x96\xB4 \xF0\x9F\x98\x80 ok \xF0\x9F\x98\x80\r\n",
       {"--to", "cp949"}, "2 characters have no CP949 form, the first U+1F600 at line 3, column 4; nothing was written"},
      // Bytes that are not CP949 would have to become characters in UTF-8.
      {"stray CP949 bytes", samples::Cp949("\xEB\x85\xB8\xEB\x9E\x98\r\n") + "\x80" + samples::Cp949(" ok"),
       {"--to", "utf-8"}, "1 bytes are no CP949 character and have no UTF-8 form; nothing was written"},
      {"a UTF-16 surrogate alone", std::string("\xFF\xFEo\0\x00\xD8k\0", 8), {"--to", "utf-8"},
       "1 characters have no CP949 form, the first U+FFFD at line 1, column 2; nothing was written"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string in = Put("in.txt", c.in);
    const std::string out = Put("out.txt", kept);
    std::vector<std::string> args = {"convert", in, "-o", out, "--force"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const ToolResult r = RunSyncTool(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Read as"), std::string::npos) << r.err;
    EXPECT_EQ(Get(out), kept);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2) << "nothing left beside";
  }
}

TEST_F(ConvertEncodingsCli, BytesNotInTheEncodingReadAreKeptInCp949AndTold) {
  const struct {
    const char* name;
    std::string in;
    std::vector<std::string> options;
    std::string told;
  } cases[] = {
      {"CP949 with a stray byte", samples::Cp949("\xEB\x85\xB8\xEB\x9E\x98\r\n") + "\x80" + samples::Cp949(" ok"), {},
       "Read as CP949: IN\n1 bytes are not CP949, the first at line 2, column 1; they are kept as they are\n"},
      {"Latin-1 read as UTF-8", "caf\xE9\r\n", {"--from", "utf-8"},
       "Read as UTF-8: IN\n1 bytes are not UTF-8, the first at line 1, column 4; they are kept as they are\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string in = Put("in.txt", c.in);
    std::vector<std::string> args = {"convert", in, "-o", P("out.snc")};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const ToolResult r = RunSyncTool(args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::string told = c.told;
    told.replace(told.find("IN"), 2, in);
    EXPECT_EQ(r.err, told);
    EXPECT_EQ(Get(P("out.snc")), c.in);
    fs::remove(P("out.snc"));
  }
}

}  // namespace
