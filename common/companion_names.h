// The names by which the screen saver, svcctl and the companion service find
// each other. Included by all three; none of them links another.
#pragma once

// The companion service as the service control manager knows it.
inline constexpr wchar_t kCompanionServiceName[] = L"DusklatchService";
inline constexpr wchar_t kCompanionServiceDisplayName[] = L"Dusklatch Service";
// Written by `svcctl start` and by `DusklatchService install` alike.
inline constexpr wchar_t kCompanionServiceDescription[] =
    L"Required by Dusklatch. If this service is stopped Dusklatch will not work correctly in "
    L"certain configurations.";

// The mailslot the service reads and the screen saver writes, and the event
// the screen saver pulses after writing.
inline constexpr wchar_t kServiceMailboxName[] = L"\\\\.\\mailslot\\Orvanta\\Dusklatch\\mailbox";
inline constexpr wchar_t kServiceEventName[] = L"Global\\Dusklatch_mailarrived_";

// The words of the messages: "WaitFor:<process id>;true;", and an action verb
// followed by ";true;" or ";false;" for the forced flag.
inline constexpr wchar_t kWaitForVerb[] = L"WaitFor:";
inline constexpr wchar_t kShutdownVerb[] = L"Shutdown";
inline constexpr wchar_t kHibernateVerb[] = L"Hibernate";
inline constexpr wchar_t kStandbyVerb[] = L"Standby";
inline constexpr wchar_t kRebootVerb[] = L"Reboot";
inline constexpr wchar_t kNoActionVerb[] = L"NoAction";
