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

void WriteEntry(ServiceLogKind kind, DWORD messageId, const wchar_t** strings, WORD stringCount,
                const wchar_t* line)
{
    if (g_eventSource)
        ReportEventW(g_eventSource, EventType(kind), 0, messageId, nullptr, stringCount, 0, strings,
                     nullptr);
    if (g_echo) {
        PrintText(line);
        PrintText(L"\n");
    }
    if (g_serviceLogMirror)
        g_serviceLogMirror(kind, line);
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
    va_list arguments;
    va_start(arguments, format);
    ServiceLogV(kind, format, arguments);
    va_end(arguments);
}

void ServiceLogV(ServiceLogKind kind, const wchar_t* format, va_list arguments)
{
    wchar_t line[512];
    line[0] = 0;
    int length = vswprintf(line, 512, format, arguments);
    // A line too long for the buffer is kept as far as it fits.
    if (length < 0)
        line[511] = 0;
    const wchar_t* strings[1] = {line};
    WriteEntry(kind, MSG_SERVICE_LINE, strings, 1, line);
}

void ServiceLogMessage(ServiceLogKind kind, DWORD messageId, const wchar_t** inserts, WORD insertCount)
{
    // The text comes from the program's own message table, as the event
    // viewer shows it. With an argument array the inserts are read as an
    // array of pointers, not as a va_list.
    wchar_t line[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, nullptr,
                                  messageId, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), line, 512,
                                  reinterpret_cast<va_list*>(const_cast<wchar_t**>(inserts)));
    if (!length) {
        swprintf(line, 512, L"Message %08lx cannot be composed (%lu).", messageId, GetLastError());
        length = static_cast<DWORD>(wcslen(line));
    }
    // The table's text ends in a line break of its own.
    while (length > 0 && (line[length - 1] == L'\r' || line[length - 1] == L'\n'))
        line[--length] = 0;
    WriteEntry(kind, messageId, inserts, insertCount, line);
}
