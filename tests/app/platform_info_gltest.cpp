#include <gtest/gtest.h>

#include <string>

#include "app/platform_info.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/test_env.h"

namespace {

class PlatformInfoGlTest : public GlTest {
 protected:
  ScratchDir temp_;
  ScopedEnv tmpdir_{"TMPDIR", temp_.path()};
};

TEST_F(PlatformInfoGlTest, GlNamesAnswerOneOnlyWhenTheContextHasThem) {
  struct Case {
    const char* key;
    const char* answer;
  };
  for (const Case& c : {Case{"GLEXT:glGenBuffers", "1"}, Case{"glext:glBindTexture", "1"},
                        Case{"GLEXT:GL_ARB_multitexture", "1"}, Case{"GLEXT:GL_ARB", "0"},
                        Case{"GLEXT:glNoSuchFunctionAtAll", "0"}, Case{"GLEXT:GLGENBUFFERS", "0"},
                        Case{"GLEXT:printf", "0"}, Case{"GLEXT:", "0"},
                        // Extension functions, through the context's loader.
                        Case{"GLEXT:glActiveTextureARB", "1"}, Case{"GLEXT:glGenFramebuffersEXT", "1"},
                        Case{"GLEXT:glMultiTexCoord2fARB", "1"}, Case{"GLEXT:glTexImage3D", "1"},
                        // A vendor the context has no extension of.
                        Case{"GLEXT:glFinishFenceAPPLEX", "0"}}) {
    EXPECT_EQ(std::string(PlatformInfo(c.key).c_str()), c.answer) << c.key;
  }
  const std::string log = ReadFileBytes(temp_.File("ErrorLog.txt"));
  EXPECT_NE(log.find("ext: glNoSuchFunctionAtAll"), std::string::npos) << log;
  EXPECT_EQ(log.find("ext: glGenBuffers"), std::string::npos) << log;
}

TEST_F(PlatformInfoGlTest, DpiIsAtLeast96) {
  const std::string dpi = PlatformInfo("DPI").c_str();
  ASSERT_FALSE(dpi.empty());
  ASSERT_EQ(dpi.find_first_not_of("0123456789"), std::string::npos) << dpi;
  EXPECT_GE(std::stoi(dpi), 96);
}

}  // namespace
