#include "tests/support/run_harness.h"

#include <gtest/gtest.h>

#include <deque>
#include <sstream>

#include "app/end_run.h"
#include "app/rewrite_cue_sheet.h"
#include "app/start_up.h"

namespace {

std::deque<Text> gAnswers;
std::vector<FileDialogRequest> gRequests;
std::function<Text(const FileDialogRequest&)> gAction;

}  // namespace

void EndProcess(int32_t exitCode) { throw RunEnded{exitCode}; }

void InitDialogs() {}

Text ShowPlatformFileDialog(const FileDialogRequest& request) {
  gRequests.push_back(request);
  if (gAction) return gAction(request);
  if (gAnswers.empty()) return Text();
  Text answer = gAnswers.front();
  gAnswers.pop_front();
  return answer;
}

void ScriptDialogAnswers(std::vector<Text> answers) {
  gAnswers.assign(answers.begin(), answers.end());
  gAction = nullptr;
  gRequests.clear();
}

void ScriptDialogAction(std::function<Text(const FileDialogRequest&)> action) {
  ScriptDialogAnswers({});
  gAction = std::move(action);
}

const std::vector<FileDialogRequest>& DialogRequests() { return gRequests; }

bool RunProgramToEnd(const std::vector<Text>& paths, const RunOptions& options) {
  try {
    RunBrindlet(paths, options);
  } catch (const RunEnded& ended) {
    return ended.exitCode == 0;
  }
  return false;
}

bool RewriteReturned(const Text& sheetPath) {
  try {
    RewriteCueSheet(sheetPath);
  } catch (const RunEnded&) {
    return false;
  }
  return true;
}

std::vector<std::string> ReportOfRun(const std::vector<Text>& paths, const RunOptions& options) {
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
