// A launcher installation in the test's temporary folder, for the tests of
// the installation steps: an administrator's process on 64-bit Windows,
// the known folders cleared but for the launcher's folder (with an empty
// "redist" folder), and the stand-ins' calls recorded in a file of the
// test's own.
#pragma once

#include "environment/known_folders.h"
#include "support/win_log_fixture.h"

#include <string>

class InstallationTest : public WinLogTest
{
  protected:
    void SetUp() override;
    void TearDown() override;

    std::string install_; // the launcher's folder, with a trailing backslash
    std::string redist_;  // its "redist" folder, with a trailing backslash
    std::string record_;  // where the stand-ins record their calls

  private:
    KnownFoldersRecord saved_;
};
