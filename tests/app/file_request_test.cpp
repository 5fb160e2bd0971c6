#include "app/file_request.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/fake_dialog.h"
#include "tests/support/test_env.h"

namespace {

// A stand-in for zenity first on the PATH: it writes its arguments, one a
// line, to $FAKE_DIALOG_ARGS, prints $FAKE_DIALOG_ANSWER and exits with
// $FAKE_DIALOG_STATUS.
class FileRequestTest : public testing::Test {
 protected:
  std::vector<std::string> Arguments() const {
    std::vector<std::string> lines;
    const std::string text = ReadFileBytes(bin_.File("args"));
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }

  static std::string Current() {
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
  }

  ScratchDir bin_;
  ScopedEnv path_{"PATH", InstallFakeDialog(bin_.path(),
                                            "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$FAKE_DIALOG_ARGS\"\n"
                                            "cd /\n"
                                            "printf '%s\\n' \"$FAKE_DIALOG_ANSWER\"\n"
                                            "exit \"$FAKE_DIALOG_STATUS\"\n")};
  ScopedEnv args_{"FAKE_DIALOG_ARGS", bin_.File("args")};
  ScopedEnv answer_{"FAKE_DIALOG_ANSWER", "D:\\data\\save.txt"};
  ScopedEnv status_{"FAKE_DIALOG_STATUS", "0"};
};

TEST_F(FileRequestTest, OpenDialogWithFiltersAnswersThePathWithSlashes) {
  const std::string before = Current();
  EXPECT_STREQ(FileRequest(1, "Images|*.png;*.bmp|All files|*.*").c_str(), "D:/data/save.txt");
  EXPECT_EQ(Current(), before);
  const std::vector<std::string> expected = {"--file-selection", "--filename=" + before + "/",
                                             "--file-filter=Images | *.png *.bmp", "--file-filter=All files | *.*"};
  EXPECT_EQ(Arguments(), expected);
}

TEST_F(FileRequestTest, SaveDialog) {
  ScopedEnv answer("FAKE_DIALOG_ANSWER", "/home/user/new file.sav");
  EXPECT_STREQ(FileRequest(0, "").c_str(), "/home/user/new file.sav");
  const std::vector<std::string> expected = {"--file-selection", "--save", "--filename=" + Current() + "/"};
  EXPECT_EQ(Arguments(), expected);
}

TEST_F(FileRequestTest, FilterListsEndAtAnEmptyPartAndDropALoneDescription) {
  struct Case {
    const char* filter;
    std::vector<std::string> filters;
  };
  for (const Case& c : {Case{"", {}}, Case{"Text", {}}, Case{"Text|*.txt|Odd", {"Text | *.txt"}},
                        Case{"Images||*.png|All|*.*", {}}, Case{"A|*.a||B|*.b", {"A | *.a"}},
                        Case{"|*.txt", {}}, Case{"Text (*.txt)|*.txt;*.log|", {"Text (*.txt) | *.txt *.log"}}}) {
    FileRequest(1, c.filter);
    std::vector<std::string> filters;
    for (const std::string& argument : Arguments()) {
      if (argument.rfind("--file-filter=", 0) == 0) filters.push_back(argument.substr(14));
    }
    EXPECT_EQ(filters, c.filters) << c.filter;
  }
}

TEST_F(FileRequestTest, AFilterLongerThanTheRoomIsCut) {
  const std::string patterns(3000, 'x');
  FileRequest(1, ("All|" + patterns).c_str());
  const std::vector<std::string> arguments = Arguments();
  ASSERT_EQ(arguments.size(), 3u);
  EXPECT_EQ(arguments[2], "--file-filter=All | " + patterns.substr(0, kFileRequestFilterRoom - 4));
}

TEST_F(FileRequestTest, NoChoiceAnswersNoFile) {
  {
    ScopedEnv cancelled("FAKE_DIALOG_STATUS", "1");
    EXPECT_STREQ(FileRequest(1, "All|*.*").c_str(), "NO_FILE");
  }
  {
    ScopedEnv empty("FAKE_DIALOG_ANSWER", "");
    EXPECT_STREQ(FileRequest(1, "All|*.*").c_str(), "NO_FILE");
  }
  ScratchDir empty_bin;
  ScopedEnv no_dialog("PATH", empty_bin.path());
  EXPECT_STREQ(FileRequest(1, "All|*.*").c_str(), "NO_FILE");
}

}  // namespace
