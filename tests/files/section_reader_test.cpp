#include "files/section_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_env.h"

namespace {

// The document as text: each section "[name]" followed by "key=value|" for
// its keys.
std::string Dump(const IniDocument& document) {
  std::string out;
  for (const IniSection& section : document.sections) {
    out.append("[").append(section.name.c_str()).append("]");
    for (const IniKey& key : section.keys) {
      out += std::string(key.name.c_str()) + "=" + key.value.c_str() + "|";
    }
  }
  return out;
}

std::string ParseLines(const std::vector<std::string>& lines) {
  IniDocument document;
  SectionLineParser parser(document);
  for (const std::string& line : lines) parser.Line(line.c_str());
  parser.Finish();
  return Dump(document);
}

TEST(SectionLineParserTest, LineRules) {
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    const char* expected;
  };
  const Case cases[] = {
      {"header and comments only", {"[s]", "; note", "  ;k=v"}, ""},
      {"keys before any header", {"a=1", "[s]", "b=2"}, "[]a=1|[s]b=2|"},
      {"empty values store nothing", {"[s]", "a=", "b=  \t", "c=\x01"}, ""},
      {"a line beginning with '='", {"=rest of it"}, "[]=rest of it|"},
      {"no '=' or a blank in the key", {"key value", "two words=x", "lone"}, ""},
      {"blanks around '='", {"  key \t =  value"}, "[]key=value|"},
      {"value kept whole, control bytes cut", {"k=a = b ; c \t", "j=x\x7f "}, "[]k=a = b ; c |j=x\x7f |"},
      {"header name rules", {"[ name ]", "a=1", "[x]y]", "b=2", "[first word]", "c=3"},
       "[name]a=1|[x]y]b=2|[first]c=3|"},
      {"header cut at '='", {"[n]=z", "a=1"}, "[n]a=1|"},
      {"empty header keeps the name", {"[s]", "a=1", "[]", "b=2", "[ ", "c=3"}, "[s]a=1|[s]b=2|[s]c=3|"},
      {"lone '[' keeps the name too", {"[", "a=1"}, "[]a=1|"},
      {"duplicates all stored", {"[s]", "k=1", "k=2", "[S]", "k=3"}, "[s]k=1|k=2|[S]k=3|"},
      {"blank and empty lines skipped", {"", "   ", "\t", "[s]", "", "k=v"}, "[s]k=v|"},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseLines(c.lines), c.expected) << c.what;
}

TEST(SectionLineParserTest, ManyKeysAndSectionsGrowInSteps) {
  std::vector<std::string> lines;
  std::string expected;
  for (int s = 0; s < 20; ++s) {
    lines.push_back("[s" + std::to_string(s) + "]");
    expected += "[s" + std::to_string(s) + "]";
    for (int k = 0; k < 40; ++k) {
      std::string line = "k";
      line.append(std::to_string(k)).append("=").append(std::to_string(s * k));
      lines.push_back(line);
      expected.append(line).append("|");
    }
  }
  EXPECT_EQ(ParseLines(lines), expected);
}

TEST(SectionReaderGetTest, FirstMatchWithoutCaseOrDefault) {
  IniDocument document;
  SectionLineParser parser(document);
  for (const char* line : {"top=0", "[Textures]", "Count=2", "1=a b.png", "[textures]", "3=late"}) {
    parser.Line(line);
  }
  parser.Finish();
  EXPECT_STREQ(SectionReaderGet(document, "", "TOP", "d").c_str(), "0");
  EXPECT_STREQ(SectionReaderGet(document, "TEXTURES", "count", "d").c_str(), "2");
  EXPECT_STREQ(SectionReaderGet(document, "textures", "1", "d").c_str(), "a b.png");
  EXPECT_STREQ(SectionReaderGet(document, "textures", "3", "d").c_str(), "d");
  EXPECT_STREQ(SectionReaderGet(document, "objects", "1", "d").c_str(), "d");
  IniDocument empty;
  EXPECT_STREQ(SectionReaderGet(empty, "", "", "0").c_str(), "0");
}

TEST(SectionReaderEntriesTest, ResizeAndClear) {
  GrowArray<IniKey> keys;
  keys.step = 32;
  keys.first = 32;
  EXPECT_TRUE(SectionReaderEntriesResize(keys, 1));
  EXPECT_EQ(keys.capacity, 32);
  EXPECT_TRUE(SectionReaderEntriesResize(keys, 31));
  EXPECT_EQ(keys.capacity, 32);
  EXPECT_TRUE(SectionReaderEntriesResize(keys, 32));  // not above the first capacity
  EXPECT_EQ(keys.capacity, 32);
  EXPECT_TRUE(SectionReaderEntriesResize(keys, 33));
  EXPECT_EQ(keys.capacity, 64);
  keys.count = 3;
  SectionReaderEntryClear(keys, false);
  EXPECT_EQ(keys.count, 0);
  EXPECT_EQ(keys.capacity, 64);
  SectionReaderEntryClear(keys, true);
  EXPECT_EQ(keys.capacity, 0);
  EXPECT_EQ(keys.data, nullptr);
}

}  // namespace
