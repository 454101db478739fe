#include "engine/run/RunLog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/Codepage.h"
#include "platform/PosixFileSystem.h"
#include "support/ForwardingFileSystem.h"
#include "support/MemoryFileSystem.h"
#include "support/TempFolder.h"

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
    log.Finish();
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

// Another user's link at a log's predictable name, made at the last moment: after every check
// the run may make, right before the log is opened.
class LinkPlanter final : public test::ForwardingFileSystem {
  public:
    using ForwardingFileSystem::ForwardingFileSystem;
    std::unique_ptr<platform::OutputFile> OpenOutput(std::string_view path,
                                                     platform::OutputMode mode,
                                                     int& error) override {
        if (!link.empty()) symlink(target.c_str(), std::exchange(link, "").c_str());
        return ForwardingFileSystem::OpenOutput(path, mode, error);
    }
    std::string link, target;
};

TEST(RunLog, LogsAreMadeForTheRunAloneNeverThroughALink) {
    struct Row {
        const char* name;
        bool text, batch;
        const char* planted;  // the log name taken by a link to a victim file, at the last moment
        unsigned folderMode;
        int error;
        const char* logs;  // the first name both logs share, when made
    } rows[] = {
        {"race/text_log", true, false, "20030305102030.log", 0700, 0, "20030305102030-2"},
        {"race/batch_log_takes_the_text_log_along", true, true, "20030305102030BAT.log", 0700, 0,
         "20030305102030-2"},
        {"folder/shared_without_sticky_bit", true, true, "", 0777, EPERM, ""},
        {"folder/shared_with_sticky_bit", true, false, "", 01777, 0, "20030305102030"},
        {"folder/writable_by_another_group", true, false, "", 0770, EPERM, ""},
    };
    for (const Row& row : rows) {
        test::TempFolder temp;
        temp.CreateFile("victim", "keep");
        temp.CreateFolder("logs");
        temp.SetMode("logs", row.folderMode);
        // Only root can give a folder to a group the user is not in.
        if (row.folderMode == 0770 && chown((temp / "logs").c_str(), 0, 65534) != 0) continue;
        platform::PosixFileSystem real;
        LinkPlanter fs(real);
        if (row.planted[0] != '\0') fs.link = temp / "logs/" + row.planted;
        fs.target = temp / "victim";
        RunLog log(fs, {row.text, row.batch, temp.Cp932Path("logs/"), false, ""});
        std::string failed, detail;
        EXPECT_EQ(log.Open(kStart, 1, &failed, &detail), row.error) << row.name;
        EXPECT_EQ(temp.ReadFile("victim"), "keep") << row.name;
        if (row.error == 0) {
            const std::string logs = temp.Cp932Path("logs/") + row.logs;
            EXPECT_EQ(log.TextLogPath(), logs + ".log") << row.name;
            EXPECT_EQ(temp.Exists(std::string("logs/") + row.logs + "BAT.log"), row.batch);
        } else {
            EXPECT_EQ(failed, temp.Cp932Path("logs/20030305102030.log")) << row.name;
            EXPECT_NE(detail.find(Sjis("他のユーザーも書き込める")), std::string::npos);
        }
        temp.SetMode("logs", 0700);
    }
}

// Between quotes the command interpreter reads & ^ < > | as they are; a name holding what it
// would still read (" % ! or a control character) makes a remark without the names.
TEST(RunLog, RenameBackLinesNeverRunAnotherCommand) {
    struct Row {
        std::string newPath, oldName;
        bool command;
    } rows[] = {
        {"/p/a^b|c<d>.mp3", "R&B.mp3", true},
        {"/p/IMG_1.jpg", "a\" & calc & \".jpg", false},
        {"/p/100%~1.jpg", "wow!.jpg", false},
        {"/p/IMG_1.jpg", "a\r\ndel x\x07.jpg", false},
    };
    for (const Row& row : rows) {
        test::MemoryFileSystem fs;
        RunLog log(fs, {false, true, "/logs/", false, ""});
        ASSERT_EQ(log.Open(kStart, 3), 0);
        log.AppendLine(3, "/p/src", row.newPath, row.oldName);
        log.Finish();
        const std::string& text = fs.files["/logs/20030305102030BAT.log"].contents;
        const std::string line = text.substr(text.rfind("\r\n\r\n") + 4);
        if (row.command) {
            EXPECT_EQ(line, "ren \"" + row.newPath + "\" \"" + row.oldName + "\" \r\n");
            continue;
        }
        EXPECT_TRUE(line.starts_with("rem 00003 : ")) << row.oldName;
        EXPECT_EQ(line.find_first_of("\"%!^&|<>\x07\n"), line.size() - 1) << row.oldName;
        EXPECT_NE(line.find(Sjis("コマンドとして書けない")), std::string::npos);
    }
}

}  // namespace
}  // namespace morvanex::engine
