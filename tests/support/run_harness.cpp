#include "tests/support/run_harness.h"

#include <deque>

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
