#include "catalogue/text_ops.h"

#include <gtest/gtest.h>

namespace {

using namespace catalogue;

TEST(TextOps, PathFilePartAndExtension) {
  struct Case {
    const char *path, *pathPart, *filePart, *extension;
  } cases[] = {
      {"E:\\apps\\tool\\tool.exe", "E:\\apps\\tool\\", "tool.exe", "exe"},
      {"E:/apps\\tool/Tool.EXE", "E:/apps\\tool/", "Tool.EXE", "EXE"},
      {"E:\\a.b\\tool", "E:\\a.b\\", "tool", ""},
      {"tool.", "", "tool.", ""},
      {"\"tool.exe\"", "", "tool.exe", "exe\""},
      {"\"E:\\a b\\t.exe\" -x", "E:\\a b\\", "t.exe", "exe\" -x"},
      {"E:\\a|b\\c.exe", "E:\\", "c.exe", "exe"},
      {"", "", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PathPart(c.path), c.pathPart) << c.path;
    EXPECT_EQ(FilePart(c.path), c.filePart) << c.path;
    EXPECT_EQ(Extension(c.path), c.extension) << c.path;
  }
}

TEST(TextOps, DroppedFilesThatArePrograms) {
  struct Case {
    const char* path;
    bool program;
    const char* name;
  } cases[] = {
      {"C:\\Tools\\Beta Tool.exe", true, "Beta Tool"},
      {"C:\\Tools\\SETUP.COM", true, "SETUP"},
      {"C:\\Tools\\run.Bat", true, "run"},
      {"C:\\Tools\\archive.tar.bat", true, "archive.tar"},
      {"C:\\Tools\\readme.txt", false, "readme"},
      {"C:\\Tools\\exe", false, "exe"},
      {"C:\\Tools.exe\\tool", false, "tool"},
      {"C:\\Tools\\tool.exe.lnk", false, "tool.exe"},
      {"C:\\Tools\\.exe", true, ".exe"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsProgramFile(c.path), c.program) << c.path;
    EXPECT_EQ(NameFromFile(c.path), c.name) << c.path;
  }
}

// Lowering must leave a path naming the same file: only letters change, by the rules of the code
// page the path is in, and never a byte of a two-byte character.
TEST(TextOps, LowerCaseChangesOnlyLettersOfItsCodePage) {
  CaseRules japanese;  // code page 932: lead bytes 81-9F and E0-FC, letters ASCII only
  for (int b = 0x81; b <= 0xFC; ++b) japanese.lead[b] = b <= 0x9F || b >= 0xE0;
  CaseRules greek;  // code page 1253: capitals C1-D9 (D2 unassigned), accented ones at A2 and B8-BF
  for (int b = 0xC1; b <= 0xD9; ++b)
    if (b != 0xD2) greek.lower[b] = static_cast<unsigned char>(b + 32);
  greek.lower[0xA2] = 0xDC;
  struct Case {
    const char* label;
    const CaseRules& rules;
    const char *text, *lowered;
  } cases[] = {
      {"ASCII", Windows1252Rules(), "AZaz@[`{", "azaz@[`{"},
      {"1252 capitals", Windows1252Rules(), "\xC0\xC9\xD6\xD8\xDE\x8A\x8C\x8E\x9F", "\xE0\xE9\xF6\xF8\xFE\x9A\x9C\x9E\xFF"},
      {"1252 non-letters stay", Windows1252Rules(), "2\xD7" "3 \xBF\xDF\xFF\x96\x80", "2\xD7" "3 \xBF\xDF\xFF\x96\x80"},
      {"second bytes stay", japanese, "\\A\x83\x4F\x83\x5A\\B\x82\x60.EXE", "\\a\x83\x4F\x83\x5A\\b\x82\x60.exe"},
      {"lead byte at the end", japanese, "T\x83", "t\x83"},
      {"single-byte kana stay", japanese, "\xB1\xC4", "\xB1\xC4"},
      {"Greek capitals", greek, "\xC1\xD3\xD9\xA2\xD2", "\xE1\xF3\xF9\xDC\xD2"},
  };
  for (const Case& c : cases) EXPECT_EQ(LowerCase(c.text, c.rules), c.lowered) << c.label;
  EXPECT_EQ(LowerCase1252("A\xD7\xC4"), "a\xD7\xE4");
}

TEST(TextOps, RemoveText) {
  struct Case {
    const char *source, *text, *expected;
  } cases[] = {
      {"E:\\apps\\e:\\x", "E:", "\\apps\\\\x"}, {"aaa", "aa", "a"},   {"abababa", "aba", "b"},
      {"\xC4\xE4", "\xE4", "\xC4"},            {"abc", "", "abc"},   {"", "abc", ""},
      {"ab", "abc", "ab"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RemoveText(c.source, c.text), c.expected) << c.source << " - " << c.text;
}

TEST(TextOps, FieldForms) {
  AppEntry e;
  e.Folder = "E:\\Applications\\Tool\\";
  e.FileName = "tool.exe";
  e.IconFile = "e:\\applications\\icons\\tool.ico";
  EXPECT_EQ(ProgramLongForm(e, "E:"), "...\\Applications\\Tool\\tool.exe");
  EXPECT_EQ(ProgramOpeningForm(e, "E:"), "...\\Tool\\tool.exe");
  EXPECT_EQ(IconOpeningForm(e, "E:"), "...\\icons\\tool.ico");
  EXPECT_EQ(IconShortForm(e), "tool.ico");
  EXPECT_EQ(ProgramLongForm(e, ""), "...E:\\Applications\\Tool\\tool.exe");
  EXPECT_EQ(ProgramOpeningForm(e, ""), "...E:\\Tool\\tool.exe");
  e.Folder = "F:\\Tool\\";
  EXPECT_EQ(ProgramLongForm(e, "E:"), "...F:\\Tool\\tool.exe");
}

TEST(TextOps, NameClashes) {
  Catalogue c;
  for (const char* name : {"Tool", "Editor", "TOOL", "tool", "Edit", "EDITOR", "\xC4pfel", "\xE4pfel"}) {
    c.SelectIndex(c.Count());
    c.Add().Name = name;
  }
  const std::vector<std::pair<int, int>> expected = {{0, 2}, {0, 3}, {1, 5}};
  EXPECT_EQ(NameClashes(c), expected);
}

}  // namespace
