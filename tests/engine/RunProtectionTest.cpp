#include "base/AppError.h"
#include "engine/PathText.h"
#include "engine/Recovery.h"

#include "RunFixture.h"

#include <climits>
#include <unistd.h>

using namespace hozonix;
using namespace hozonix::engine;
using namespace hozonix::test;

namespace {

class RunProtectionTest : public RunFixture {
protected:
    // A source file newer than its existing destination copy, which holds `previous`.
    void Prepare(const std::string& relative, int64_t size, const std::string& previous) {
        MakeFile(src + "/" + relative, size);
        mkdir(FolderOf(dst + "/" + relative).c_str(), 0755);
        WriteFile(dst + "/" + relative, previous);
        SetWriteTime(dst + "/" + relative, 1'000'000'000'000'000'000);
    }
    // Presses the abort button at the n-th block of the first large copy.
    void AbortAtBlock(int n) {
        host.onUpdate = [this, n, blocks = 0](const RecordingHost::Call& c) mutable {
            if (c.lower.find("Kバイト") != std::string::npos && ++blocks == n)
                host.RequestAbort();
        };
    }
};

TEST_F(RunProtectionTest, ThresholdIsStrictlyGreater) {
    MakeFolder("at");
    MakeFolder("above");
    Prepare("at/exact.bin", 1'000'000, "previous exact");
    Prepare("above/big.img", 1'000'001, "previous big");
    request.RecoveryThreshold = 1'000'000;
    EXPECT_EQ(Run(), 2);
    EXPECT_EQ(ListFolder(dst + "/at"), "exact.bin");
    EXPECT_EQ(ListFolder(dst + "/above"), "big.img big.~TMP");
    EXPECT_EQ(ReadFile(dst + "/above/big.~TMP"), "previous big");
    EXPECT_EQ(SizeOf(dst + "/above/big.img"), 1'000'001);

    // The next protected write replaces the old parked file.
    SetWriteTime(dst + "/above/big.img", 1'000'000'000'000'000'000);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(SizeOf(dst + "/above/big.~TMP"), 1'000'001);

    // Off: nothing is parked.
    request.RecoveryThreshold = 0;
    unlink((dst + "/above/big.~TMP").c_str());
    SetWriteTime(dst + "/above/big.img", 1'000'000'000'000'000'000);
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(ListFolder(dst + "/above"), "big.img");
}

TEST_F(RunProtectionTest, AbortedParkedCopyPutsThePreviousVersionBack) {
    MakeFolder("first");
    Prepare("first/small.txt", 10, "old small");
    Prepare("disk.img", 5'000'000, "previous version");
    request.RecoveryThreshold = 1'000'000;
    AbortAtBlock(3);
    host.continueAnswers = {ContinueAnswer::Yes};
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(ReadFile(dst + "/disk.img"), "previous version");
    EXPECT_EQ(ListFolder(dst), "disk.img first");
    EXPECT_EQ(failed, Lines{src + "/disk.img"});
    EXPECT_EQ(updated, Lines{src + "/first/small.txt"});
    const auto asked = host.Texts("askContinue");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0],
              "続けますか？\r\n" + src +
                  "/disk.img\r\n※中断処理により、上記のファイルは正しく保存されていませんのでご注意下さい。");
    EXPECT_EQ(result.FilesFailed, 1);
    EXPECT_EQ(host.calls.back().kind, "hide");
}

TEST_F(RunProtectionTest, AbortWithoutProtectionKeepsThePreviousVersionToo) {
    Prepare("disk.img", 5'000'000, "previous version");
    AbortAtBlock(1);
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(ReadFile(dst + "/disk.img"), "previous version");
    EXPECT_EQ(ListFolder(dst), "disk.img");
    EXPECT_EQ(failed, Lines{src + "/disk.img"});
}

TEST_F(RunProtectionTest, TheThreeAnswersOfTheContinueQuestion) {
    struct Case {
        ContinueAnswer answer;
        Lines updated;
        bool copiedTextForFailedFile;
    } cases[] = {
        {ContinueAnswer::Yes, {"first", "last"}, true},
        {ContinueAnswer::Cancel, {"first", "last"}, false},
        {ContinueAnswer::NoToAll, {"first"}, false},
    };
    for (const Case& c : cases) {
        TempFolder fresh;
        request.SourceFolder = fresh / "s";
        request.DestinationFolder = fresh / "d";
        const std::string s = request.SourceFolder;
        for (const std::string& folder : {s, s + "/a", s + "/a/b", request.DestinationFolder})
            mkdir(folder.c_str(), 0755);
        // Post-order: a/b/first, then a/big, then last. Once the question is answered the flag is
        // cleared again, so that the answer alone decides what follows.
        WriteFile(s + "/a/b/first", "1");
        MakeFile(s + "/a/big", 3'000'000);
        WriteFile(s + "/last", "3");
        AbortAtBlock(1);
        host.continueAnswers = {c.answer};
        host.onPending = [this](int) {
            if (!host.Of("askContinue").empty())
                host.ClearAbortRequest();
        };
        Run();
        Lines names;
        for (const std::string& p : updated)
            names.push_back(p.substr(p.rfind('/') + 1));
        EXPECT_EQ(names, c.updated) << static_cast<int>(c.answer);
        EXPECT_EQ(failed, Lines{s + "/a/big"});
        bool copiedText = false;
        for (const std::string& t : host.Texts("status"))
            copiedText |= t.rfind(s + "/a/big をコピーしました", 0) == 0;
        EXPECT_EQ(copiedText, c.copiedTextForFailedFile) << static_cast<int>(c.answer);
    }
}

TEST_F(RunProtectionTest, ParkedNameTooLongIsTheRenameErrorAndKeepsTheFile) {
    const std::string name(NAME_MAX - 2, 'n'); // ".~TMP" added makes it too long
    Prepare(name, 2000, "previous");
    request.RecoveryThreshold = 1000;
    try {
        Run();
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(std::string(e.what()),
                  dst + "/" + name + "を\r\n" + dst + "/" + name + ".~TMPへ変更できません");
    }
    EXPECT_EQ(ReadFile(dst + "/" + name), "previous");
    EXPECT_EQ(ListFolder(dst), name);
}

TEST_F(RunProtectionTest, PutBackFailureIsReportedAndTheParkedFileKept) {
    Prepare("disk.img", 3'000'000, "previous version");
    request.RecoveryThreshold = 1'000'000;
    // Only without hard links is the previous version renamed aside and so in need of a put-back.
    SetParkingLinkForTesting([](int, const char*, int, const char*, int) {
        errno = EPERM;
        return -1;
    });
    struct Restore {
        ~Restore() { SetParkingLinkForTesting(nullptr); }
    } restore;
    // While the copy runs, a folder appears under the target's name: the put-back cannot rename over it.
    host.onUpdate = [this](const RecordingHost::Call& c) {
        if (c.lower.find("Kバイト") != std::string::npos && !host.AbortRequested()) {
            mkdir((dst + "/disk.img").c_str(), 0755);
            WriteFile(dst + "/disk.img/blocker", "x");
            host.RequestAbort();
        }
    };
    try {
        Run();
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(std::string(e.what()),
                  dst + "/disk.~TMPを\r\n" + dst + "/disk.imgへ書き戻すことができません");
    }
    EXPECT_EQ(ReadFile(dst + "/disk.~TMP"), "previous version");
    EXPECT_TRUE(failed.empty());
    EXPECT_EQ(host.calls.back().kind, "hide");
}

TEST_F(RunProtectionTest, FileOverFourGiBIsCountedAndProtected) {
    const int64_t size = (int64_t{4} << 30) + 1; // sparse: no disk space needed
    Prepare("huge.img", size, "previous huge");
    request.RecoveryThreshold = 100'000'000;

    request.DryRun = true;
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(result.BytesTotal, size);
    EXPECT_EQ(result.BytesWritten, size);

    request.DryRun = false;
    bool parkedDuringCopy = false;
    host.onUpdate = [&](const RecordingHost::Call& c) {
        if (c.lower.find("Kバイト") != std::string::npos) {
            parkedDuringCopy = ReadFile(dst + "/huge.~TMP") == "previous huge";
            EXPECT_EQ(c.lower, "コピー済  1048.58 Kバイト/4294967.30 Kバイト  0.0%");
            host.RequestAbort();
        }
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(parkedDuringCopy);
    EXPECT_EQ(ReadFile(dst + "/huge.img"), "previous huge");
    EXPECT_EQ(ListFolder(dst), "huge.img");
    EXPECT_EQ(failed, Lines{src + "/huge.img"});
}

} // namespace
