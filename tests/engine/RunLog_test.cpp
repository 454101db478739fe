#include "engine/RunLog.h"

#include <gtest/gtest.h>

#include "platform/Codepage.h"
#include "support/MemoryFileSystem.h"

namespace morvanex::engine {
namespace {

using platform::Sjis;

const platform::Timestamp kStart = platform::FromLocalTime({2003, 3, 0, 5, 10, 20, 30, 0});

TEST(RunLog, TextAndBatchLogsAreByteExact) {
    test::MemoryFileSystem fs;
    RunLogOptions options{true, true, "/logs/", false, "/copy/"};
    RunLog log(fs, options);
    log.Open(kStart, 2);
    log.AppendLine(1, "/p/a.jpg", "/p/IMG_001.jpg", "a.jpg");
    log.AppendLine(2, Sjis("/p/写真.jpg"), "/p/IMG_002.jpg", Sjis("写真.jpg"));
    EXPECT_EQ(log.TextLogPath(), "/logs/20030305102030.log");
    EXPECT_EQ(log.BatchLogPath(), "/logs/20030305102030BAT.log");

    const std::string wide = "\x81\x40";   // ideographic space
    const std::string colon = "\x81\x46";  // full-width colon
    const std::string expectedText =
        Sjis("総変換ファイル数") + " " + wide + wide + wide + wide + colon + " 2\r\n" +
        Sjis("モード") + wide + wide + wide + wide + wide + wide + wide + wide + wide + " " +
        colon + " " + Sjis("リネーム") + "\r\n\r\n" +
        "00001 : /p/a.jpg  \x81\xA8  /p/IMG_001.jpg \r\n" + "00002 : " + Sjis("/p/写真.jpg") +
        "  \x81\xA8  /p/IMG_002.jpg \r\n";
    EXPECT_EQ(fs.files["/logs/20030305102030.log"].contents, expectedText);

    const std::string expectedBatch =
        "rem " + Sjis("コピー先フォルダ") + " " + wide + wide + colon + " /copy/\r\n" + "rem " +
        Sjis("総変換ファイル数") + " " + wide + wide + wide + wide + colon + " 2\r\n" + "rem " +
        Sjis("モード") + wide + wide + wide + wide + wide + wide + wide + wide + wide + " " +
        colon + " " + Sjis("リネーム") + "\r\n\r\n" + "ren \"/p/IMG_001.jpg\" \"a.jpg\" \r\n" +
        "ren \"/p/IMG_002.jpg\" \"" + Sjis("写真.jpg") + "\" \r\n";
    EXPECT_EQ(fs.files["/logs/20030305102030BAT.log"].contents, expectedBatch);
}

TEST(RunLog, CopyRunNamesTheDestinationAndTheMode) {
    test::MemoryFileSystem fs;
    RunLog log(fs, {true, false, "/logs/", true, "/copy/"});
    log.Open(kStart, 1);
    const std::string& text = fs.files["/logs/20030305102030.log"].contents;
    EXPECT_TRUE(text.starts_with(Sjis("コピー先フォルダ \u3000\u3000： /copy/\r\n")));
    EXPECT_TRUE(text.ends_with(Sjis("： コピー\r\n\r\n")));
    EXPECT_FALSE(fs.Exists("/logs/20030305102030BAT.log"));
}

TEST(RunLog, OnlyTheEnabledLogsAreWritten) {
    struct Row {
        bool text, batch;
    } rows[] = {{true, false}, {false, true}, {false, false}};
    for (const auto& row : rows) {
        test::MemoryFileSystem fs;
        RunLog log(fs, {row.text, row.batch, "/logs/", false, ""});
        log.Open(kStart, 1);
        log.AppendLine(1, "/a", "/b", "a");
        EXPECT_EQ(fs.Exists("/logs/20030305102030.log"), row.text);
        EXPECT_EQ(fs.Exists("/logs/20030305102030BAT.log"), row.batch);
    }
}

TEST(RunLog, ASecondRunInTheSameSecondKeepsTheFirstRunsLogs) {
    test::MemoryFileSystem fs;
    RunLog first(fs, {true, true, "/logs/", false, ""});
    first.Open(kStart, 1);
    first.AppendLine(1, "/a", "/b", "a");
    const std::string firstText = fs.files["/logs/20030305102030.log"].contents;
    RunLog second(fs, {true, true, "/logs/", false, ""});
    second.Open(kStart, 1);
    EXPECT_EQ(second.TextLogPath(), "/logs/20030305102030-2.log");
    EXPECT_EQ(second.BatchLogPath(), "/logs/20030305102030-2BAT.log");
    EXPECT_EQ(fs.files["/logs/20030305102030.log"].contents, firstText);
}

}  // namespace
}  // namespace morvanex::engine
