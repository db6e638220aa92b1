// Starting and stopping the companion service DusklatchService through the
// service control manager, reporting progress as lines on standard output.
#pragma once

#include "companion_names.h"
#include "scoped_handles.h"

#include <windows.h>

#include <stddef.h>

// The platform calls the commands make, gathered so that a test can script the
// service control manager's answers and the clock (the platform's dependent
// services and long waits cannot be produced on demand).
struct ServiceControlApi {
    SC_HANDLE(WINAPI* OpenSCManagerW)(LPCWSTR machine, LPCWSTR database, DWORD access);
    SC_HANDLE(WINAPI* OpenServiceW)(SC_HANDLE manager, LPCWSTR name, DWORD access);
    BOOL(WINAPI* QueryServiceStatusEx)(SC_HANDLE service, SC_STATUS_TYPE level, LPBYTE buffer,
                                       DWORD size, LPDWORD needed);
    BOOL(WINAPI* ChangeServiceConfig2W)(SC_HANDLE service, DWORD level, LPVOID info);
    BOOL(WINAPI* StartServiceW)(SC_HANDLE service, DWORD argumentCount, LPCWSTR* arguments);
    BOOL(WINAPI* ControlService)(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status);
    BOOL(WINAPI* EnumDependentServicesW)(SC_HANDLE service, DWORD state,
                                         LPENUM_SERVICE_STATUSW services, DWORD size,
                                         LPDWORD needed, LPDWORD count);
    BOOL(WINAPI* CloseServiceHandle)(SC_HANDLE handle);
    DWORD(WINAPI* GetTickCount)(void);
    void(WINAPI* Sleep)(DWORD milliseconds);
    DWORD(WINAPI* GetLastError)(void);
    // Zeroed blocks from the process heap.
    void* (*AllocateBlock)(size_t bytes);
    void (*FreeBlock)(void* block);
    // One piece of output text, "\n" for each line end.
    void (*Print)(const wchar_t* text);
};

const ServiceControlApi& RealServiceControlApi();

// The stop command's waits give up once kServiceStopBudgetMs have passed since
// it began. The test follows each status query, and the wait for its own stop
// request sleeps the service's whole wait hint first, so a long hint can carry
// that wait past the mark.

// A tenth of the status's wait hint, kept between 1 and 10 seconds.
DWORD PollInterval(const SERVICE_STATUS_PROCESS& status);

// Each returns true when the service ends up as asked: started; stopped or
// already stopped.
bool StartCompanionService(const ServiceControlApi& api);
bool StopCompanionService(const ServiceControlApi& api);
// Stops the services that depend on service and are active; prints nothing.
bool StopActiveDependents(const ServiceControlApi& api, SC_HANDLE manager, SC_HANDLE service);

// The whole tool: reads the command word and returns the exit status, 0 when
// the command did what was asked, 1 otherwise.
int RunServiceCommand(int argc, wchar_t** argv, const ServiceControlApi& api);
