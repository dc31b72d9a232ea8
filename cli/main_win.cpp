// vantrel-cli.exe: the arguments as Windows gives them, in UTF-16, so that
// file names in any language arrive whole; the tool takes them as UTF-8.

#include <string>
#include <vector>

#include "Tool.h"
#include "WinSystem.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i)
    args.push_back(vantrel::cli::Utf8(argv[i]));
  return vantrel::cli::RunTool(args);
}
