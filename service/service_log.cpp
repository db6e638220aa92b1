#include "service_log.h"

#include "companion_names.h"
#include "service_messages.h"
#include "tool_output.h"

#include <stdarg.h>
#include <stdio.h>

void (*g_serviceLogMirror)(ServiceLogKind kind, const wchar_t* line) = nullptr;

namespace {

HANDLE g_eventSource = nullptr;
bool g_echo = false;

WORD EventType(ServiceLogKind kind)
{
    switch (kind) {
    case kLogWarning:
        return EVENTLOG_WARNING_TYPE;
    case kLogError:
        return EVENTLOG_ERROR_TYPE;
    default:
        return EVENTLOG_INFORMATION_TYPE;
    }
}

}  // namespace

void OpenServiceLog(bool echoToConsole)
{
    g_echo = echoToConsole;
    // Without a registered source the system still takes the events; they
    // then show without their text. A log that cannot open is no reason to
    // refuse the service's work.
    g_eventSource = RegisterEventSourceW(nullptr, kCompanionServiceName);
}

void CloseServiceLog()
{
    if (g_eventSource)
        DeregisterEventSource(g_eventSource);
    g_eventSource = nullptr;
}

void ServiceLog(ServiceLogKind kind, const wchar_t* format, ...)
{
    wchar_t line[512];
    line[0] = 0;
    va_list arguments;
    va_start(arguments, format);
    int length = vswprintf(line, 512, format, arguments);
    va_end(arguments);
    // A line too long for the buffer is kept as far as it fits.
    if (length < 0)
        line[511] = 0;
    if (g_eventSource) {
        const wchar_t* strings[1] = {line};
        ReportEventW(g_eventSource, EventType(kind), 0, MSG_SERVICE_LINE, nullptr, 1, 0, strings,
                     nullptr);
    }
    if (g_echo) {
        PrintText(line);
        PrintText(L"\n");
    }
    if (g_serviceLogMirror)
        g_serviceLogMirror(kind, line);
}
