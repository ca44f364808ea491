#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "text/text.h"
#include "ui/file_dialog.h"

// Stand-ins the tests link in place of the real dialogs and process end.

// Thrown by the tests' EndProcess, so a run that ends unwinds back to the test.
struct RunEnded {
  int32_t exitCode;
};

// The dialog answers a test scripts, taken in order; once they run out,
// every dialog is cancelled.
void ScriptDialogAnswers(std::vector<Text> answers);

// Answers every dialog through action, which may also change the files
// around the run while it waits, as a user could. Replaces scripted answers.
void ScriptDialogAction(std::function<Text(const FileDialogRequest&)> action);

// Every dialog request since the last ScriptDialogAnswers.
const std::vector<FileDialogRequest>& DialogRequests();

// Runs the whole program in-process, given these paths and options as its
// arguments; true when it ended through EndRun with exit code 0.
bool RunProgramToEnd(const std::vector<Text>& paths = {}, const RunOptions& options = {});

// Calls RewriteCueSheet; true when it returned, false when it ended the run.
bool RewriteReturned(const Text& sheetPath);
