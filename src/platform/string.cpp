#include "platform/string.h"

#include <cstring>

#include "core/tracked_error_list.h"
#include "platform/win_api.h"

String::String() : buffer_(1, '\0') {}

String::String(const char* text) : String() { Append(text); }

String& String::operator=(const String& other) {
  if (this != &other) {
    buffer_ = other.buffer_;
    length_ = other.length_;
    bufferOut_ = false;
  }
  return *this;
}

String& String::operator=(const char* text) {
  String copy(text);  // text may point into this string
  return *this = copy;
}

void String::Reserve(size_t bytes) {
  if (buffer_.size() < bytes) buffer_.resize(bytes, '\0');
}

String& String::Append(const char* text) {
  if (text == nullptr || *text == '\0') return *this;
  size_t n = std::strlen(text);
  if (text >= buffer_.data() && text < buffer_.data() + buffer_.size()) {
    String copy(text);
    return Append(copy);
  }
  Reserve(length_ + n + 1);
  std::memcpy(buffer_.data() + length_, text, n + 1);
  length_ += n;
  return *this;
}

String& String::Append(const String& other) {
  if (&other == this) {
    String copy(other);
    return Append(copy.CStr());
  }
  return Append(other.CStr());
}

String& String::Append(char c) {
  if (length_ + 2 > buffer_.size()) buffer_.resize(buffer_.size() + 10, '\0');
  buffer_[length_++] = c;
  buffer_[length_] = '\0';
  return *this;
}

void String::MakeLower() {
  if (length_ > 0) CharLowerBuffA(buffer_.data(), static_cast<DWORD>(length_));
}

char* String::GetBuffer(size_t size) {
  if (bufferOut_) {
    RecordFailure(0xA1, kGenericCode);
    return nullptr;
  }
  Reserve(size + 1);
  bufferOut_ = true;
  return buffer_.data();
}

char* String::GetBuffer() {
  if (bufferOut_) {
    RecordFailure(0xBB, kGenericCode);
    return nullptr;
  }
  bufferOut_ = true;
  return buffer_.data();
}

void String::ReleaseBuffer() {
  buffer_.back() = '\0';  // a caller that filled every byte still ends here
  length_ = std::strlen(buffer_.data());
  bufferOut_ = false;
}

String operator+(const String& a, const String& b) {
  String result(a);
  result.Append(b);
  return result;
}

bool EqualNoCase(const char* a, const char* b) {
  String x(a), y(b);
  if (x.Length() != y.Length()) return false;
  x.MakeLower();
  y.MakeLower();
  return std::strcmp(x.CStr(), y.CStr()) == 0;
}

bool EqualAsciiNoCase(const char* a, const char* b) {
  if (a == nullptr) a = "";
  if (b == nullptr) b = "";
  for (;; ++a, ++b) {
    char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
    char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
    if (x != y) return false;
    if (x == '\0') return true;
  }
}

long LastBackslash(const char* text) {
  long found = -1;
  for (const char* p = text; *p != '\0'; p = CharNextA(p))
    if (*p == '\\') found = static_cast<long>(p - text);
  return found;
}

bool EndsWithBackslash(const String& text) {
  long last = LastBackslash(text.CStr());
  return last >= 0 && static_cast<size_t>(last) + 1 == text.Length();
}
