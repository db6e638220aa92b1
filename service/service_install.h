// Registering the companion service with the service control manager and its
// event source with the event log, and removing both again.
#pragma once

// Each prints one line for the outcome, or one line naming the failed call and
// the platform's error number; returns the exit status (0, or 1 on a failure).
int InstallCompanionService();
int UninstallCompanionService();
