// What the uninstaller's command line asks for. Pure, so that the native
// tests can check it without Windows.
#pragma once

enum class UninstallRequest {
  kUsage,           // anything but the two forms below
  kUninstall,       // PROGRAM /uninstall
  kUninstallQuiet,  // PROGRAM /uninstall /quiet
};

// commandLine is the whole line as GetCommandLineA gives it, program path
// first, quoted or not; modulePath is the program's own path (may be null).
UninstallRequest ParseUninstallCommand(const char* commandLine, const char* modulePath);
