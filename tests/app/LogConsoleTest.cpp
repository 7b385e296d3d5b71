// The debug console, with the process's standard output captured into a file.
#include <ios>
#include <locale>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "app/LogConsole.h"
#include "support/CapturedStandardOutput.h"

namespace {

// Groups digits in threes with a comma.
struct GroupingNumbers : std::numpunct<char> {
    char do_thousands_sep() const override { return ','; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(LogConsole, DiscardsEverythingWrittenBeforeOpen) {
    CapturedStandardOutput output;
    LogConsole console;
    console << "lost " << 42 << '\n';
    EXPECT_TRUE(console.good());
    EXPECT_EQ(console.consoleHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(console.consoleBuffer, nullptr);
    console.Open();
    console << "Graphics Initialized\n";
    EXPECT_EQ(output.Text(), "Graphics Initialized\n");
}

TEST(LogConsole, EachInsertionReachesTheConsoleAtOnce) {
    CapturedStandardOutput output;
    LogConsole console;
    console.Open();
    console << "Combo ";
    EXPECT_EQ(output.Text(), "Combo ");
    console << 203;
    EXPECT_EQ(output.Text(), "Combo 203");
    console << ' ' << -1 << '\n';
    EXPECT_EQ(output.Text(), "Combo 203 -1\n");
}

TEST(LogConsole, OpenAndCloseAreIdempotent) {
    CapturedStandardOutput output;
    LogConsole console;
    console.Close();
    EXPECT_EQ(console.consoleHandle, INVALID_HANDLE_VALUE);

    console.Open();
    FileStreamBuffer* buffer = console.consoleBuffer;
    FILE* file = console.consoleFile;
    ASSERT_NE(buffer, nullptr);
    console.Open();
    EXPECT_EQ(console.consoleBuffer, buffer);
    EXPECT_EQ(console.consoleFile, file);
    console << "once\n";

    console.Close();
    console.Close();
    EXPECT_EQ(console.consoleBuffer, nullptr);
    EXPECT_EQ(console.consoleFile, nullptr);
    EXPECT_EQ(output.Text(), "once\n");
}

TEST(LogConsole, ClosingDropsFormattingAndDiscardsOutputAgain) {
    CapturedStandardOutput output;
    LogConsole console;
    std::ostringstream other;
    console.Open();
    console.imbue(std::locale(console.getloc(), new GroupingNumbers));
    console.tie(&other);
    console.exceptions(std::ios_base::failbit);
    console << 1234567 << '\n';
    console << std::hex << std::showbase << 255 << '\n';
    console.Close();
    EXPECT_FALSE(console.flags() & std::ios_base::unitbuf);
    EXPECT_FALSE(console.flags() & std::ios_base::hex);
    EXPECT_TRUE(console.getloc() == std::locale()) << "the grouping is gone";
    EXPECT_EQ(console.tie(), nullptr);
    EXPECT_EQ(console.exceptions(), std::ios_base::goodbit);
    console << 255 << '\n';
    EXPECT_EQ(output.Text(), "1,234,567\n0xff\n");

    // Where a console opened again writes is the system's business (Windows
    // makes a new one); it starts with the default formatting.
    console.Open();
    EXPECT_EQ(console.flags(), std::ios_base::skipws | std::ios_base::dec | std::ios_base::unitbuf);
    EXPECT_TRUE(console.getloc() == std::locale());
}

TEST(LogConsole, IsDestroyedWithoutThrowingWhateverExceptionsItWasAskedFor) {
    CapturedStandardOutput output;
    for (bool open : {true, false}) {
        LogConsole* console = new LogConsole();
        if (open) console->Open();
        console->exceptions(std::ios_base::badbit | std::ios_base::failbit);
        EXPECT_NO_THROW(delete console) << (open ? "open" : "closed");
    }
}

}  // namespace
