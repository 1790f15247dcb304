#pragma once

#include "platform/string.h"

// Folder text in which a name between two "%%" markers stands for a special
// folder ("%%system%%QELC11BA.VXD"); expanded once, on first use.
class PathMacro {
 public:
  explicit PathMacro(const char* macroText = nullptr);
  virtual ~PathMacro() = default;

  void Assign(const char* macroText);
  // The expanded text; the first call after construction or Assign expands it.
  const String& Expand();

  String text;
  bool expanded;
};
