// Runs saved inputs through a fuzz target without libFuzzer: every file named
// on the command line, and every regular file under every directory named
// there, in sorted order. A target reports a finding by aborting, so getting
// to the end means every input passed. Finding no input at all is a failure:
// a missing corpus must not pass for a clean run.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool ReadFile(const fs::path& path, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// The files an argument names, sorted so that every run goes the same way.
bool Collect(const fs::path& arg, std::vector<fs::path>& files) {
  std::error_code error;
  if (fs::is_directory(arg, error)) {
    std::vector<fs::path> found;
    for (fs::recursive_directory_iterator it(arg, error), end; !error && it != end;
         it.increment(error)) {
      if (it->is_regular_file(error))
        found.push_back(it->path());
    }
    if (error)
      return false;
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
    return true;
  }
  if (fs::is_regular_file(arg, error)) {
    files.push_back(arg);
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE_OR_DIRECTORY...\n", argv[0]);
    return 2;
  }
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    if (!Collect(argv[i], files)) {
      std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[i]);
      return 2;
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "%s: no input found\n", argv[0]);
    return 1;
  }
  std::vector<std::uint8_t> bytes;
  for (const fs::path& file : files) {
    if (!ReadFile(file, bytes)) {
      std::fprintf(stderr, "%s: cannot read %s\n", argv[0], file.string().c_str());
      return 2;
    }
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("%zu inputs replayed\n", files.size());
  return 0;
}
