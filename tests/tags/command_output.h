// Native test cases run independent tools (python3-mutagen, lame, sox) to make
// their files; this runs one and takes what it prints.
#pragma once

#ifndef _WIN32
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace zv::tags::testing {

// The standard output of a shell command, which must succeed.
inline std::string CommandOutput(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << command;
  return output;
}

}  // namespace zv::tags::testing
#endif
