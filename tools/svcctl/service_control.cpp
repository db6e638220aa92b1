#include "service_control.h"

#include "tool_arguments.h"
#include "tool_output.h"
#include "tool_paths.h"

static_assert(sizeof(SERVICE_STATUS_PROCESS) == 36, "the status record is read as 36 bytes");

namespace {

const DWORD kStopAccess = SERVICE_STOP | SERVICE_QUERY_STATUS | SERVICE_ENUMERATE_DEPENDENTS;
const DWORD kDependentAccess = SERVICE_STOP | SERVICE_QUERY_STATUS;
// The command word lives in ten units, its terminator included.
const size_t kCommandWordUnits = 10;

void* AllocateFromProcessHeap(size_t bytes)
{
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
}

void FreeToProcessHeap(void* block)
{
    HeapFree(GetProcessHeap(), 0, block);
}

class ScopedBlock {
public:
    ScopedBlock(const ServiceControlApi& api, size_t bytes) : api_(api), block_(api.AllocateBlock(bytes)) {}
    ~ScopedBlock()
    {
        if (block_)
            api_.FreeBlock(block_);
    }
    ScopedBlock(const ScopedBlock&) = delete;
    ScopedBlock& operator=(const ScopedBlock&) = delete;

    void* Get() const { return block_; }

private:
    const ServiceControlApi& api_;
    void* block_;
};

// The two handles a command holds: the manager's and the companion service's,
// closed at the command's end, the service's first.
class CompanionHandles {
public:
    explicit CompanionHandles(const ServiceControlApi& api) : api_(api), manager_(nullptr), service_(nullptr) {}
    ~CompanionHandles()
    {
        if (service_)
            api_.CloseServiceHandle(service_);
        if (manager_)
            api_.CloseServiceHandle(manager_);
    }
    CompanionHandles(const CompanionHandles&) = delete;
    CompanionHandles& operator=(const CompanionHandles&) = delete;

    // Opens both and reads the service's status; a failure prints its line.
    bool Open(DWORD serviceAccess, SERVICE_STATUS_PROCESS* status);

    SC_HANDLE Manager() const { return manager_; }
    SC_HANDLE Service() const { return service_; }

private:
    const ServiceControlApi& api_;
    SC_HANDLE manager_;
    SC_HANDLE service_;
};

// "<call> failed (<last error>)" - the error is read before anything else runs.
void PrintFailure(const ServiceControlApi& api, const wchar_t* call)
{
    long error = static_cast<long>(api.GetLastError());
    wchar_t prefix[40];
    wchar_t line[64];
    if (CopyWholeText(prefix, 40, call) && AppendText(prefix, 40, L" failed (") &&
        FormatNumberLine(prefix, error, L")\n", line, 64))
        api.Print(line);
}

void PrintNumber(const ServiceControlApi& api, const wchar_t* prefix, DWORD value)
{
    wchar_t line[64];
    // The detail lines show the fields as signed numbers.
    if (FormatNumberLine(prefix, static_cast<long>(value), L"\n", line, 64))
        api.Print(line);
}

bool QueryStatus(const ServiceControlApi& api, SC_HANDLE service, SERVICE_STATUS_PROCESS* status)
{
    DWORD needed = 0;
    return api.QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<LPBYTE>(status),
                                    sizeof(*status), &needed) != FALSE;
}

bool CompanionHandles::Open(DWORD serviceAccess, SERVICE_STATUS_PROCESS* status)
{
    manager_ = api_.OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_ALL_ACCESS);
    if (!manager_) {
        PrintFailure(api_, L"OpenSCManager");
        return false;
    }
    service_ = api_.OpenServiceW(manager_, kCompanionServiceName, serviceAccess);
    if (!service_) {
        PrintFailure(api_, L"OpenService");
        return false;
    }
    if (!QueryStatus(api_, service_, status)) {
        PrintFailure(api_, L"QueryServiceStatusEx");
        return false;
    }
    return true;
}

// Sends the stop request; the reply fills the leading fields that
// SERVICE_STATUS shares with the status record.
bool RequestStop(const ServiceControlApi& api, SC_HANDLE service, SERVICE_STATUS_PROCESS* status)
{
    return api.ControlService(service, SERVICE_CONTROL_STOP, reinterpret_cast<LPSERVICE_STATUS>(status)) !=
           FALSE;
}

bool StopDependent(const ServiceControlApi& api, SC_HANDLE manager, const wchar_t* name, DWORD budgetStart)
{
    ScopedServiceHandle dependent(api.OpenServiceW(manager, name, kDependentAccess), api.CloseServiceHandle);
    if (!dependent)
        return false;
    SERVICE_STATUS_PROCESS status = {};
    if (!RequestStop(api, dependent.Get(), &status))
        return false;
    while (status.dwCurrentState != SERVICE_STOPPED) {
        api.Sleep(status.dwWaitHint);
        if (!QueryStatus(api, dependent.Get(), &status))
            return false;
        if (status.dwCurrentState == SERVICE_STOPPED)
            break;
        if (api.GetTickCount() - budgetStart > kServiceStopBudgetMs)
            return false;
    }
    return true;
}

}  // namespace

const ServiceControlApi& RealServiceControlApi()
{
    static const ServiceControlApi api = {
        ::OpenSCManagerW,      ::OpenServiceW,       ::QueryServiceStatusEx,  ::ChangeServiceConfig2W,
        ::StartServiceW,       ::ControlService,     ::EnumDependentServicesW, ::CloseServiceHandle,
        ::GetTickCount,        ::Sleep,              ::GetLastError,          AllocateFromProcessHeap,
        FreeToProcessHeap,     PrintText,
    };
    return api;
}

DWORD PollInterval(const SERVICE_STATUS_PROCESS& status)
{
    DWORD interval = status.dwWaitHint / 10;
    if (interval < 1000)
        return 1000;
    if (interval > 10000)
        return 10000;
    return interval;
}

bool StartCompanionService(const ServiceControlApi& api)
{
    CompanionHandles handles(api);
    SERVICE_STATUS_PROCESS status = {};
    if (!handles.Open(SERVICE_ALL_ACCESS, &status))
        return false;
    const SC_HANDLE service = handles.Service();

    // Written on every start command, whatever follows; a failure is not worth reporting.
    SERVICE_DESCRIPTIONW description = {const_cast<LPWSTR>(kCompanionServiceDescription)};
    api.ChangeServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, &description);

    if (status.dwCurrentState != SERVICE_STOPPED && status.dwCurrentState != SERVICE_STOP_PENDING) {
        api.Print(L"Cannot start the service because it is already running\n");
        return false;
    }

    // Wait out a pending stop while it shows progress.
    DWORD reference = api.GetTickCount();
    DWORD checkPoint = status.dwCheckPoint;
    while (status.dwCurrentState == SERVICE_STOP_PENDING) {
        api.Sleep(PollInterval(status));
        if (!QueryStatus(api, service, &status)) {
            PrintFailure(api, L"QueryServiceStatusEx");
            return false;
        }
        // A stopped service reports check point 0 and wait hint 0: leave before
        // the progress test, which would take that for a stall.
        if (status.dwCurrentState != SERVICE_STOP_PENDING)
            break;
        if (status.dwCheckPoint > checkPoint) {
            reference = api.GetTickCount();
            checkPoint = status.dwCheckPoint;
        } else if (api.GetTickCount() - reference > status.dwWaitHint) {
            api.Print(L"Timeout waiting for service to stop\n");
            return false;
        }
    }

    if (!api.StartServiceW(service, 0, nullptr)) {
        PrintFailure(api, L"StartService");
        return false;
    }
    api.Print(L"Service start pending...\n");
    if (!QueryStatus(api, service, &status)) {
        PrintFailure(api, L"QueryServiceStatusEx");
        return false;
    }

    reference = api.GetTickCount();
    checkPoint = status.dwCheckPoint;
    while (status.dwCurrentState == SERVICE_START_PENDING) {
        api.Sleep(PollInterval(status));
        // A failed query ends only the wait; the report shows the status last read.
        SERVICE_STATUS_PROCESS latest = {};
        if (!QueryStatus(api, service, &latest)) {
            PrintFailure(api, L"QueryServiceStatusEx");
            break;
        }
        status = latest;
        if (status.dwCheckPoint > checkPoint) {
            reference = api.GetTickCount();
            checkPoint = status.dwCheckPoint;
        } else if (api.GetTickCount() - reference > status.dwWaitHint) {
            break;
        }
    }

    if (status.dwCurrentState == SERVICE_RUNNING) {
        api.Print(L"Service started successfully.\n");
        return true;
    }
    api.Print(L"Service not started. \n");
    PrintNumber(api, L"  Current State: ", status.dwCurrentState);
    PrintNumber(api, L"  Exit Code: ", status.dwWin32ExitCode);
    PrintNumber(api, L"  Check Point: ", status.dwCheckPoint);
    PrintNumber(api, L"  Wait Hint: ", status.dwWaitHint);
    return false;
}

bool StopCompanionService(const ServiceControlApi& api)
{
    const DWORD commandStart = api.GetTickCount();
    CompanionHandles handles(api);
    SERVICE_STATUS_PROCESS status = {};
    if (!handles.Open(kStopAccess, &status))
        return false;
    const SC_HANDLE service = handles.Service();
    if (status.dwCurrentState == SERVICE_STOPPED) {
        api.Print(L"Service is already stopped.\n");
        return true;
    }

    // Someone else's stop is under way: follow it rather than send another.
    while (status.dwCurrentState == SERVICE_STOP_PENDING) {
        api.Print(L"Service stop pending...\n");
        api.Sleep(PollInterval(status));
        if (!QueryStatus(api, service, &status)) {
            PrintFailure(api, L"QueryServiceStatusEx");
            return false;
        }
        if (status.dwCurrentState == SERVICE_STOPPED) {
            api.Print(L"Service stopped successfully.\n");
            return true;
        }
        if (api.GetTickCount() - commandStart > kServiceStopBudgetMs) {
            api.Print(L"Service stop timed out.\n");
            return false;
        }
    }

    // Its outcome shows in the stop request: the manager refuses it while dependents run.
    StopActiveDependents(api, handles.Manager(), service);

    if (!RequestStop(api, service, &status)) {
        PrintFailure(api, L"ControlService");
        return false;
    }
    while (status.dwCurrentState != SERVICE_STOPPED) {
        api.Sleep(status.dwWaitHint);
        if (!QueryStatus(api, service, &status)) {
            PrintFailure(api, L"QueryServiceStatusEx");
            return false;
        }
        if (status.dwCurrentState == SERVICE_STOPPED)
            break;
        if (api.GetTickCount() - commandStart > kServiceStopBudgetMs) {
            api.Print(L"Wait timed out\n");
            return false;
        }
    }
    api.Print(L"Service stopped successfully\n");
    return true;
}

bool StopActiveDependents(const ServiceControlApi& api, SC_HANDLE manager, SC_HANDLE service)
{
    const DWORD budgetStart = api.GetTickCount();
    DWORD needed = 0;
    DWORD count = 0;
    // Success without a buffer means there is nothing to list.
    if (api.EnumDependentServicesW(service, SERVICE_ACTIVE, nullptr, 0, &needed, &count))
        return true;
    if (api.GetLastError() != ERROR_MORE_DATA)
        return false;

    ScopedBlock block(api, needed);
    if (!block.Get())
        return false;
    ENUM_SERVICE_STATUSW* dependents = static_cast<ENUM_SERVICE_STATUSW*>(block.Get());
    if (!api.EnumDependentServicesW(service, SERVICE_ACTIVE, dependents, needed, &needed, &count))
        return false;
    for (DWORD i = 0; i < count; ++i) {
        if (!StopDependent(api, manager, dependents[i].lpServiceName, budgetStart))
            return false;
    }
    return true;
}

int RunServiceCommand(int argc, wchar_t** argv, const ServiceControlApi& api)
{
    wchar_t command[kCommandWordUnits];
    CutArgument(argc > 1 ? argv[1] : L"start", command, kCommandWordUnits);
    if (lstrcmpiW(command, L"start") == 0)
        return StartCompanionService(api) ? 0 : 1;
    if (lstrcmpiW(command, L"stop") == 0)
        return StopCompanionService(api) ? 0 : 1;

    wchar_t line[kCommandWordUnits + 24] = L"Unknown command (";
    AppendText(line, kCommandWordUnits + 24, command);
    AppendText(line, kCommandWordUnits + 24, L")\n\n");
    api.Print(line);
    return 1;
}
