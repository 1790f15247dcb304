// The component set of each Windows family: order, flags, required versions
// and how each driver may be started and stopped.
#include <cstdio>
#include <string>
#include <vector>

#include "core/installer_container.h"
#include "drivers/driver_component.h"
#include "support/sim_test.h"

namespace {

using ComponentSetTest = SystemTest;

// "name flags required [stoppable autoStart]", children after their parent with "> ".
void Describe(const Installable& item, const std::string& indent, std::vector<std::string>& out) {
  for (auto it = item.FirstChild(); it != item.EndOfChildren(); ++it) {
    auto* file = dynamic_cast<FileComponent*>(*it);
    ASSERT_NE(file, nullptr);
    ItemDescriptor* d = file->GetDescriptor();
    char line[160];
    std::snprintf(line, sizeof line, "%s%s %u %s", indent.c_str(), d->Name().CStr(),
                  (*it)->ItemFlags(), "-");
    std::string text = line;
    if (d->requiredVersion.IsValid())
      text.replace(text.size() - 1, 1, std::to_string(d->requiredVersion.major) + "." +
                                           std::to_string(d->requiredVersion.minor) + "." +
                                           std::to_string(d->requiredVersion.build));
    if (auto* driver = dynamic_cast<DriverComponent*>(*it))
      text += std::string(" ") + (driver->GetSystemDriver()->channel->stoppable ? "stoppable" : "fixed") +
              (driver->GetSystemDriver()->channel->autoStart ? " started" : " loaded-by-windows");
    out.push_back(text);
    Describe(**it, indent + "> ", out);
  }
}

TEST_F(ComponentSetTest, EachFamilyGetsItsComponentsInOrder) {
  const std::vector<std::string> nt4 = {
      "QELC11BA.EXE 0 4.20.0 stoppable started", "QELC15BA.SYS 0 - stoppable started",
      "ShFolder.dll 2 5.0.0", "QELC13BA.EXE 0 -", "> QELC14BA.DLL 0 -"};
  const struct {
    sim::Platform platform;
    std::vector<std::string> set;
  } cases[] = {
      {sim::Platform::Win98,
       {"QELC11BA.VXD 0 4.16.0 fixed loaded-by-windows", "ShFolder.dll 2 5.0.0",
        "QELC13BA.EXE 0 -", "> QELC14BA.DLL 0 -"}},
      {sim::Platform::NT4, nt4},
      {sim::Platform::WinXP,
       {nt4[0], nt4[1], nt4[3], nt4[4]}},  // Windows 2000 and later bring ShFolder.dll
  };
  for (const auto& c : cases) {
    Restart(c.platform);
    InstallerContainer container;
    ASSERT_TRUE(container.BuildComponents(0));
    std::vector<std::string> set;
    Describe(container, "", set);
    EXPECT_EQ(c.set, set);
  }
}

}  // namespace
