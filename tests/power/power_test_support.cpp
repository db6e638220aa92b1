#include "power_test_support.h"

#include "test_support.h"

#include <stdlib.h>

namespace {

const wchar_t kStopEventName[] = L"DusklatchCompanion_stop";

std::wstring ScratchFolder()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"dusklatch-power";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool HasRecord(const std::wstring& recordFile, const char* kind)
{
    for (const CompanionRecord& record : ReadCompanionRecords(recordFile))
        if (record.kind == kind)
            return true;
    return false;
}

}  // namespace

std::wstring ScratchPath(const wchar_t* name)
{
    std::wstring path = ScratchFolder() + L"\\" + name;
    DeleteFileW(path.c_str());
    return path;
}

std::vector<unsigned char> WireBytes(const std::wstring& text)
{
    std::vector<unsigned char> bytes = Utf16Bytes(text);
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

std::wstring TaskProbeCommand(const std::wstring& pidFile, int seconds)
{
    return L"\"" + BinPath(L"task_probe.exe") + L"\" \"" + pidFile + L"\" " +
           std::to_wstring(seconds);
}

DWORD WaitForTaskPid(const std::wstring& pidFile, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        std::vector<unsigned char> bytes;
        if (ReadFileBytes(pidFile, &bytes) && !bytes.empty())
            return strtoul(std::string(bytes.begin(), bytes.end()).c_str(), nullptr, 10);
        if (GetTickCount() - start > timeoutMs)
            return 0;
        Sleep(20);
    }
}

void EndProcessById(DWORD processId)
{
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
    if (!process)
        return;
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
}

std::vector<CompanionRecord> ReadCompanionRecords(const std::wstring& recordFile)
{
    std::vector<CompanionRecord> records;
    std::vector<unsigned char> bytes;
    if (!ReadFileBytes(recordFile, &bytes))
        return records;
    std::string text(bytes.begin(), bytes.end());
    size_t lineStart = 0;
    size_t lineEnd;
    // A line still being written has no line end yet and is left for later.
    while ((lineEnd = text.find('\n', lineStart)) != std::string::npos) {
        std::string line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        CompanionRecord record;
        size_t space = line.find(' ');
        record.kind = line.substr(0, space);
        const char* cursor = line.c_str() + (space == std::string::npos ? line.size() : space);
        char* next = nullptr;
        record.tick = strtoul(cursor, &next, 10);
        if (record.kind == "message") {
            unsigned long count = strtoul(next, &next, 10);
            while (*next == ' ')
                ++next;
            for (unsigned long i = 0; i < count && next[0] && next[1]; ++i, next += 2) {
                char hex[3] = {next[0], next[1], 0};
                record.bytes.push_back(static_cast<unsigned char>(strtoul(hex, nullptr, 16)));
            }
        }
        records.push_back(record);
    }
    return records;
}

std::vector<CompanionRecord> WireRecords(const std::wstring& recordFile)
{
    std::vector<CompanionRecord> wire;
    for (const CompanionRecord& record : ReadCompanionRecords(recordFile))
        if (record.kind == "message" || record.kind == "pulse")
            wire.push_back(record);
    return wire;
}

bool StartCompanion(CompanionProcess* companion, const wchar_t* recordName)
{
    companion->recordFile = ScratchPath(recordName);
    if (!StartProcess(L"\"" + BinPath(L"companion.exe") + L"\" \"" + companion->recordFile +
                          L"\" 120",
                      &companion->process))
        return false;
    DWORD start = GetTickCount();
    while (!HasRecord(companion->recordFile, "ready")) {
        if (WaitForSingleObject(companion->process.hProcess, 20) == WAIT_OBJECT_0 ||
            GetTickCount() - start > 10000)
            return false;
    }
    return true;
}

void StopCompanion(CompanionProcess* companion)
{
    if (!companion->process.hProcess)
        return;
    HANDLE stop = OpenEventW(EVENT_MODIFY_STATE, FALSE, kStopEventName);
    if (stop) {
        SetEvent(stop);
        CloseHandle(stop);
    }
    EndProcess(&companion->process);
}

bool WaitForPulse(const CompanionProcess& companion, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!HasRecord(companion.recordFile, "pulse")) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

bool ProcessIsRunning(DWORD processId)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process)
        return false;
    bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

bool WriteSaverSettings(int action, bool force, int countdown, bool performTask,
                        const std::wstring& taskJob, const std::vector<std::wstring>& moreLines)
{
    std::vector<std::wstring> lines = {
        L"shutdown_type=" + std::to_wstring(action),
        force ? L"force=true" : L"force=false",
        L"countdown=" + std::to_wstring(countdown),
        performTask ? L"perform_task=true" : L"perform_task=false",
        L"task_job=" + taskJob,
    };
    lines.insert(lines.end(), moreLines.begin(), moreLines.end());
    return WriteSettingsLines(lines);
}

bool StartFullScreenSaver(SaverRun* saver, const std::wstring& program)
{
    if (!StartProcess(L"\"" + program + L"\" /s", &saver->process))
        return false;
    saver->window = WaitForWindow(L"WindowsScreenSaverClass", L"Screen Saver", 15000);
    saver->shownAt = GetTickCount();
    return saver->window != nullptr;
}

void EndFullScreenSaver(SaverRun* saver)
{
    if (!saver->process.hProcess)
        return;
    if (saver->window)
        PostMessageW(saver->window, WM_CLOSE, 0, 0);
    EndProcess(&saver->process);
    *saver = SaverRun();
}
