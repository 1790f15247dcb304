#pragma once

class InstallerContainer;

// Adds the components of the running platform to the container; false, with
// nothing built, on a platform that has no component set.
bool BuildComponentSet(InstallerContainer& container);
