// The service's log: the Application event log under the source
// DusklatchService, and in console mode standard output as well.
#pragma once

#include <windows.h>
#include <stdarg.h>

enum ServiceLogKind { kLogInformation, kLogWarning, kLogError };

// With echo, each line is also printed (console mode).
void OpenServiceLog(bool echoToConsole);
void CloseServiceLog();

// One line, composed as by swprintf (%ls for wide text) and cut at 511 units.
void ServiceLog(ServiceLogKind kind, const wchar_t* format, ...);
void ServiceLogV(ServiceLogKind kind, const wchar_t* format, va_list arguments);

// One entry of another message of the table, with its inserts %1, %2...; the
// console and the mirror get the text the table makes of them.
void ServiceLogMessage(ServiceLogKind kind, DWORD messageId, const wchar_t** inserts, WORD insertCount);

// A test build of the service sees every line as well; null otherwise.
extern void (*g_serviceLogMirror)(ServiceLogKind kind, const wchar_t* line);
