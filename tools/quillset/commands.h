// Subcommands register themselves: each cmd_*.cpp holds one static Command that adds its
// subcommand to the tool. The order of registration is the order of the help text.
#pragma once
#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

namespace qs::tool {

using CommandSetup = std::function<void(CLI::App& app)>;
std::vector<CommandSetup>& Commands();

struct Command {
  explicit Command(CommandSetup setup) { Commands().push_back(std::move(setup)); }
};

// Thrown by a subcommand to end with a message on stderr and exit status 1.
struct Failure {
  std::string message;
};

// The listing of an installer as one JSON document on stdout (list --json; cmd_info.cpp).
void PrintListingJson(const std::string& installer);

}  // namespace qs::tool
