#include "service_install.h"

#include "companion_names.h"
#include "scoped_handles.h"
#include "tool_output.h"

#include <windows.h>
#include <wchar.h>

namespace {

const wchar_t kEventSourceKey[] =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\DusklatchService";
// Error, warning and information events.
const DWORD kEventTypesSupported = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE |
                                   EVENTLOG_INFORMATION_TYPE;

int Failed(const wchar_t* call, DWORD error)
{
    PrintCallFailure(call, error);
    return 1;
}

// The event log finds the message text for our events in this program.
int WriteEventSourceKey(const wchar_t* programPath)
{
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return Failed(L"RegCreateKeyEx", static_cast<DWORD>(status));
    status = RegSetValueExW(key, L"EventMessageFile", 0, REG_EXPAND_SZ,
                            reinterpret_cast<const BYTE*>(programPath),
                            static_cast<DWORD>((lstrlenW(programPath) + 1) * sizeof(wchar_t)));
    if (status == ERROR_SUCCESS)
        status = RegSetValueExW(key, L"TypesSupported", 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&kEventTypesSupported),
                                sizeof(kEventTypesSupported));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return Failed(L"RegSetValueEx", static_cast<DWORD>(status));
    return 0;
}

// True when the service control manager no longer knows the service. A
// deleted service lingers until its last handle is closed and it has stopped.
bool ServiceIsGone(SC_HANDLE manager)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        SC_HANDLE service = OpenServiceW(manager, kCompanionServiceName, SERVICE_QUERY_STATUS);
        if (!service)
            return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
        CloseServiceHandle(service);
        Sleep(100);
    }
    return false;
}

// Sends a stop and waits until the service has stopped, at most the budget.
// 0 when it is stopped, else an exit status after a printed line.
int StopForRemoval(SC_HANDLE service)
{
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(service, &status))
        return Failed(L"QueryServiceStatus", GetLastError());
    if (status.dwCurrentState == SERVICE_STOPPED)
        return 0;
    if (status.dwCurrentState != SERVICE_STOP_PENDING &&
        !ControlService(service, SERVICE_CONTROL_STOP, &status) &&
        GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
        return Failed(L"ControlService", GetLastError());
    const DWORD start = GetTickCount();
    for (;;) {
        if (!QueryServiceStatus(service, &status))
            return Failed(L"QueryServiceStatus", GetLastError());
        if (status.dwCurrentState == SERVICE_STOPPED)
            return 0;
        if (GetTickCount() - start > kServiceStopBudgetMs) {
            PrintNumberLine(L"Service DusklatchService did not stop within ",
                            static_cast<long>(kServiceStopBudgetMs / 1000), L" seconds.\n");
            return 1;
        }
        Sleep(200);
    }
}

}  // namespace

int InstallCompanionService()
{
    wchar_t programPath[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, programPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return Failed(L"GetModuleFileName", length ? ERROR_INSUFFICIENT_BUFFER : GetLastError());
    // Quoted, so that a path with blanks names the program and not a prefix of it.
    wchar_t commandLine[MAX_PATH + 2];
    commandLine[0] = L'"';
    wmemcpy(commandLine + 1, programPath, length);
    commandLine[length + 1] = L'"';
    commandLine[length + 2] = 0;

    ScopedServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT |
                                                                     SC_MANAGER_CREATE_SERVICE));
    if (!manager.Get())
        return Failed(L"OpenSCManager", GetLastError());
    bool existed = false;
    ScopedServiceHandle service(CreateServiceW(
        manager.Get(), kCompanionServiceName, kCompanionServiceDisplayName,
        SERVICE_CHANGE_CONFIG | SERVICE_QUERY_CONFIG, SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
        SERVICE_ERROR_NORMAL, commandLine, nullptr, nullptr, nullptr, nullptr /* LocalSystem */,
        nullptr));
    if (!service.Get()) {
        if (GetLastError() != ERROR_SERVICE_EXISTS)
            return Failed(L"CreateService", GetLastError());
        // Installed before, perhaps from another folder: the path follows this
        // program; start type and account stay as an administrator may have set them.
        existed = true;
        service.Reset(OpenServiceW(manager.Get(), kCompanionServiceName, SERVICE_CHANGE_CONFIG));
        if (!service.Get())
            return Failed(L"OpenService", GetLastError());
        if (!ChangeServiceConfigW(service.Get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                  SERVICE_NO_CHANGE, commandLine, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, nullptr))
            return Failed(L"ChangeServiceConfig", GetLastError());
    }
    SERVICE_DESCRIPTIONW description = {const_cast<LPWSTR>(kCompanionServiceDescription)};
    if (!ChangeServiceConfig2W(service.Get(), SERVICE_CONFIG_DESCRIPTION, &description))
        return Failed(L"ChangeServiceConfig2", GetLastError());
    int status = WriteEventSourceKey(programPath);
    if (status != 0)
        return status;
    PrintText(existed ? L"Service DusklatchService updated.\n" : L"Service DusklatchService installed.\n");
    return 0;
}

int UninstallCompanionService()
{
    ScopedServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager.Get())
        return Failed(L"OpenSCManager", GetLastError());
    ScopedServiceHandle service(OpenServiceW(manager.Get(), kCompanionServiceName,
                                             SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    bool installed = service.Get() != nullptr;
    if (!installed && GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST)
        return Failed(L"OpenService", GetLastError());
    int stopped = 0;
    if (installed) {
        // A service that does not stop is still marked for deletion, and goes
        // once it stops; the status then says it is not gone yet.
        stopped = StopForRemoval(service.Get());
        if (!DeleteService(service.Get()) && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE)
            return Failed(L"DeleteService", GetLastError());
        service.Reset(nullptr);
    }
    LONG status = RegDeleteKeyW(HKEY_LOCAL_MACHINE, kEventSourceKey);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        return Failed(L"RegDeleteKey", static_cast<DWORD>(status));
    if (stopped != 0)
        return stopped;
    if (!ServiceIsGone(manager.Get())) {
        PrintText(L"Service DusklatchService is marked for deletion but still exists.\n");
        return 1;
    }
    PrintText(installed ? L"Service DusklatchService removed.\n"
                        : L"Service DusklatchService is not installed.\n");
    return 0;
}
