// The Windows side of cli/: the console or a message box for the final
// message, and the command line as UTF-8.
#include "cli/WindowsReport.h"

#include "cli/Arguments.h"
#include "cli/StandardStreams.h"
#include "fs/WindowsText.h"
//
#include "fs/WindowsHeaders.h"
//
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdlib>

namespace icnkit {

namespace {

int DefaultMessageBox(const wchar_t* text, const wchar_t* caption, uint32_t type) {
  return ::MessageBoxW(nullptr, text, caption, type);
}

bool IsRedirected(DWORD which) {
  const HANDLE handle = ::GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  const DWORD type = ::GetFileType(handle);
  return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

// Writes one console line: WriteConsoleW on a real console, so every
// character shows whatever the console's code page; the bytes in binary
// mode otherwise (a file or pipe gets UTF-8 with "\n", as on POSIX).
bool WriteLine(FILE* stream, DWORD which, const std::string& line) {
  std::fflush(stream);
  const HANDLE handle = ::GetStdHandle(which);
  DWORD mode = 0;
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode)) {
    const std::wstring wide = Utf16(line);
    DWORD written = 0;
    return ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written,
                           nullptr) &&
           written == wide.size();
  }
  const int fd = _fileno(stream);
  if (fd >= 0) _setmode(fd, _O_BINARY);
  return std::fwrite(line.data(), 1, line.size(), stream) == line.size() &&
         std::fflush(stream) == 0;
}

}  // namespace

// A drop onto the program or its shortcut starts it from Explorer, without
// a console: real boxes. Started from a console (cmd, PowerShell, a script)
// or with output redirected, a box would block the caller: the text goes to
// the console instead. ICNKIT_CONSOLE=1 forces console mode,
// ICNKIT_CONSOLE=0 forces boxes.
bool DetectConsoleMode() {
  wchar_t forced[8] = {};
  if (::GetEnvironmentVariableW(L"ICNKIT_CONSOLE", forced, 8) == 1) {
    if (forced[0] == L'1') return true;
    if (forced[0] == L'0') return false;
  }
  if (IsRedirected(STD_OUTPUT_HANDLE) || IsRedirected(STD_ERROR_HANDLE)) return true;
  if (::GetConsoleWindow() != nullptr) {
    // A console program: alone on its console means Explorer made that
    // console for it.
    DWORD processes[2];
    return ::GetConsoleProcessList(processes, 2) > 1;
  }
  // A windowed program started from a console can write to that console.
  if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
    return true;
  }
  return false;
}

TWindowsReport::TWindowsReport(bool console, TMessageBoxFunction box)
    : Console_(console), Box_(box != nullptr ? box : DefaultMessageBox) {}

bool TWindowsReport::Inform(const std::string& caption, const std::string& text) {
  return Show(caption, text, false);
}

bool TWindowsReport::Fail(const std::string& caption, const std::string& text) {
  return Show(caption, text, true);
}

bool TWindowsReport::Show(const std::string& caption, const std::string& text, bool error) {
  if (Console_) {
    const std::string line = ConsoleLine(caption, text, error);
    return error ? WriteLine(stderr, STD_ERROR_HANDLE, line)
                 : WriteLine(stdout, STD_OUTPUT_HANDLE, line);
  }
  const std::wstring wideText = Utf16(text), wideCaption = Utf16(caption);
  const uint32_t type = MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION);
  return Box_(text.empty() ? nullptr : wideText.c_str(),
              caption.empty() ? nullptr : wideCaption.c_str(), type) > 0;
}

std::unique_ptr<TReportSink> MakeNativeReportSink() {
  return std::make_unique<TWindowsReport>(DetectConsoleMode());
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Utf8(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

void PrepareStandardStreams() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // The console's code page belongs to the console window, not to us: it
  // is given back when the program ends.
  static const UINT previous = ::GetConsoleOutputCP();
  if (previous != 0 && previous != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) {
    std::atexit([] { ::SetConsoleOutputCP(previous); });
  }
}

bool IsTerminal(std::FILE* stream) {
  const int fd = _fileno(stream);
  if (fd < 0 || _isatty(fd) == 0) return false;
  const HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  DWORD mode = 0;
  if (!::GetConsoleMode(console, &mode)) return false;
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace icnkit
