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

TEST(TextOps, LowerCase1252) {
  EXPECT_EQ(LowerCase1252("AZaz@[`{"), "azaz@[`{");
  for (int b = 0xC0; b <= 0xDE; ++b)  // A-grave .. Thorn, the multiplication sign included
    EXPECT_EQ(LowerCase1252(std::string(1, char(b))), std::string(1, char(b + 32))) << b;
  EXPECT_EQ(LowerCase1252("\xD7"), "\xF7");
  EXPECT_EQ(LowerCase1252("\xBF\xDF\xFF\x8A"), "\xBF\xDF\xFF\x8A");
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
