// The version question a running driver or service answers.
#pragma once

#include <cstdint>

// Installer to service over the pipe; little-endian.
struct VersionRequest {
  uint32_t code;  // 1: report the version
  uint32_t reserved[4];
};

// Service to installer (and, on Windows 9x, VxD to installer).
struct VersionReply {
  uint32_t code;    // must be 1
  uint32_t status;  // kReplyWithoutVersion: no version in this reply
  uint32_t major;
  uint32_t minor;
  uint32_t build;
};

// The kernel driver's answer to its version control code.
struct KernelVersionReply {
  uint32_t major;
  uint32_t minor;
  uint32_t build;
};

static_assert(sizeof(VersionRequest) == 20, "the service reads exactly 20 bytes");
static_assert(sizeof(VersionReply) == 20, "the service writes exactly 20 bytes");
static_assert(sizeof(KernelVersionReply) == 12, "the kernel driver writes exactly 12 bytes");

constexpr uint32_t kReportVersion = 1;
constexpr uint32_t kReplyWithoutVersion = 16;
constexpr char kVersionPipeName[] = "\\\\.\\pipe\\D2FAF60C-A24E-11d3-B7F1-005004393C73";
