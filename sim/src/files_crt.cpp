// The C runtime's streams over the simulated disks, opened as the Microsoft
// runtime opens them: shared for reading and writing.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "file_system.h"
#include "machine.h"

using namespace sim::detail;

struct CrtFile {
  CrtFile(std::shared_ptr<FsNode> node, DWORD access, bool textMode)
      : opened(std::move(node), access, FILE_SHARE_READ | FILE_SHARE_WRITE), text(textMode) {}
  OpenedFile opened;
  bool text;
  size_t position = 0;
  bool atEnd = false;

  std::vector<uint8_t>& Data() { return opened.Node().data; }
};

namespace {

// Streams open for writing start empty ("w") or at the end ("a"), so every
// write appends.
size_t Put(CrtFile* file, const char* bytes, size_t size) {
  std::vector<uint8_t>& data = file->Data();
  for (size_t i = 0; i < size; ++i) {
    if (file->text && bytes[i] == '\n') data.push_back('\r');
    data.push_back(static_cast<uint8_t>(bytes[i]));
  }
  return size;
}

bool Writable(CrtFile* file) { return file != nullptr && (file->opened.Access() & kWriteAccess); }

}  // namespace

CrtFile* CrtOpen(const char* path, const char* mode) {
  if (Enter("fopen", path ? path : "")) return nullptr;
  if (path == nullptr || mode == nullptr) return nullptr;
  OpenRequest request{0, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, 0};
  switch (mode[0]) {
    case 'r': request.access = GENERIC_READ, request.disposition = OPEN_EXISTING; break;
    case 'w': request.access = GENERIC_WRITE, request.disposition = CREATE_ALWAYS; break;
    case 'a': request.access = GENERIC_WRITE, request.disposition = OPEN_ALWAYS; break;
    default: return nullptr;
  }
  bool text = true;
  for (const char* m = mode + 1; *m; ++m) {
    if (*m == 'b')
      text = false;
    else if (*m != 't')
      return nullptr;  // update modes are not served
  }
  DWORD error = 0;
  std::shared_ptr<FsNode> node = Disks().OpenFile(path, request, &error);
  SetLastError(error);
  if (!node) return nullptr;
  return new CrtFile(node, request.access, text);
}

int CrtClose(CrtFile* file) {
  // As in the C runtime, the stream is let go even when closing reports an error.
  bool failed = Enter("fclose");
  if (file == nullptr) return EOF;
  delete file;
  return failed ? EOF : 0;
}

size_t CrtWrite(const void* data, size_t size, size_t count, CrtFile* file) {
  if (Enter("fwrite") || !Writable(file) || data == nullptr || size == 0) return 0;
  Put(file, static_cast<const char*>(data), size * count);
  return count;
}

int CrtPrint(CrtFile* file, const char* format, ...) {
  if (Enter("fprintf") || !Writable(file) || format == nullptr) return -1;
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(&text[0], text.size() + 1, format, again);
  va_end(again);
  Put(file, text.data(), text.size());
  return length;
}

char* CrtReadLine(char* buffer, int size, CrtFile* file) {
  if (Enter("fgets") || file == nullptr || buffer == nullptr || size <= 0 ||
      !(file->opened.Access() & kReadAccess))
    return nullptr;
  const std::vector<uint8_t>& data = file->Data();
  int n = 0;
  while (n < size - 1) {
    if (file->position >= data.size()) {
      file->atEnd = true;
      break;
    }
    char c = static_cast<char>(data[file->position++]);
    if (file->text && c == '\r' && file->position < data.size() && data[file->position] == '\n')
      continue;  // CR LF reads as one newline
    buffer[n++] = c;
    if (c == '\n') break;
  }
  buffer[n] = '\0';
  return n == 0 ? nullptr : buffer;
}

bool CrtAtEnd(CrtFile* file) {
  Enter("feof");  // cannot fail
  return file != nullptr && file->atEnd;
}
