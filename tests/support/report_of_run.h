#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/run_harness.h"

// Runs the whole program in-process as RunProgramToEnd does, and gives the
// lines it wrote to standard output, its report, without their line ends;
// a last line says so when the run did not end with code 0. Apart from
// the harness, which the fuzz targets link without GoogleTest.
inline std::vector<std::string> ReportOfRun(const std::vector<Text>& paths,
                                            const RunOptions& options) {
  testing::internal::CaptureStdout();
  const bool ended = RunProgramToEnd(paths, options);
  std::istringstream output(testing::internal::GetCapturedStdout());
  std::vector<std::string> lines;
  for (std::string line; std::getline(output, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  if (!ended) lines.push_back("<the run did not end with code 0>");
  return lines;
}
