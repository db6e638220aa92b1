// The companion service as svcctl, its own install command and the installer
// know it. The mailbox it serves is in mailbox_protocol.h.
#pragma once

// The companion service as the service control manager knows it.
inline constexpr wchar_t kCompanionServiceName[] = L"DusklatchService";
inline constexpr wchar_t kCompanionServiceDisplayName[] = L"Dusklatch Service";
// Written by `svcctl start` and by `DusklatchService install` alike.
inline constexpr wchar_t kCompanionServiceDescription[] =
    L"Required by Dusklatch. If this service is stopped Dusklatch will not work correctly in "
    L"certain configurations.";

// How long svcctl and the service's own uninstall give a stop request.
const unsigned long kServiceStopBudgetMs = 30000;
