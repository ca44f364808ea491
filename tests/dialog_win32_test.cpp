#include <gtest/gtest.h>

#include <windows.h>

#include <dlgs.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_folder.h"
#include "ui/dialog_modality_win32.h"
#include "ui/file_dialog.h"

namespace {

constexpr wchar_t kProbeTitle[] = L"Brindlet probe";

// What the timer saw while the dialog was up.
struct DialogProbe {
  std::vector<HWND> watched;
  std::vector<bool> enabledDuring;
  std::vector<bool> topmostDuring;
  std::wstring nameBox;
  std::wstring filterShown;
  std::wstring answer;  // typed into the name box and confirmed; "" cancels
  bool sawDialog = false;
};

DialogProbe gProbe;

bool IsTopmost(HWND window) {
  return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

std::wstring ItemText(HWND dialog, int item) {
  wchar_t text[MAX_PATH] = {};
  GetDlgItemTextW(dialog, item, text, MAX_PATH);
  return text;
}

// Runs inside the dialog's own message loop: once the dialog shows, notes
// what the test asks about, then answers or cancels.
void CALLBACK ProbeDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = FindWindowW(nullptr, kProbeTitle);
  if (dialog == nullptr || !IsWindowVisible(dialog)) return;
  KillTimer(nullptr, timer);
  gProbe.sawDialog = true;
  for (HWND window : gProbe.watched) {
    gProbe.enabledDuring.push_back(IsWindowEnabled(window) != 0);
    gProbe.topmostDuring.push_back(IsTopmost(window));
  }
  gProbe.nameBox = ItemText(dialog, cmb13);
  gProbe.filterShown = ItemText(dialog, cmb1);
  if (gProbe.answer.empty()) {
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  } else {
    SetDlgItemTextW(dialog, cmb13, gProbe.answer.c_str());
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  }
}

Text ShowProbedDialog(FileDialogKind kind, const Text& defaultFile, int32_t filterPosition,
                      const std::wstring& answer) {
  gProbe.answer = answer;
  SetTimer(nullptr, 0, 50, ProbeDialog);
  return ShowFileDialog(kind, reinterpret_cast<const char16_t*>(kProbeTitle), defaultFile,
                        u"Cue|*.cue|all|*.*", filterPosition);
}

HWND MakeWindow(DWORD style, DWORD extendedStyle) {
  static const wchar_t kClass[] = L"BrindletProbeWindow";
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClass;
  RegisterClassW(&windowClass);  // fails harmlessly once registered
  return CreateWindowExW(extendedStyle, kClass, L"probe", WS_OVERLAPPEDWINDOW | style, 10, 10,
                         200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// Waits for the event while handling the messages other threads send to
// this one's windows, so that a wrong cross-thread EnableWindow fails the
// test instead of hanging it.
void WaitHandlingMessages(HANDLE event) {
  while (MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
}

}  // namespace

TEST(DialogModality, HoldsTheThreadsWindowsWhileTheDialogIsUp) {
  HWND enabled = MakeWindow(WS_VISIBLE, 0);
  HWND disabled = MakeWindow(WS_VISIBLE | WS_DISABLED, 0);
  HWND topmost = MakeWindow(WS_VISIBLE, WS_EX_TOPMOST);
  HWND front = MakeWindow(WS_VISIBLE, 0);
  SetForegroundWindow(front);
  ASSERT_EQ(GetForegroundWindow(), front);
  ASSERT_TRUE(IsTopmost(topmost));
  gProbe = DialogProbe();
  gProbe.watched = {enabled, disabled, topmost};

  EXPECT_EQ(ShowProbedDialog(FileDialogKind::Save, u"all", 1, L""), u"");

  ASSERT_TRUE(gProbe.sawDialog);
  EXPECT_FALSE(gProbe.enabledDuring[0]);
  EXPECT_TRUE(IsWindowEnabled(enabled));
  EXPECT_FALSE(gProbe.enabledDuring[1]);
  EXPECT_FALSE(IsWindowEnabled(disabled));
  EXPECT_FALSE(gProbe.topmostDuring[2]);
  EXPECT_TRUE(IsTopmost(topmost));
  // The request reached the dialog: the name box and the second filter.
  EXPECT_EQ(gProbe.nameBox, L"all");
  EXPECT_EQ(gProbe.filterShown, L"all");
  for (HWND window : {enabled, disabled, topmost, front}) DestroyWindow(window);
}

TEST(DialogModality, LeavesOtherThreadsRecordsAlone) {
  std::promise<HWND> begun;
  HANDLE mayEnd = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::promise<bool> enabledAfterEnd;
  std::thread other([&] {
    HWND window = MakeWindow(0, 0);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    BeginDialogModality();
    begun.set_value(window);
    WaitHandlingMessages(mayEnd);
    EndDialogModality();
    enabledAfterEnd.set_value(IsWindowEnabled(window) != 0);
    DestroyWindow(window);
  });
  HWND window = begun.get_future().get();
  const bool disabledByItsThread = !IsWindowEnabled(window);
  BeginDialogModality();
  EndDialogModality();
  const bool stillDisabled = !IsWindowEnabled(window);
  SetEvent(mayEnd);
  const bool enabledAgain = enabledAfterEnd.get_future().get();
  other.join();
  CloseHandle(mayEnd);

  ASSERT_TRUE(disabledByItsThread);
  EXPECT_TRUE(stillDisabled);
  EXPECT_TRUE(enabledAgain);
}

TEST(FileDialog, OpenStyleReturnsATypedNameThatDoesNotExist) {
  TempFolder folder;
  gProbe = DialogProbe();
  // A relative answer is taken in the initial folder, worked out from the
  // default file; the missing default name still fills the name box.
  const Text chosen =
      ShowProbedDialog(FileDialogKind::Open, folder / u"Lost.bin", 0, L"Found.img");
  ASSERT_TRUE(gProbe.sawDialog);
  EXPECT_EQ(gProbe.nameBox, L"Lost.bin");
  EXPECT_EQ(gProbe.filterShown, L"Cue");
  EXPECT_EQ(chosen, folder / u"Found.img");
}
