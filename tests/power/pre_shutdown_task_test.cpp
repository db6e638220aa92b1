#include "pre_shutdown_task.h"

#include "companion_mailbox.h"
#include "power_test_support.h"
#include "saver_settings.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void SetTaskJob(const std::wstring& command)
{
    ResetSaverSettings(g_settings);
    g_settings.perform_task = true;
    wcsncpy(g_settings.task_job, command.c_str(), kTaskJobCapacity - 1);
    g_settings.task_job[kTaskJobCapacity - 1] = 0;
}

class PreShutdownTask : public testing::Test {
protected:
    void TearDown() override
    {
        CloseCompanionMailbox(&mailbox_);
        ResetSaverSettings(g_settings);
    }
    CompanionMailbox mailbox_;
};

TEST_F(PreShutdownTask, StartsTheTaskAndPostsItsProcessId)
{
    ASSERT_TRUE(CreateCompanionMailbox(&mailbox_, true, false));
    const std::wstring pidFile = ScratchPath(L"task-started.pid");
    SetTaskJob(TaskProbeCommand(pidFile, 0));

    EXPECT_TRUE(RunPreShutdownTask());
    const DWORD pid = WaitForTaskPid(pidFile, 10000);
    ASSERT_NE(0u, pid);
    auto messages = ReadQueuedMessages(mailbox_.slot);
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(WireBytes(L"WaitFor:" + std::to_wstring(pid) + L";true;"), messages[0])
        << Utf16Text(messages[0]).c_str();
}

TEST_F(PreShutdownTask, DoesNotWaitForTheTask)
{
    ASSERT_TRUE(CreateCompanionMailbox(&mailbox_, true, false));
    const std::wstring pidFile = ScratchPath(L"task-lingering.pid");
    SetTaskJob(TaskProbeCommand(pidFile, 20));

    DWORD start = GetTickCount();
    EXPECT_TRUE(RunPreShutdownTask());
    EXPECT_LT(GetTickCount() - start, 5000u);
    const DWORD pid = WaitForTaskPid(pidFile, 10000);
    ASSERT_NE(0u, pid);
    EXPECT_TRUE(ProcessIsRunning(pid));
    EndProcessById(pid);
}

TEST_F(PreShutdownTask, CommandsThatCannotStartPostNothing)
{
    ASSERT_TRUE(CreateCompanionMailbox(&mailbox_, true, false));
    const wchar_t* commands[] = {
        L"",
        L"Z:\\no\\such\\folder\\missing_task.exe",
        L"\"C:\\no such task.exe\" argument",
    };
    for (const wchar_t* command : commands) {
        SCOPED_TRACE(testing::Message() << "task_job \"" << std::wstring(command).c_str() << "\"");
        SetTaskJob(command);
        EXPECT_FALSE(RunPreShutdownTask());
        EXPECT_TRUE(ReadQueuedMessages(mailbox_.slot).empty());
    }
}

TEST_F(PreShutdownTask, StartsTheTaskEvenWhenTheMailboxIsMissing)
{
    const std::wstring pidFile = ScratchPath(L"task-unheard.pid");
    SetTaskJob(TaskProbeCommand(pidFile, 0));
    EXPECT_FALSE(RunPreShutdownTask());
    EXPECT_NE(0u, WaitForTaskPid(pidFile, 10000));
}

TEST_F(PreShutdownTask, LeavesTheStoredCommandAsItWas)
{
    // The system may write into the command line it is given; the setting
    // must read the same afterwards (the waiting row shows it).
    ASSERT_TRUE(CreateCompanionMailbox(&mailbox_, true, false));
    const std::wstring pidFile = ScratchPath(L"task-command.pid");
    const std::wstring command = TaskProbeCommand(pidFile, 0);
    SetTaskJob(command);
    EXPECT_TRUE(RunPreShutdownTask());
    EXPECT_EQ(command, g_settings.task_job);
    EXPECT_NE(0u, WaitForTaskPid(pidFile, 10000));
}

}  // namespace
