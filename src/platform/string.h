#pragma once

#include <cstddef>
#include <vector>

// Owned NUL-terminated text in the ANSI code page, copied on copy.
class String {
 public:
  String();
  String(const char* text);  // NOLINT: converts like text does; null gives ""
  String(const String& other) = default;
  String& operator=(const String& other);
  String& operator=(const char* text);
  ~String() = default;

  String& Append(const char* text);
  String& Append(const String& other);
  String& Append(char c);
  String& operator+=(const char* text) { return Append(text); }
  String& operator+=(const String& other) { return Append(other); }
  String& operator+=(char c) { return Append(c); }

  size_t Length() const { return length_; }
  const char* CStr() const { return buffer_.data(); }
  bool IsEmpty() const { return length_ == 0; }
  void MakeLower();

  // A writable buffer of at least size + 1 bytes holding the current text, or
  // null (site 0xA1) while another buffer is still out.
  char* GetBuffer(size_t size);
  // The same over the current capacity (site 0xBB when refused).
  char* GetBuffer();
  // Takes the text back up to its NUL.
  void ReleaseBuffer();

 private:
  void Reserve(size_t bytes);

  std::vector<char> buffer_;  // always holds at least the terminating NUL
  size_t length_ = 0;
  bool bufferOut_ = false;
};

String operator+(const String& a, const String& b);

// File names, paths, macro names and command lines compare without regard to
// case, in the ANSI code page.
bool EqualNoCase(const char* a, const char* b);
// Position of the last "\" in text, stepping over multibyte characters; -1
// when there is none.
long LastBackslash(const char* text);
// Whether text ends with "\" (its last backslash is its last character).
bool EndsWithBackslash(const String& text);

// The same for ASCII letters only.
bool EqualAsciiNoCase(const char* a, const char* b);
