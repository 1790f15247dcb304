// Holds a file open with share mode 0, as a program that uses it would, until
// a marker file is deleted (at most five minutes).
// Usage: hold_file.exe FILE MARKER
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: hold_file.exe FILE MARKER\n");
    return 2;
  }
  HANDLE held = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (held == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "hold_file: %s not opened (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  // The marker tells the test that the file is held now.
  HANDLE marker = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  const bool marked = marker != INVALID_HANDLE_VALUE && CloseHandle(marker);
  for (int wait = 0; marked && wait < 3000; ++wait) {
    if (GetFileAttributesA(argv[2]) == INVALID_FILE_ATTRIBUTES) break;
    Sleep(100);
  }
  CloseHandle(held);
  return marked ? 0 : 1;
}
