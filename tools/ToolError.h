// SPDX-License-Identifier: ISC
// The one kind of failure the offline host reports: a message for the user,
// printed as one line on stderr, and the exit status to leave with.
#pragma once

#include <stdexcept>
#include <string>

class ToolError : public std::runtime_error {
  public:
    explicit ToolError(const std::string& message, int exitStatus = 1)
        : std::runtime_error(message), status(exitStatus) {}
    int exitStatus() const { return status; }

  private:
    int status;
};

// Wrong words on the command line: exit status 2, as the usual tools do.
class UsageError : public ToolError {
  public:
    explicit UsageError(const std::string& message) : ToolError(message, 2) {}
};
