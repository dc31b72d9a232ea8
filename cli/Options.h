#pragma once

// The command line of vantrel-cli. It names a command, where the password
// comes from and where the input comes from; it never carries the password
// itself, since other users of the machine can read a command line.

#include <optional>
#include <string>
#include <vector>

namespace vantrel::cli {

enum class Command { None, Encode, Decode, Help, Version };

struct Options {
  Command command = Command::None;
  std::optional<std::string> passwordFile;  // --password-file FILE
  std::optional<int> passwordFd;            // --password-fd N
  bool armor = false;                       // -a, --armor
  bool escaped = false;                     // --escaped
  bool binary = false;                      // --binary
  bool compatible = false;                  // --compatible
  std::optional<std::size_t> block;         // --block N: decode the Nth mail-safe code
  std::optional<std::string> outputFile;    // -o, --output FILE; none or "-" for standard output
  std::optional<std::string> inputFile;     // FILE; none or "-" for standard input
};

struct ParsedOptions {
  Options options;
  // What is wrong with the command line, for the user; empty when it is fine.
  std::string error;
};

// Parses the arguments after the program's name. Options may stand before or
// after the command; "--" ends them; "--name=value" and "--name value" both
// work, and so do "-o FILE" and "-oFILE". --help and --version win over
// everything else, errors included. An error never repeats a value the user
// may have meant as a password: an unknown "-pSecret" is named "-p".
ParsedOptions ParseOptions(const std::vector<std::string>& args);

// The text --help prints.
std::string HelpText();
// The text --version prints: "vantrel-cli 1.00" for version 1.0.
std::string VersionText();

}  // namespace vantrel::cli
