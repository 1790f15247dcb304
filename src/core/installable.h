#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Item flags.
enum : uint32_t {
  SkipInstall = 0x1,
  SkipUninstall = 0x2,
};

// A node of the installable tree; owns its children.
class Installable {
 public:
  Installable() = default;
  virtual ~Installable();
  Installable(const Installable&) = delete;
  Installable& operator=(const Installable&) = delete;

  virtual bool Install(uint32_t force) = 0;
  virtual bool Uninstall(uint32_t arg) = 0;
  virtual void AddChild(Installable* item, uint32_t flags);
  virtual void AddChild(Installable* item);
  virtual void SetItemFlags(uint32_t flags);
  virtual bool Validate() = 0;
  virtual bool Prepare(uint32_t mode) = 0;
  virtual uint32_t KindFlags() = 0;
  virtual bool InstallChildren(uint32_t force);
  virtual bool UninstallChildren(uint32_t arg);

  using Children = std::vector<Installable*>;
  Children::const_iterator FirstChild() const { return children_.begin(); }
  Children::const_iterator EndOfChildren() const { return children_.end(); }
  size_t ChildCount() const { return children_.size(); }
  const Children& ChildList() const { return children_; }
  uint32_t ItemFlags() const { return itemFlags_; }

 private:
  uint32_t itemFlags_ = 0;
  Children children_;
};
