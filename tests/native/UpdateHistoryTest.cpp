// The update history: its records, their escaping, the file's rotation, and that a torn or
// unwritable file never costs a record that was written whole.
#include "core/UpdateHistory.h"

#include <gtest/gtest.h>

#include "tests/native/Fakes.h"

namespace {

HistoryRecord Sample(const std::string& before = "SN9C250 0. 0. 5.11SBFgE") {
    HistoryRecord r;
    r.time = "2026-12-07T01:02:03Z";
    r.version = "1.0.0.0";
    r.force = true;
    r.before = before;
    r.targetImage = 133;
    r.targetName = "Quellmar Vistrel Solentra V2.0.7";
    r.ending = Ending::UpdateFailed;
    r.exitCode = 1;
    r.attempts = {{false, true, 29u}, {true, false, std::nullopt}, {true, true, 40000u}};
    r.after = "SN9C250 BOOT ROM 1.00";
    return r;
}

} // namespace

TEST(UpdateHistory, RecordHoldsEveryFieldOnOneLineAndItsAttemptsReadAsSentences) {
    const std::string line = FormatRecord(Sample());
    ASSERT_EQ(line.back(), '\n');
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    const auto record = ParseRecord(line.substr(0, line.size() - 1));
    ASSERT_TRUE(record);
    const std::map<std::string, std::string> expected = {
        {"time", "2026-12-07T01:02:03Z"},
        {"version", "1.0.0.0"},
        {"switches", "/force"},
        {"before", "SN9C250 0. 0. 5.11SBFgE"},
        {"target", "133"},
        {"target-name", "Quellmar Vistrel Solentra V2.0.7"},
        {"ending", "update-failed"},
        {"exit", "1"},
        {"attempts", "erase:failed,read:ok,differs@29;erase:ok,read:failed;erase:ok,read:ok,differs@40000"},
        {"after", "SN9C250 BOOT ROM 1.00"}};
    EXPECT_EQ(*record, expected);
    EXPECT_EQ(DescribeAttempts(record->at("attempts")),
              "1 erase failed, read ok, differs at 29; 2 erase ok, read failed; 3 erase ok, read ok, differs "
              "at 40000");

    HistoryRecord quiet = Sample();
    quiet.force = false;
    quiet.attempts.clear();
    quiet.ending = Ending::Cancelled;
    const auto cancelled = ParseRecord(FormatRecord(quiet));
    ASSERT_TRUE(cancelled);
    EXPECT_EQ(cancelled->at("switches"), "-");
    EXPECT_EQ(cancelled->at("attempts"), "-");
    EXPECT_EQ(cancelled->at("ending"), "cancelled");
    EXPECT_STREQ(EndingName(static_cast<Ending>(99)), "unknown"); // never null, whatever the value
    EXPECT_EQ(DescribeAttempts("-"), "-");
    EXPECT_EQ(DescribeAttempts("erase:ok,read:ok"), "1 erase ok, read ok");
}

TEST(UpdateHistory, CameraTextIsEscapedToPrintableAscii) {
    EXPECT_EQ(EscapeText(std::string("SN9C\0\t\x85\\=\xFF", 10)), "SN9C\\x00\\x09\\x85\\x5C=\\xFF");
    EXPECT_EQ(EscapeText("\x1F ~\x7F"), "\\x1F ~\\x7F");
    // A version text with a tab or line feed in it cannot split the record.
    const auto record = ParseRecord(FormatRecord(Sample(std::string("a\tb=c\nd\0", 8))));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->at("before"), "a\\x09b=c\\x0Ad\\x00");
}

// A new file starts with its header; past the limit the file moves aside and starts afresh.
TEST(UpdateHistory, FileStartsWithItsHeaderAndPastTheLimitMovesAside) {
    TempFolder folder;
    const std::filesystem::path history = folder.Path() / "Tervolin";
    ASSERT_TRUE(AppendHistory(history, FormatRecord(Sample())));
    ASSERT_TRUE(AppendHistory(history, FormatRecord(Sample("second"))));
    const std::string text = ReadFile(history / "history.log");
    EXPECT_EQ(text, kHistoryHeader + FormatRecord(Sample()) + FormatRecord(Sample("second")));
    ASSERT_EQ(ReadHistory(history).size(), 2u);
    EXPECT_EQ(ReadHistory(history)[1].at("before"), "second");
    // An empty file that is there already takes the line as it is.
    const std::filesystem::path log = folder.Path() / "history.log";
    WriteFile(log, "");
    ASSERT_TRUE(AppendHistory(folder.Path(), FormatRecord(Sample())));
    EXPECT_EQ(ReadFile(log), FormatRecord(Sample()));

    const std::filesystem::path older = folder.Path() / "history.1.log";
    WriteFile(older, "an older history\n");
    const std::string full = kHistoryHeader + std::string(kHistoryLimit, 'x') + "\n";
    WriteFile(log, full);
    ASSERT_TRUE(AppendHistory(folder.Path(), FormatRecord(Sample())));
    EXPECT_EQ(ReadFile(older), full); // replaced the older one
    EXPECT_EQ(ReadFile(log), kHistoryHeader + FormatRecord(Sample()));
    // At the limit exactly, it goes on.
    const std::string atLimit = std::string(kHistoryLimit - 1, 'y') + "\n";
    WriteFile(log, atLimit);
    ASSERT_TRUE(AppendHistory(folder.Path(), FormatRecord(Sample())));
    EXPECT_EQ(ReadFile(log), atLimit + FormatRecord(Sample()));
}

TEST(UpdateHistory, TornLineCostsNoWholeRecord) {
    TempFolder folder;
    ASSERT_TRUE(AppendHistory(folder.Path(), FormatRecord(Sample("first"))));
    // A writer cut off halfway through the second record.
    const std::string second = FormatRecord(Sample("second"));
    const std::filesystem::path log = folder.Path() / "history.log";
    WriteFile(log, ReadFile(log) + second.substr(0, second.size() / 2));
    ASSERT_TRUE(AppendHistory(folder.Path(), FormatRecord(Sample("third"))));
    const auto records = ReadHistory(folder.Path());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], *ParseRecord(FormatRecord(Sample("first"))));
    EXPECT_EQ(records[1], *ParseRecord(FormatRecord(Sample("third"))));
    // Cut short at a field boundary it is still no record: the last field is missing.
    EXPECT_FALSE(ParseRecord(second.substr(0, second.find("\tafter="))));
}

TEST(UpdateHistory, UnwritableFolderFailsQuietly) {
    TempFolder folder;
    const std::filesystem::path file = folder.Path() / "not-a-folder";
    WriteFile(file, "x");
    EXPECT_FALSE(AppendHistory(file, FormatRecord(Sample())));
    EXPECT_FALSE(AppendHistory(file / "deeper", FormatRecord(Sample())));
    EXPECT_TRUE(ReadHistory(file).empty());
    // A full disk: the record is not written, and that is said.
    std::filesystem::create_directory(folder.Path() / "full");
    std::filesystem::create_symlink("/dev/full", folder.Path() / "full" / "history.log");
    EXPECT_FALSE(AppendHistory(folder.Path() / "full", FormatRecord(Sample())));
}

TEST(UpdateHistory, BegunCrashedAndDriverRecordsCarryTheirOwnFieldsBeforeTheLast) {
    HistoryRecord begun = Sample();
    begun.ending = Ending::Begun;
    begun.attempts.clear();
    const std::string line = FormatRecord(begun);
    EXPECT_NE(line.find("\tending=begun\texit=-\tattempts=-\tafter="), std::string::npos) << line;

    HistoryRecord crashed = Sample();
    crashed.ending = Ending::Crashed;
    crashed.exitCode = kExitDriverFailed;
    crashed.driver = "missing:EraseSF";
    crashed.crashCode = "c0000005";
    crashed.crashAt = "RevezoDaRur.dll+0x1a2b";
    crashed.crashCall = "ReqToDriver";
    crashed.dump = "crash-20261207T010203.004Z.dmp";
    const std::string text = FormatRecord(crashed);
    EXPECT_NE(text.find("\tending=crashed\texit=6\t"), std::string::npos) << text;
    EXPECT_NE(text.find("\tdriver=missing:EraseSF\tcode=c0000005\tat=RevezoDaRur.dll+0x1a2b\tcall=ReqToDriver"
                        "\tdump=crash-20261207T010203.004Z.dmp\tafter="),
              std::string::npos)
        << text;
    // A record without them is as it always was.
    EXPECT_EQ(FormatRecord(Sample()).find("driver="), std::string::npos);
    EXPECT_EQ(FormatRecord(Sample()).find("code="), std::string::npos);
}

TEST(UpdateHistory, BegunRecordLeftLastIsFollowedByItsInterruptedTwin) {
    HistoryRecord begun = Sample("SN9C250\\tab");
    begun.ending = Ending::Begun;
    begun.old = true;
    const std::string line = FormatRecord(begun);
    const std::optional<std::string> interrupted = InterruptedRecord(line, "2026-12-08T00:00:00Z");
    ASSERT_TRUE(interrupted);
    auto expected = *ParseRecord(line);
    expected["ending"] = "interrupted";
    expected["noticed"] = "2026-12-08T00:00:00Z";
    EXPECT_EQ(*ParseRecord(*interrupted), expected);
    EXPECT_EQ(interrupted->find('\n'), interrupted->size() - 1);
    EXPECT_EQ(InterruptedRecord(line.substr(0, line.size() - 1), "now"),
              InterruptedRecord(line, "now")); // with or without its line feed

    // Nothing for anything but a whole begun record.
    EXPECT_FALSE(InterruptedRecord(FormatRecord(Sample()), "now"));
    EXPECT_FALSE(InterruptedRecord(line.substr(0, line.find("\tafter=")), "now"));
    EXPECT_FALSE(InterruptedRecord("", "now"));
    EXPECT_FALSE(InterruptedRecord("# ending=begun", "now"));
    EXPECT_FALSE(InterruptedRecord(line.substr(0, line.size() - 1) + "\t" + line, "now")); // two run together
    EXPECT_FALSE(ParseRecord("#old=1\t" + line)); // a comment, whatever it holds
    EXPECT_FALSE(ParseRecord("=1\t" + line));     // a value without a key

    // The last whole record of the file, past a torn line and over more than the tail it reads.
    TempFolder folder;
    EXPECT_EQ(LastHistoryLine(folder.Path()), "");
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(AppendHistory(folder.Path(), FormatRecord(Sample(std::to_string(i)))));
    ASSERT_TRUE(AppendHistory(folder.Path(), line));
    EXPECT_EQ(LastHistoryLine(folder.Path()) + "\n", line);
    const std::filesystem::path log = folder.Path() / "history.log";
    WriteFile(log, ReadFile(log) + line.substr(0, 40));
    EXPECT_EQ(LastHistoryLine(folder.Path()) + "\n", line);
    ASSERT_TRUE(AppendHistory(folder.Path(), *interrupted));
    EXPECT_FALSE(InterruptedRecord(LastHistoryLine(folder.Path()), "later"));
    // A last record longer than the tail is not whole there: its end is no record of its own,
    // though it reads as a begun one ("xx...x=y", then the fields of `line`).
    ASSERT_TRUE(AppendHistory(folder.Path(), "pad=" + std::string(20000, 'x') + "=y\t" + line));
    EXPECT_EQ(LastHistoryLine(folder.Path()), "");
    ASSERT_TRUE(AppendHistory(folder.Path(), line)); // the one whole line after it
    EXPECT_EQ(LastHistoryLine(folder.Path()) + "\n", line);
}
