// Reports: their exact texts, the exit path of fatal ones, and the GL state checks.
#include "base/ErrorReport.h"
#include "tests/support/GLTestContext.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void announceExit() {
    std::fputs("exit-time function ran\n", stderr);
}

TEST(ErrorReportTexts, ComposeFileLineMessageAndDetail) {
    EXPECT_EQ(composeReport("launcher/LumoraLauncher.cpp", 123, "Window creation failed", nullptr),
              "launcher/LumoraLauncher.cpp:123 Window creation failed");
    EXPECT_EQ(composeReport("base/lvp.cpp", 7, "Extension not supported", "ARB_shadow"),
              "base/lvp.cpp:7 Extension not supported: ARB_shadow");
}

TEST(ErrorReportTexts, LongTextsAreCutToTheBuffer) {
    std::string longDetail(1000, 'x');
    std::string text = composeReport("a.cpp", 1, "message", longDetail.c_str());
    EXPECT_EQ(text.size(), size_t(reportBufferSize - 1));
    EXPECT_EQ(text.rfind("a.cpp:1 message: xxx", 0), 0u);
}

TEST(ErrorReportTexts, NamesOfGLErrorsAndFramebufferStates) {
    EXPECT_STREQ(glErrorName(0x0500), "GL_INVALID_ENUM");
    EXPECT_STREQ(glErrorName(0x0502), "GL_INVALID_OPERATION");
    EXPECT_STREQ(glErrorName(0x0505), "GL_OUT_OF_MEMORY");
    EXPECT_STREQ(glErrorName(0x0506), "Unknown error");
    EXPECT_STREQ(framebufferStatusName(0x8CD6), "GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT");
    EXPECT_STREQ(framebufferStatusName(0x8CDD), "GL_FRAMEBUFFER_UNSUPPORTED_EXT");
    EXPECT_STREQ(framebufferStatusName(0x8CDE), "GL_FRAMEBUFFER_STATUS_ERROR_EXT");
    EXPECT_STREQ(framebufferStatusName(0x8CDF), "Unknown error");
    EXPECT_STREQ(framebufferStatusName(0x8CD5), "Unknown error");
}

TEST(ErrorReportDeathTest, FatalReportExitsWithOneAfterExitFunctions) {
    EXPECT_EXIT(
        {
            std::atexit(announceExit);
            reportError("launcher/LumoraLauncher.cpp", 42, "Window creation failed", true);
        },
        testing::ExitedWithCode(1),
        "launcher/LumoraLauncher.cpp:42 Window creation failed\n(.|\n)*exit-time function ran");
}

TEST(ErrorReportDeathTest, IntAndTextForms) {
    EXPECT_EXIT(reportErrorInt("x.cpp", 3, "bad count", -17, true), testing::ExitedWithCode(1), "x.cpp:3 bad count: -17");
    EXPECT_EXIT(reportErrorText("x.cpp", 4, "script", "word", true), testing::ExitedWithCode(1), "x.cpp:4 script: word");
}

TEST(ErrorReportDeathTest, AssertionsAreFatal) {
    EXPECT_EXIT(checkTrue(false, "y.cpp", 9), testing::ExitedWithCode(1), "y.cpp:9 assertion failed");
    EXPECT_EXIT(checkNotNull(static_cast<const void*>(nullptr), "y.cpp", 10), testing::ExitedWithCode(1),
                "y.cpp:10 assertion failed");
    EXPECT_EXIT(checkNotNull(std::intptr_t(0), "y.cpp", 11), testing::ExitedWithCode(1), "y.cpp:11 assertion failed");
}

TEST(ErrorReport, NonFatalReportReturnsToTheCaller) {
    testing::internal::CaptureStderr();
    reportError("z.cpp", 5, "Unsupported variable", false);
    bool carriedOn = true;
    std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(carriedOn);
    EXPECT_EQ(printed, "z.cpp:5 Unsupported variable\n");
    checkTrue(true, "z.cpp", 6);
    int something = 1;
    checkNotNull(&something, "z.cpp", 7);
}

TEST(ErrorReportGL, ChecksPassWhenNothingIsPending) {
    testgl::context();
    while (glGetError() != GL_NO_ERROR) {
    }
    checkGLError("gl.cpp", 1);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    checkFramebuffer("gl.cpp", 2);
    checkCgError("gl.cpp", 3);
}

TEST(ErrorReportGLDeathTest, PendingGLErrorIsFatalWithItsName) {
    EXPECT_EXIT(
        {
            testgl::context();
            glEnable(0xFFFF);  // not a capability: GL_INVALID_ENUM
            checkGLError("gl.cpp", 20);
        },
        testing::ExitedWithCode(1), "gl.cpp:20 GL error: GL_INVALID_ENUM");
}

TEST(ErrorReportGLDeathTest, IncompleteFramebufferIsFatalWithItsStatus) {
    EXPECT_EXIT(
        {
            testgl::context();
            GLuint framebuffer = 0;
            glGenFramebuffersEXT(1, &framebuffer);
            glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
            checkFramebuffer("gl.cpp", 30);
        },
        testing::ExitedWithCode(1), "gl.cpp:30 GL \\(FBO\\) error: GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT");
}

TEST(ErrorReportDeathTest, ShaderErrorIsReportedOnceAsCgError) {
    EXPECT_EXIT(
        {
            setShaderError("0:3(1): error: syntax error");
            checkCgError("engine/ShaderManager.cpp", 40);
        },
        testing::ExitedWithCode(1), "engine/ShaderManager.cpp:40 CG error: 0:3\\(1\\): error: syntax error");
}

}  // namespace
