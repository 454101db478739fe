#include "engine/RunLog.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

#include "platform/Codepage.h"
#include "platform/PosixFileSystem.h"
#include "support/ForwardingFileSystem.h"
#include "support/MemoryFileSystem.h"
#include "support/TempFolder.h"

namespace morvanex::engine {
namespace {

using platform::Sjis;
using platform::Utf8FromCp932;

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

// Another user's symbolic link at a log's predictable name, made at the last moment: after
// every check the run may make, right before the log is opened.
class LinkPlanter final : public test::ForwardingFileSystem {
  public:
    LinkPlanter(platform::FileSystem& real, std::string link, std::string target)
        : ForwardingFileSystem(real), m_link(std::move(link)), m_target(std::move(target)) {}
    std::unique_ptr<platform::OutputFile> OpenOutput(std::string_view path,
                                                     platform::OutputMode mode,
                                                     int& error) override {
        if (!m_planted && !m_link.empty())
            m_planted = symlink(m_target.c_str(), m_link.c_str()) == 0;
        return ForwardingFileSystem::OpenOutput(path, mode, error);
    }

  private:
    std::string m_link;
    std::string m_target;
    bool m_planted = false;
};

TEST(RunLog, LogsAreMadeForTheRunAloneNeverThroughALink) {
    struct Row {
        const char* name;
        bool text, batch;
        const char* planted;  // the log name another user takes, as a link to a victim file
        bool beforeTheRun;    // there before the run starts, else just after its first look
        unsigned folderMode;
        int error;
        const char* textLog;  // the names the run's logs get ("" when not written)
        const char* batchLog;
    } rows[] = {
        {"race/text_log", true, false, "20030305102030.log", false, 0700, 0, "20030305102030-2.log",
         ""},
        {"race/batch_log", false, true, "20030305102030BAT.log", false, 0700, 0, "",
         "20030305102030-2BAT.log"},
        {"taken/both_logs_move_on_together", true, true, "20030305102030BAT.log", true, 0700, 0,
         "20030305102030-2.log", "20030305102030-2BAT.log"},
        {"folder/shared_without_sticky_bit", true, true, "", false, 0777, EPERM, "", ""},
        {"folder/shared_with_sticky_bit", true, true, "", false, 01777, 0, "20030305102030.log",
         "20030305102030BAT.log"},
    };
    for (const Row& row : rows) {
        test::TempFolder temp;
        temp.CreateFile("victim", "keep");
        temp.CreateFolder("logs");
        temp.SetMode("logs", row.folderMode);
        platform::PosixFileSystem real;
        const std::string link = row.planted[0] != '\0' ? temp / "logs/" + row.planted : "";
        if (row.beforeTheRun)
            temp.CreateSymlink(temp / "victim", std::string("logs/") + row.planted);
        LinkPlanter fs(real, row.beforeTheRun ? "" : link, temp / "victim");
        RunLog log(fs, {row.text, row.batch, temp.Cp932Path("logs/"), false, ""});
        std::string failed;
        std::string detail;
        EXPECT_EQ(log.Open(kStart, 1, &failed, &detail), row.error) << row.name;
        log.AppendLine(1, "/a", "/b", "a");
        EXPECT_EQ(temp.ReadFile("victim"), "keep") << row.name;
        for (const auto& [wanted, path] :
             {std::pair{row.textLog, &log.TextLogPath()}, {row.batchLog, &log.BatchLogPath()}}) {
            if (wanted[0] == '\0') continue;
            EXPECT_EQ(*path, temp.Cp932Path("logs/") + wanted) << row.name;
            EXPECT_NE(temp.ReadFile(std::string("logs/") + wanted).find("\r\n"), std::string::npos)
                << row.name;
        }
        if (row.error == EPERM) {
            EXPECT_EQ(failed, temp.Cp932Path("logs/20030305102030.log")) << row.name;
            EXPECT_NE(detail.find(Sjis("他のユーザーも書き込める")), std::string::npos) << row.name;
            EXPECT_FALSE(temp.Exists("logs/20030305102030.log")) << row.name;
        }
        temp.SetMode("logs", 0700);
    }
}

// Between quotes the command interpreter reads & ^ < > | as they are, so such names stay
// commands; a name holding what it would still read (" % ! or a control character) becomes a
// remark without the name.
TEST(RunLog, RenameBackLinesNeverRunAnotherCommand) {
    struct Row {
        const char* name;
        std::string newPath;
        std::string oldName;
        bool command;
    } rows[] = {
        {"kept/ampersand", "/p/IMG_1.mp3", "R&B.mp3", true},
        {"kept/caret_and_pipes", "/p/a^b|c<d>.txt", "x^.txt", true},
        {"kept/japanese", Sjis("/p/写真ソ表.jpg"), Sjis("旅行.jpg"), true},
        {"remark/quote_and_ampersand", "/p/IMG_1.jpg", "a\" & calc & \".jpg", false},
        {"remark/percent_in_new_path", "/p/100%~1.jpg", "a.jpg", false},
        {"remark/exclamation", "/p/IMG_1.jpg", "wow!.jpg", false},
        {"remark/line_break", "/p/IMG_1.jpg", "a\r\ndel x.jpg", false},
        {"remark/control_byte", "/p/IMG_\x07.jpg", "a.jpg", false},
    };
    for (const Row& row : rows) {
        test::MemoryFileSystem fs;
        RunLog log(fs, {false, true, "/logs/", false, ""});
        ASSERT_EQ(log.Open(kStart, 3), 0);
        log.AppendLine(3, "/p/src", row.newPath, row.oldName);
        const std::string& text = fs.files["/logs/20030305102030BAT.log"].contents;
        const std::string line = text.substr(text.rfind("\r\n\r\n") + 4);
        if (row.command) {
            EXPECT_EQ(line, "ren \"" + row.newPath + "\" \"" + row.oldName + "\" \r\n") << row.name;
            continue;
        }
        EXPECT_TRUE(line.starts_with("rem 00003 : ")) << row.name;
        EXPECT_TRUE(line.ends_with("\r\n")) << row.name;
        EXPECT_EQ(line.find_first_of("\"%!^&|<>\x07"), std::string::npos) << row.name;
        EXPECT_EQ(line.find("\r\n"), line.size() - 2) << row.name;
        EXPECT_NE(Utf8FromCp932(line).find("コマンドとして書けない"), std::string::npos)
            << row.name;
    }
}

}  // namespace
}  // namespace morvanex::engine
