// Named pipes served by scripted programs: one request and one reply per
// CallNamedPipeA.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "services.h"

namespace sim::detail {

namespace {

struct PipeServer {
  std::vector<PipeReply> replies;
  size_t next = 0;
  std::string service;  // empty: served whatever runs
  std::vector<std::vector<uint8_t>> requests;
};

std::map<std::string, PipeServer>& Pipes() {
  static std::map<std::string, PipeServer> pipes;
  return pipes;
}

void Clear() { Pipes().clear(); }
ResetHook resetHook{&Clear};

// "\\.\pipe\NAME" gives NAME.
std::string PipeName(const std::string& path) {
  const std::string prefix = "\\\\.\\pipe\\";
  return KeyOf(path).rfind(prefix, 0) == 0 ? path.substr(prefix.size()) : std::string();
}

std::vector<uint8_t> ReplyBytes(const PipeReply& reply, bool understood) {
  DWORD fields[5] = {reply.replyCode, understood ? reply.status : 16u, reply.major, reply.minor,
                     reply.build};
  std::vector<uint8_t> bytes(sizeof fields);
  std::memcpy(bytes.data(), fields, sizeof fields);  // little-endian, as on x86
  bytes.resize(reply.length, 0);
  return bytes;
}

}  // namespace

}  // namespace sim::detail

namespace sim {

using namespace detail;

PipeReply VersionAnswer(DWORD major, DWORD minor, DWORD build) {
  PipeReply reply;
  reply.major = major;
  reply.minor = minor;
  reply.build = build;
  return reply;
}

void ServePipe(const std::string& pipe, const std::vector<PipeReply>& replies,
               const std::string& service) {
  PipeServer& server = Pipes()[KeyOf(pipe)];
  server = PipeServer{};
  server.replies = replies;
  server.service = service;
}

void StopServingPipe(const std::string& pipe) { Pipes().erase(KeyOf(pipe)); }

std::vector<std::vector<uint8_t>> PipeRequests(const std::string& pipe) {
  auto it = Pipes().find(KeyOf(pipe));
  return it == Pipes().end() ? std::vector<std::vector<uint8_t>>{} : it->second.requests;
}

}  // namespace sim

using namespace sim::detail;

extern "C" BOOL WINAPI CallNamedPipeA(LPCSTR pipeName, LPVOID inBuffer, DWORD inSize,
                                      LPVOID outBuffer, DWORD outSize, LPDWORD bytesRead,
                                      DWORD timeOut) {
  std::string path = pipeName ? pipeName : "";
  if (Enter("CallNamedPipeA", path + " " + std::to_string(timeOut))) return FALSE;
  if (bytesRead) *bytesRead = 0;
  auto it = Pipes().find(KeyOf(PipeName(path)));
  bool served = it != Pipes().end() && !it->second.replies.empty() &&
                (it->second.service.empty() || ServiceRunning(it->second.service));
  if (!served) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  PipeServer& server = it->second;
  const sim::PipeReply& reply = server.replies[std::min(server.next, server.replies.size() - 1)];
  ++server.next;
  if (reply.kind == sim::PipeReply::Busy) {
    if (timeOut == NMPWAIT_WAIT_FOREVER) {
      std::fprintf(stderr, "sim: endless wait for pipe \"%s\"\n", path.c_str());
      std::abort();
    }
    // Windows waits, opens once more and reports that open's error.
    TheMachine().clock += timeOut == NMPWAIT_USE_DEFAULT_WAIT ? 50 : timeOut;
    SetLastError(ERROR_PIPE_BUSY);
    return FALSE;
  }
  const auto* in = static_cast<const uint8_t*>(inBuffer);
  server.requests.emplace_back(in, in + (in ? inSize : 0));
  if (reply.kind == sim::PipeReply::Broken) {
    SetLastError(ERROR_BROKEN_PIPE);
    return FALSE;
  }
  DWORD code = 0;
  if (in && inSize >= sizeof code) std::memcpy(&code, in, sizeof code);
  std::vector<uint8_t> bytes = ReplyBytes(reply, inSize == 20 && code == 1);
  DWORD copied = static_cast<DWORD>(std::min<size_t>(bytes.size(), outSize));
  if (copied) std::memcpy(outBuffer, bytes.data(), copied);
  if (bytesRead) *bytesRead = copied;
  if (copied < bytes.size()) {
    SetLastError(ERROR_MORE_DATA);
    return FALSE;
  }
  return TRUE;
}

// Waits for a free instance: none is free while the server's next answer is Busy.
extern "C" BOOL WINAPI WaitNamedPipeA(LPCSTR pipeName, DWORD timeOut) {
  std::string path = pipeName ? pipeName : "";
  if (Enter("WaitNamedPipeA", path + " " + std::to_string(timeOut))) return FALSE;
  auto it = Pipes().find(KeyOf(PipeName(path)));
  if (it == Pipes().end() || it->second.replies.empty() ||
      (!it->second.service.empty() && !ServiceRunning(it->second.service))) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  const PipeServer& server = it->second;
  if (server.replies[std::min(server.next, server.replies.size() - 1)].kind != sim::PipeReply::Busy)
    return TRUE;
  TheMachine().clock += timeOut == NMPWAIT_USE_DEFAULT_WAIT ? 50 : timeOut;
  SetLastError(ERROR_SEM_TIMEOUT);
  return FALSE;
}
