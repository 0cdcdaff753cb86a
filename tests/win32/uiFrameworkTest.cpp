// The component framework with real windows under Wine: layout, owner drawing, keys and focus,
// modal forms, the exception boundary, calls from other threads, message filters, menus,
// timers and hints.
#include <gtest/gtest.h>
#include <windowsx.h>

#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Hints.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"
#include "tests/support/WineTestUtils.h"

namespace {

// Runs the application's message loop until Condition holds or Milliseconds pass.
bool PumpApp(const std::function<bool()>& condition, DWORD milliseconds = 2000) {
  const DWORD start = GetTickCount();
  for (;;) {
    Application().ProcessMessages();
    if (condition()) return true;
    if (GetTickCount() - start > milliseconds) return false;
    Sleep(10);
  }
}

void PumpAppFor(DWORD milliseconds) { PumpApp([] { return false; }, milliseconds); }

// Presses and releases Key through the system's input queue, with Shift held when asked.
void SendKey(WORD key, bool shift = false) {
  std::vector<INPUT> inputs;
  auto add = [&](WORD vk, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = flags;
    inputs.push_back(input);
  };
  if (shift) add(VK_SHIFT, 0);
  add(key, 0);
  add(key, KEYEVENTF_KEYUP);
  if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Moves the pointer to a point of a control's client area.
POINT MoveMouseTo(TWinControl& control, int x, int y) {
  POINT p{x, y};
  ClientToScreen(control.Handle(), &p);
  SetCursorPos(p.x, p.y);
  return p;
}

std::string KeyName(WORD key) { return key >= 0x20 && key < 0x7F ? std::string(1, static_cast<char>(key)) : std::to_string(key); }

// Every test catches what reaches the application's exception event, and leaves no message behind.
class UiTest : public testing::Test {
 protected:
  void SetUp() override {
    Application().OnException = [this](const std::string& message) { Errors.push_back(message); };
  }
  void TearDown() override {
    Application().OnShowHint = nullptr;
    Application().ShowHint = true;
    Application().CancelHint();
    PumpAppFor(50);
    Application().OnException = nullptr;
  }
  std::vector<std::string> Errors;
};

class UiLayout : public UiTest {};
class UiListBox : public UiTest {};
class UiKeys : public UiTest {};
class UiModal : public UiTest {};
class UiExceptions : public UiTest {};
class UiThreads : public UiTest {};
class UiMessageFilters : public UiTest {};
class UiMenus : public UiTest {};
class UiTimer : public UiTest {};
class UiControls : public UiTest {};
class UiHints : public UiTest {};

RECT BoundsOf(TWinControl& control) {
  return RECT{control.Left(), control.Top(), control.Left() + control.Width(), control.Top() + control.Height()};
}

void ExpectBounds(TWinControl& control, RECT expected) {
  const RECT actual = BoundsOf(control);
  EXPECT_EQ(actual.left, expected.left) << control.Name;
  EXPECT_EQ(actual.top, expected.top) << control.Name;
  EXPECT_EQ(actual.right, expected.right) << control.Name;
  EXPECT_EQ(actual.bottom, expected.bottom) << control.Name;
  // The window agrees with the control's own idea of its bounds.
  RECT window;
  GetWindowRect(control.Handle(), &window);
  MapWindowPoints(HWND_DESKTOP, GetParent(control.Handle()), reinterpret_cast<POINT*>(&window), 2);
  EXPECT_TRUE(EqualRect(&window, &actual)) << control.Name;
}

}  // namespace

// --- Layout -------------------------------------------------------------------------------

TEST_F(UiLayout, AlignedControlsFollowTheFormThroughResizesAndVisibilityChanges) {
  TForm form(nullptr);
  auto* top = new TPanel(&form);
  top->Name = "top";
  top->SetHeight(30);
  top->SetAlign(alTop);
  top->SetParent(&form);
  auto* list = new TListBox(&form);
  list->Name = "list";
  list->SetAlign(alClient);
  list->SetParent(&form);
  auto* status = new TStatusBar(&form);  // bottom by default
  status->Name = "status";
  status->SetParent(&form);
  EXPECT_EQ(status->Align(), alBottom);

  form.SetClientSize(400, 300);
  ASSERT_TRUE(ShowActive(form));
  ASSERT_EQ(form.ClientWidth(), 400);
  ASSERT_EQ(form.ClientHeight(), 300);
  const int barHeight = status->Height();
  ASSERT_GT(barHeight, 0);
  ExpectBounds(*top, {0, 0, 400, 30});
  ExpectBounds(*status, {0, 300 - barHeight, 400, 300});
  ExpectBounds(*list, {0, 30, 400, 300 - barHeight});

  // The user drags the frame: the window's own size message lays the children out.
  RECT frame;
  GetWindowRect(form.Handle(), &frame);
  SetWindowPos(form.Handle(), nullptr, 0, 0, frame.right - frame.left + 100, frame.bottom - frame.top - 80,
               SWP_NOMOVE | SWP_NOZORDER);
  PumpAppFor(50);
  ASSERT_EQ(form.ClientWidth(), 500);
  ASSERT_EQ(form.ClientHeight(), 220);
  ExpectBounds(*top, {0, 0, 500, 30});
  ExpectBounds(*status, {0, 220 - barHeight, 500, 220});
  ExpectBounds(*list, {0, 30, 500, 220 - barHeight});

  // A hidden aligned control gives its room to the others; shown again it takes it back.
  top->Hide();
  ExpectBounds(*list, {0, 0, 500, 220 - barHeight});
  top->Show();
  ExpectBounds(*list, {0, 30, 500, 220 - barHeight});
  top->SetHeight(50);
  ExpectBounds(*top, {0, 0, 500, 50});
  ExpectBounds(*list, {0, 50, 500, 220 - barHeight});
}

// --- List box -----------------------------------------------------------------------------

TEST_F(UiListBox, OwnerDrawnRowsAreDrawnOncePerVisibleRowAtTheItemHeight) {
  TForm form(nullptr);
  auto* list = new TListBox(&form);
  list->Border = false;
  list->ItemHeight = 20;
  list->SetBounds(0, 0, 200, 200);
  // Items added before the window exists go into it when it is made.
  std::vector<int> data(100);
  for (int i = 0; i < 50; ++i) list->AddItem("Item " + std::to_string(i), &data[i]);
  list->SetItemIndex(2);
  EXPECT_EQ(list->Count(), 50);
  std::vector<int> drawn;
  std::set<int> heights;
  std::vector<unsigned> states(100);
  list->OnDrawItem = [&](TWinControl&, int index, const RECT& rect, unsigned state, TCanvas& canvas) {
    drawn.push_back(index);
    heights.insert(rect.bottom - rect.top);
    states[index] = state;
    canvas.FillRect(rect);
  };
  list->SetParent(&form);
  form.SetClientSize(200, 200);
  ASSERT_TRUE(ShowActive(form));
  for (int i = 50; i < 100; ++i) list->AddItem("Item " + std::to_string(i), &data[i]);

  drawn.clear();
  list->Repaint();
  EXPECT_EQ(drawn, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(heights, std::set<int>{20});
  EXPECT_TRUE(states[2] & odSelected);
  EXPECT_FALSE(states[3] & odSelected);

  list->SetTopIndex(50);
  drawn.clear();
  list->Repaint();
  EXPECT_EQ(drawn, (std::vector<int>{50, 51, 52, 53, 54, 55, 56, 57, 58, 59}));

  EXPECT_EQ(list->Count(), 100);
  EXPECT_EQ(list->ItemText(73), "Item 73");
  EXPECT_EQ(list->ItemData(73), &data[73]);
  EXPECT_EQ(list->ItemData(100), nullptr);
  EXPECT_EQ(list->ItemText(-1), "");
  EXPECT_EQ(list->ItemAtPos({5, 45}), 52);
  EXPECT_EQ(list->ItemAtPos({5, 250}), -1);
  EXPECT_EQ(list->ItemRect(51).top, 20);
  EXPECT_EQ(list->ItemIndex(), 2);

  list->InsertItem(0, "First", &data[0]);
  list->DeleteItem(1);
  EXPECT_EQ(list->ItemText(0), "First");
  EXPECT_EQ(list->ItemText(1), "Item 1");
  EXPECT_EQ(list->Count(), 100);
}

TEST_F(UiListBox, SelectionAndDoubleClickReachTheirEventsAndUpdatesKeepAHiddenListHidden) {
  TForm form(nullptr);
  auto* list = new TListBox(&form);
  list->SetBounds(0, 0, 200, 200);
  list->SetParent(&form);
  for (int i = 0; i < 5; ++i) list->AddItem("Row " + std::to_string(i));
  int changes = 0, doubleClicks = 0;
  list->OnChange = [&](TComponent&) { ++changes; };
  list->OnDblClick = [&](TComponent&) { ++doubleClicks; };
  ASSERT_TRUE(ShowActive(form));
  ASSERT_TRUE(FocusOn(*list));
  SendKey(VK_DOWN);
  ASSERT_TRUE(PumpApp([&] { return changes == 1; }));
  EXPECT_EQ(list->ItemIndex(), 0);
  const RECT row = list->ItemRect(1);
  SendMessageA(list->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, row.top + 2));
  SendMessageA(list->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, row.top + 2));
  EXPECT_EQ(doubleClicks, 1);

  list->Hide();
  list->BeginUpdate();
  list->BeginUpdate();
  list->Clear();
  list->EndUpdate();
  list->EndUpdate();
  EXPECT_FALSE(IsWindowVisible(list->Handle()));
  list->Show();
  list->BeginUpdate();
  list->AddItem("Again");
  list->EndUpdate();
  EXPECT_TRUE(IsWindowVisible(list->Handle()));
  EXPECT_EQ(list->Count(), 1);
}

// --- Keys and focus -----------------------------------------------------------------------

TEST_F(UiKeys, TheFormPreviewsKeysAndAConsumedKeyNeverReachesTheEdit) {
  TForm form(nullptr);
  form.KeyPreview = true;
  auto* edit = new TEdit(&form);
  edit->SetBounds(10, 10, 200, 23);
  edit->SetParent(&form);
  std::vector<std::string> log;
  form.OnKeyDown = [&](TComponent&, WORD& key, TShiftState) {
    log.push_back("form " + KeyName(key));
    if (key == 'X') key = 0;
  };
  edit->OnKeyDown = [&](TComponent&, WORD& key, TShiftState) { log.push_back("edit " + KeyName(key)); };
  edit->OnKeyPress = [&](TComponent&, char& key) {
    log.push_back(std::string("press ") + key);
    if (key == 'b') key = 'c';  // a handler may change the character
  };
  ASSERT_TRUE(ShowActive(form));
  ASSERT_TRUE(FocusOn(*edit));

  SendKey('A');
  SendKey('X');
  SendKey('B');
  ASSERT_TRUE(PumpApp([&] { return edit->Text() == "ac"; })) << edit->Text();
  EXPECT_EQ(log, (std::vector<std::string>{"form A", "edit A", "press a", "form X", "form B", "edit B", "press b"}));
}

TEST_F(UiKeys, AKeyForTheFormItselfReachesItsHandlerOnce) {
  TForm form(nullptr);
  form.KeyPreview = true;
  int keys = 0;
  form.OnKeyDown = [&](TComponent&, WORD& key, TShiftState) {
    if (key == 'Q') ++keys;
  };
  ASSERT_TRUE(ShowActive(form));
  SetFocus(form.Handle());
  SendKey('Q');
  ASSERT_TRUE(PumpApp([&] { return keys > 0; }));
  PumpAppFor(100);
  EXPECT_EQ(keys, 1);
}

TEST_F(UiKeys, TabAndShiftTabMoveTheFocusThroughTheTabStops) {
  TForm form(nullptr);
  auto* panel = new TPanel(&form);
  panel->SetBounds(0, 0, 300, 100);
  panel->SetParent(&form);
  auto* first = new TEdit(&form);
  first->SetBounds(10, 10, 100, 23);
  first->SetParent(panel);
  auto* label = new TLabel(&form);  // no tab stop
  label->SetCaption("Label");
  label->SetBounds(10, 40, 100, 17);
  label->SetParent(panel);
  auto* second = new TEdit(&form);
  second->SetBounds(120, 10, 100, 23);
  second->SetParent(panel);
  auto* hidden = new TEdit(&form);
  hidden->Hide();
  hidden->SetParent(&form);
  auto* button = new TButton(&form);
  button->SetBounds(10, 110, 75, 25);
  button->SetParent(&form);
  ASSERT_TRUE(ShowActive(form));
  ASSERT_TRUE(FocusOn(*first));

  SendKey(VK_TAB);
  EXPECT_TRUE(PumpApp([&] { return second->Focused(); }));
  SendKey(VK_TAB);
  EXPECT_TRUE(PumpApp([&] { return button->Focused(); }));
  SendKey(VK_TAB);
  EXPECT_TRUE(PumpApp([&] { return first->Focused(); }));
  SendKey(VK_TAB, true);
  EXPECT_TRUE(PumpApp([&] { return button->Focused(); }));
  EXPECT_EQ(first->Text(), "");  // no tab typed into the edits
}

TEST_F(UiKeys, AFormGivesTheFocusBackToTheControlThatHadItWhenActivatedAgain) {
  TForm form(nullptr);
  auto* first = new TEdit(&form);
  first->SetBounds(10, 10, 100, 23);
  first->SetParent(&form);
  auto* second = new TEdit(&form);
  second->SetBounds(10, 40, 100, 23);
  second->SetParent(&form);
  form.ActiveControl = first;
  TForm other(nullptr);
  other.SetBounds(400, 400, 200, 100);

  ASSERT_TRUE(ShowActive(form));
  EXPECT_TRUE(PumpApp([&] { return first->Focused(); }));
  ASSERT_TRUE(FocusOn(*second));
  ASSERT_TRUE(ShowActive(other));
  EXPECT_FALSE(second->Focused());
  SetForegroundWindow(form.Handle());  // as the user clicks its caption or Alt+Tabs back
  EXPECT_TRUE(PumpApp([&] { return second->Focused(); }));
}

// --- Modal forms --------------------------------------------------------------------------

namespace {

// A dialog with an edit, OK (default) and Cancel; Drive runs inside its modal loop once the
// edit has the focus.
struct TTestDialog {
  TForm Form{nullptr};
  TEdit* Edit;
  TButton* Ok;
  TButton* Cancel;
  int OkClicks = 0, CancelClicks = 0;

  TTestDialog() {
    Form.BorderStyle = WS_CAPTION | WS_SYSMENU;
    Form.SetClientSize(300, 100);
    Edit = new TEdit(&Form);
    Edit->SetBounds(10, 10, 200, 23);
    Edit->SetParent(&Form);
    Ok = new TButton(&Form);
    Ok->SetCaption("OK");
    Ok->ModalResult = mrOk;
    Ok->Default = true;
    Ok->SetBounds(130, 60, 75, 25);
    Ok->SetParent(&Form);
    Ok->OnClick = [this](TComponent&) { ++OkClicks; };
    Cancel = new TButton(&Form);
    Cancel->SetCaption("Cancel");
    Cancel->ModalResult = mrCancel;
    Cancel->SetBounds(215, 60, 75, 25);
    Cancel->SetParent(&Form);
    Cancel->OnClick = [this](TComponent&) { ++CancelClicks; };
    Form.DefaultButton = Ok;
    Form.CancelButton = Cancel;
    Form.ActiveControl = Edit;
  }

  int ShowModal(const std::function<void()>& drive) {
    TTimer timer(nullptr);
    timer.SetInterval(50);
    timer.OnTimer = [&](TComponent&) {
      if (!Form.Visible() || GetFocus() != Edit->Handle()) return;
      timer.SetEnabled(false);
      drive();
    };
    // A test that goes wrong ends the loop instead of hanging.
    TTimer limit(nullptr);
    limit.SetInterval(5000);
    limit.OnTimer = [&](TComponent&) { Form.ModalResult = mrAbort; };
    return Form.ShowModal();
  }
};

}  // namespace

TEST_F(UiModal, EnterClicksTheDefaultButtonAndShowModalAnswersItsResult) {
  TForm owner(nullptr);
  ASSERT_TRUE(ShowActive(owner));
  TTestDialog dialog;
  bool ownerDisabled = false;
  const int result = dialog.ShowModal([&] {
    ownerDisabled = !IsWindowEnabled(owner.Handle());
    SendKey(VK_RETURN);
  });
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(dialog.OkClicks, 1);
  EXPECT_EQ(dialog.CancelClicks, 0);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
  EXPECT_FALSE(dialog.Form.Visible());
  EXPECT_FALSE(IsWindowVisible(dialog.Form.Handle()));
}

TEST_F(UiModal, EscClicksTheCancelButtonAndTheCloseButtonAnswersCancel) {
  TTestDialog esc;
  EXPECT_EQ(esc.ShowModal([] { SendKey(VK_ESCAPE); }), mrCancel);
  EXPECT_EQ(esc.CancelClicks, 1);
  EXPECT_EQ(esc.OkClicks, 0);

  TTestDialog close;
  const int closed = close.ShowModal([&] { PostMessageA(close.Form.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); });
  EXPECT_EQ(closed, mrCancel);
  EXPECT_EQ(close.CancelClicks, 0);

  // The same form shows again and answers again.
  EXPECT_EQ(close.ShowModal([] { SendKey(VK_RETURN); }), mrOk);
}

TEST_F(UiModal, AHandlerThatRefusesWithAbortKeepsTheDialogOpen) {
  TTestDialog dialog;
  dialog.Ok->OnClick = [&](TComponent&) {
    if (++dialog.OkClicks == 1) Abort();  // the first OK is refused silently
  };
  const int result = dialog.ShowModal([] {
    SendKey(VK_RETURN);
    SendKey(VK_RETURN);
  });
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(dialog.OkClicks, 2);
  EXPECT_TRUE(Errors.empty());
}

// --- The exception boundary ---------------------------------------------------------------

TEST_F(UiExceptions, AnExceptionFromAnyHandlerEndsAtOnExceptionAndTheProgramGoesOn) {
  TForm form(nullptr);
  form.KeyPreview = true;
  auto* button = new TButton(&form);
  button->SetParent(&form);
  int clicks = 0;
  button->OnClick = [&](TComponent&) {
    if (++clicks == 1) throw Exception("Click failed");
  };
  form.OnKeyDown = [&](TComponent&, WORD& key, TShiftState) {
    if (key == 'K') throw Exception("Key failed");
  };
  ASSERT_TRUE(ShowActive(form));

  // From a window procedure, under a button's own procedure.
  SendMessageA(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(Errors, std::vector<std::string>{"Click failed"});
  SendMessageA(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 2);

  // From the message loop's key preview.
  SendKey('K');
  EXPECT_TRUE(PumpApp([&] { return Errors.size() == 2; }));

  // From a timer.
  TTimer timer(nullptr);
  timer.SetInterval(10);
  timer.OnTimer = [&](TComponent&) {
    timer.SetEnabled(false);
    throw std::runtime_error("Timer failed");
  };
  EXPECT_TRUE(PumpApp([&] { return Errors.size() == 3; }));
  EXPECT_EQ(Errors, (std::vector<std::string>{"Click failed", "Key failed", "Timer failed"}));

  // A silent abort reaches nobody.
  button->OnClick = [](TComponent&) { Abort(); };
  SendMessageA(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(Errors.size(), 3u);
}

// --- Threads ------------------------------------------------------------------------------

TEST_F(UiThreads, SynchronizeRunsOnTheGuiThreadAndRaisesItsExceptionOnTheWorker) {
  const DWORD guiThread = GetCurrentThreadId();
  DWORD ranOn = 0;
  std::string raised;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    Application().Synchronize([&] { ranOn = GetCurrentThreadId(); });
    try {
      Application().Synchronize([] { throw Exception("Refused on the GUI thread"); });
    } catch (const Exception& e) {
      raised = e.what();
    }
    done = true;
  });
  EXPECT_TRUE(PumpApp([&] { return done.load(); }));
  Application().WaitForThread(worker);
  EXPECT_EQ(ranOn, guiThread);
  EXPECT_EQ(raised, "Refused on the GUI thread");
  EXPECT_TRUE(Errors.empty());

  // On the GUI thread itself it simply runs.
  bool ran = false;
  Application().Synchronize([&] { ran = true; });
  EXPECT_TRUE(ran);
}

TEST_F(UiThreads, WaitForThreadServesSynchronizeAndWhatTheLoopServes) {
  constexpr UINT WM_TESTPOST = WM_APP + 7;
  int posted = 0;
  HWND helper = Application().AllocateHWnd([&](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (msg == WM_TESTPOST) {
      ++posted;
      return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
  });
  int synchronized = 0;
  std::atomic<bool> started{false};
  std::thread worker([&] {
    PostMessageA(helper, WM_TESTPOST, 0, 0);
    started = true;
    Application().Synchronize([&] { ++synchronized; });
    Application().Synchronize([&] { ++synchronized; });
  });
  // The first call may already wait for the GUI thread when the wait begins.
  while (!started) Sleep(1);
  Sleep(50);
  Application().WaitForThread(worker);
  EXPECT_EQ(synchronized, 2);
  EXPECT_EQ(posted, 1);

  // A handle that is no thread ends the wait instead of spinning.
  Application().WaitForThread(static_cast<HANDLE>(nullptr));
  Application().DeallocateHWnd(helper);
}

// --- Message filters ----------------------------------------------------------------------

TEST_F(UiMessageFilters, RemovedFiltersAreNeverCalledAgainWhateverTheOrderAndTheOthersStay) {
  constexpr UINT WM_TESTFILTER = WM_APP + 8;
  int delivered = 0;
  HWND target = Application().AllocateHWnd([&](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (msg == WM_TESTFILTER) ++delivered;
    return DefWindowProcA(wnd, msg, wParam, lParam);
  });
  std::vector<int> calls(4);
  std::vector<int> ids(4);
  std::function<void(int)> duringCall;  // what filter i does while the message passes it
  for (int i = 0; i < 4; ++i) {
    ids[i] = Application().AddMessageFilter([&, i](MSG& msg) {
      if (msg.message != WM_TESTFILTER) return false;
      ++calls[i];
      if (duringCall) duringCall(i);
      return false;
    });
  }
  // Posts the message; true when it reached its window within Milliseconds.
  auto send = [&](DWORD milliseconds = 2000) {
    const int before = delivered;
    PostMessageA(target, WM_TESTFILTER, 0, 0);
    return PumpApp([&] { return delivered > before; }, milliseconds);
  };
  ASSERT_TRUE(send());
  EXPECT_EQ(calls, (std::vector<int>{1, 1, 1, 1}));

  // While the message passes, filter 0 removes a later one (2) and itself.
  duringCall = [&](int i) {
    if (i != 0) return;
    Application().RemoveMessageFilter(ids[2]);
    Application().RemoveMessageFilter(ids[0]);
  };
  ASSERT_TRUE(send());
  EXPECT_EQ(calls, (std::vector<int>{2, 2, 1, 2}));
  duringCall = nullptr;
  ASSERT_TRUE(send());
  EXPECT_EQ(calls, (std::vector<int>{2, 3, 1, 3}));

  // Removed out of order, twice, and an id that never was: the rest go on.
  Application().RemoveMessageFilter(ids[3]);
  Application().RemoveMessageFilter(ids[3]);
  Application().RemoveMessageFilter(-5);
  ASSERT_TRUE(send());
  EXPECT_EQ(calls, (std::vector<int>{2, 4, 1, 3}));

  // A filter that answers true keeps the message from its window.
  const int consumer = Application().AddMessageFilter([](MSG& msg) { return msg.message == WM_TESTFILTER; });
  EXPECT_FALSE(send(200));
  EXPECT_EQ(calls, (std::vector<int>{2, 5, 1, 3}));
  Application().RemoveMessageFilter(consumer);
  Application().RemoveMessageFilter(ids[1]);
  ASSERT_TRUE(send());
  EXPECT_EQ(calls, (std::vector<int>{2, 5, 1, 3}));
  Application().DeallocateHWnd(target);
}

// --- Menus --------------------------------------------------------------------------------

TEST_F(UiMenus, TheCommandOfAFreedItemDoesNothing) {
  TForm form(nullptr);
  int clicks = 0;
  auto* item = new TMenuItem(nullptr);
  item->OnClick = [&](TComponent&) { ++clicks; };
  const UINT command = item->Command();
  SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
  EXPECT_EQ(clicks, 1);
  item->Enabled = false;
  SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
  EXPECT_EQ(clicks, 1);
  delete item;
  SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(TMenuItem::DispatchCommand(command));
}

TEST_F(UiMenus, AControlOpensItsMenuOnlyWithAutoPopupAndTheMenuKnowsForWhom) {
  TForm form(nullptr);
  auto* edit = new TEdit(&form);
  edit->SetParent(&form);
  auto* menu = new TPopupMenu(&form);
  auto* item = new TMenuItem(&form);
  item->Caption = "Run";
  menu->Items().Add(item);
  int popups = 0;
  menu->OnPopup = [&](TComponent&) { ++popups; };
  edit->PopupMenu = menu;
  ASSERT_TRUE(ShowActive(form));
  auto contextMenu = [&] {
    TDelayedAction close([] { EndMenu(); }, 200);  // whichever menu opens
    SendMessageA(edit->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit->Handle()), -1);
  };
  contextMenu();
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(menu->PopupComponent(), edit);
  menu->AutoPopup = false;  // the edit's own menu, not ours
  contextMenu();
  EXPECT_EQ(popups, 1);
  delete edit;
  EXPECT_EQ(menu->PopupComponent(), nullptr);
}

TEST_F(UiMenus, CommandIdsOfLiveItemsAreNotGivenAgainWhenTheIdsWrapAround) {
  TMenuItem kept(nullptr);
  int keptClicks = 0;
  kept.OnClick = [&](TComponent&) { ++keptClicks; };
  bool reused = false;
  for (int i = 0; i < 0x10000 && !reused; ++i) {
    TMenuItem item(nullptr);
    reused = item.Command() == kept.Command();
  }
  EXPECT_FALSE(reused);
  EXPECT_TRUE(TMenuItem::DispatchCommand(kept.Command()));
  EXPECT_EQ(keptClicks, 1);
}

// --- Timers -------------------------------------------------------------------------------

TEST_F(UiTimer, FiresRepeatedlyStopsWhenDisabledAndRestartsFromNow) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(20);
  timer.OnTimer = [&](TComponent&) { ++ticks; };
  EXPECT_TRUE(PumpApp([&] { return ticks >= 3; }));

  timer.SetEnabled(false);
  PumpAppFor(30);
  const int stopped = ticks;
  PumpAppFor(200);
  EXPECT_EQ(ticks, stopped);

  // Restarted just before it would fire, it waits a whole interval again.
  ticks = 0;
  timer.SetInterval(1000);
  timer.SetEnabled(true);
  PumpAppFor(600);
  timer.Restart();
  PumpAppFor(600);
  EXPECT_EQ(ticks, 0);
  EXPECT_TRUE(PumpApp([&] { return ticks == 1; }));
}

TEST_F(UiTimer, ATimerMayFreeItselfInItsOwnEvent) {
  int ticks = 0;
  auto* timer = new TTimer(nullptr);
  timer->SetInterval(10);
  timer->OnTimer = [&, timer](TComponent&) {
    ++ticks;
    delete timer;
  };
  EXPECT_TRUE(PumpApp([&] { return ticks == 1; }));
  PumpAppFor(100);
  EXPECT_EQ(ticks, 1);
}

// --- Controls -----------------------------------------------------------------------------

TEST_F(UiControls, ButtonsCheckBoxesEditsAndLabelsReportTheirEvents) {
  TForm form(nullptr);
  form.SetClientSize(300, 200);
  auto* check = new TCheckBox(&form);
  check->SetCaption("Check");
  check->SetParent(&form);
  int checkClicks = 0;
  check->OnClick = [&](TComponent&) { ++checkClicks; };
  check->SetChecked(true);  // before the window: it comes with it
  auto* edit = new TEdit(&form);
  edit->SetBounds(10, 30, 100, 23);
  edit->SetParent(&form);
  int changes = 0;
  edit->OnChange = [&](TComponent&) { ++changes; };
  auto* label = new TLabel(&form);
  label->SetCaption("Click me");
  label->SetBounds(10, 60, 100, 17);
  label->SetParent(&form);
  int labelClicks = 0;
  label->OnClick = [&](TComponent&) { ++labelClicks; };
  ASSERT_TRUE(ShowActive(form));

  EXPECT_TRUE(check->Checked());
  SendMessageA(check->Handle(), BM_CLICK, 0, 0);
  EXPECT_FALSE(check->Checked());
  EXPECT_EQ(checkClicks, 1);
  check->SetChecked(true);  // by the program: no click
  EXPECT_TRUE(check->Checked());
  EXPECT_EQ(checkClicks, 1);

  edit->SetText("abc");
  EXPECT_EQ(changes, 1);
  edit->SetSelStart(2);
  EXPECT_EQ(edit->SelStart(), 2);

  SendMessageA(label->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageA(label->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(labelClicks, 1);

  // A transparent label leaves its background to the parent.
  HDC dc = GetDC(label->Handle());
  const auto brush = SendMessageA(form.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                  reinterpret_cast<LPARAM>(label->Handle()));
  ReleaseDC(label->Handle(), dc);
  EXPECT_EQ(reinterpret_cast<HGDIOBJ>(brush), GetStockObject(NULL_BRUSH));
  EXPECT_TRUE(GetWindowLongA(label->Handle(), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
}

TEST_F(UiControls, ALabelSizesItselfToItsTextAndWrapsAtItsWidth) {
  TForm form(nullptr);
  form.SetClientSize(400, 300);
  auto* single = new TLabel(&form);
  single->SetBounds(10, 10, 300, 50);
  single->SetParent(&form);
  auto* wrapped = new TLabel(&form);
  wrapped->WordWrap = true;
  wrapped->SetBounds(10, 100, 80, 17);
  wrapped->SetParent(&form);
  form.Handle();

  single->SetCaption("Short");
  const int shortWidth = single->Width();
  const int lineHeight = single->Height();
  EXPECT_GT(shortWidth, 0);
  EXPECT_LT(shortWidth, 300);
  single->SetCaption("A somewhat longer caption");
  EXPECT_GT(single->Width(), shortWidth);
  EXPECT_EQ(single->Height(), lineHeight);

  wrapped->SetCaption("one two three four five six seven eight nine ten");
  EXPECT_EQ(wrapped->Width(), 80);
  EXPECT_GE(wrapped->Height(), 3 * lineHeight);
  wrapped->SetCaption("");
  EXPECT_EQ(wrapped->Height(), lineHeight);  // an empty label keeps one line
}

TEST_F(UiControls, ASpeedButtonClicksOnReleaseInsideAndNeverTakesTheFocus) {
  TForm form(nullptr);
  auto* edit = new TEdit(&form);
  edit->SetParent(&form);
  auto* button = new TSpeedButton(&form);
  button->SetBounds(150, 0, 26, 26);
  button->SetParent(&form);
  int clicks = 0;
  button->OnClick = [&](TComponent&) { ++clicks; };
  ASSERT_TRUE(ShowActive(form));
  ASSERT_TRUE(FocusOn(*edit));
  HWND wnd = button->Handle();

  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(GetCapture(), wnd);
  SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(6, 6));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(GetCapture(), nullptr);

  // Pressed, dragged out and released outside: no click.
  SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 5));
  SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(60, 5));
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(edit->Focused());
}

TEST_F(UiControls, TheStatusBarDrawsItsPanelWithTheSimpleText) {
  TForm form(nullptr);
  form.SetClientSize(300, 100);
  auto* bar = new TStatusBar(&form);
  bar->PanelWidth = 120;
  bar->SetParent(&form);
  std::vector<std::string> texts;
  RECT panel{};
  bar->OnDrawPanel = [&](TStatusBar& sender, const RECT& rect, TCanvas& canvas) {
    texts.push_back(sender.SimpleText());
    panel = rect;
    canvas.FillRect(rect);
  };
  ASSERT_TRUE(ShowActive(form));
  bar->Repaint();
  ASSERT_FALSE(texts.empty());
  // The one panel is the last, so it reaches the right end of the bar.
  EXPECT_GT(panel.right, 200);
  EXPECT_LE(panel.right, 300);
  EXPECT_LE(panel.bottom, bar->Height());

  bar->SetSimpleText("Searching...");
  EXPECT_TRUE(PumpApp([&] { return texts.back() == "Searching..."; }));
}

TEST_F(UiControls, TheCanvasDrawsAndMeasuresTextAsUtf8) {
  HDC dc = CreateCompatibleDC(nullptr);
  {
    TCanvas canvas(dc);
    canvas.SetFont(TFont());
    SIZE wide{};
    GetTextExtentPoint32W(dc, L"\u00C9lan", 4, &wide);
    EXPECT_EQ(canvas.TextWidth("\xC3\x89lan"), wide.cx);  // "Élan"
  }
  DeleteDC(dc);
}

TEST_F(UiControls, EscInAMultiLineMemoLeavesItsParentStanding) {
  TForm form(nullptr);
  auto* panel = new TPanel(&form);
  panel->SetAlign(alClient);
  panel->SetParent(&form);
  auto* memo = new TMemo(&form);
  memo->ReadOnly = true;
  memo->SetText("Line one\r\nLine two");
  memo->SetParent(panel);
  int escapes = 0;
  memo->OnKeyDown = [&](TComponent&, WORD& key, TShiftState) { escapes += key == VK_ESCAPE; };
  ASSERT_TRUE(ShowActive(form));
  ASSERT_TRUE(FocusOn(*memo));
  HWND panelWnd = panel->Handle();
  SendKey(VK_ESCAPE);
  EXPECT_TRUE(PumpApp([&] { return escapes == 1; }));
  PumpAppFor(100);
  EXPECT_TRUE(IsWindow(panelWnd));
  EXPECT_TRUE(panel->HandleAllocated());

  memo->SetScrollBars(true);
  EXPECT_TRUE(GetWindowLongA(memo->Handle(), GWL_STYLE) & WS_VSCROLL);
  EXPECT_EQ(memo->Text(), "Line one\r\nLine two");
}

// --- Hints --------------------------------------------------------------------------------

namespace {

// Gives each 20-pixel row its own hint while the pointer moves, as the result list does.
class TRowsControl : public TPanel {
 public:
  using TPanel::TPanel;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_MOUSEMOVE) Hint = "Row " + std::to_string(GET_Y_LPARAM(lParam) / 20);
    return TPanel::WndProc(msg, wParam, lParam);
  }
};

struct THintScene {
  TForm Form{nullptr};
  TPanel* Panel;
  TRowsControl* Rows;
  THintWindow* Window = nullptr;
  std::vector<THintInfo> Shown;

  THintScene() {
    SetCursorPos(5, 1000);  // away from the form until a test moves it
    Form.SetBounds(100, 100, 400, 300);
    Panel = new TPanel(&Form);
    Panel->Hint = "Panel hint";
    Panel->SetAlign(alClient);
    Panel->SetParent(&Form);
    Rows = new TRowsControl(&Form);
    Rows->SetBounds(10, 10, 150, 150);
    Rows->SetParent(Panel);
    Application().OnShowHint = [this](std::string&, bool&, THintInfo& info) {
      Window = info.HintWindow;
      Shown.push_back(info);
    };
  }
  ~THintScene() {
    Application().OnShowHint = nullptr;
    Application().CancelHint();
  }
  bool Showing() const { return Window && Window->Showing(); }
  std::string Text() const { return Window ? Window->Caption() : ""; }
};

}  // namespace

TEST_F(UiHints, TheHintShowsBelowThePointerFollowsTheRowsAndHidesOnKeysAndLeaving) {
  THintScene scene;
  ASSERT_TRUE(ShowActive(scene.Form));
  const POINT cursor = MoveMouseTo(*scene.Rows, 50, 30);
  ASSERT_TRUE(PumpApp([&] { return scene.Showing(); }, 3000));
  EXPECT_EQ(scene.Text(), "Row 1");
  EXPECT_EQ(scene.Shown.back().HintControl, scene.Rows);
  EXPECT_EQ(scene.Shown.back().CursorPos.x, 50);
  EXPECT_EQ(scene.Shown.back().CursorPos.y, 30);
  RECT r;
  GetWindowRect(scene.Window->Handle(), &r);
  EXPECT_GT(r.top, cursor.y);
  EXPECT_GE(r.left, cursor.x - 1);
  EXPECT_NE(GetActiveWindow(), scene.Window->Handle());

  // Another row: the control changed its hint, the shown one follows at once.
  MoveMouseTo(*scene.Rows, 50, 70);
  EXPECT_TRUE(PumpApp([&] { return scene.Text() == "Row 3"; }));
  EXPECT_TRUE(scene.Showing());

  SendKey(VK_SHIFT);
  EXPECT_TRUE(PumpApp([&] { return !scene.Showing(); }));

  // The parent's own area has the parent's hint.
  MoveMouseTo(*scene.Panel, 300, 200);
  EXPECT_TRUE(PumpApp([&] { return scene.Showing() && scene.Text() == "Panel hint"; }, 3000));

  // Off the program's windows.
  SetCursorPos(5, 1000);
  EXPECT_TRUE(PumpApp([&] { return !scene.Showing(); }));
}

TEST_F(UiHints, TheShowHintEventPlacesSizesOrRefusesTheHint) {
  THintScene scene;
  bool refuse = false;
  Application().OnShowHint = [&](std::string& hint, bool& canShow, THintInfo& info) {
    scene.Window = info.HintWindow;
    hint = "A long hint text that needs several lines at this width";
    info.HintMaxWidth = 120;
    info.HintPos = POINT{200, 150};
    canShow = !refuse;
  };
  ASSERT_TRUE(ShowActive(scene.Form));
  MoveMouseTo(*scene.Panel, 300, 200);
  ASSERT_TRUE(PumpApp([&] { return scene.Showing(); }, 3000));
  RECT r;
  GetWindowRect(scene.Window->Handle(), &r);
  EXPECT_EQ(r.left, 200);
  EXPECT_EQ(r.top, 150);
  EXPECT_LE(r.right - r.left, 120);
  const RECT oneLine = scene.Window->CalcHintRect(1000, "A");
  EXPECT_GT(r.bottom - r.top, 2 * (oneLine.bottom - oneLine.top) - 10);

  Application().CancelHint();
  refuse = true;
  scene.Window = nullptr;
  MoveMouseTo(*scene.Panel, 310, 205);
  EXPECT_TRUE(PumpApp([&] { return scene.Window != nullptr; }, 3000));
  PumpAppFor(100);
  EXPECT_FALSE(scene.Showing());
}

TEST_F(UiHints, NoHintShowsWhenTheApplicationOrTheControlSaysNo) {
  THintScene scene;
  ASSERT_TRUE(ShowActive(scene.Form));
  Application().ShowHint = false;
  MoveMouseTo(*scene.Panel, 300, 200);
  PumpAppFor(1000);
  EXPECT_TRUE(scene.Shown.empty());

  Application().ShowHint = true;
  scene.Panel->ShowHint = false;
  MoveMouseTo(*scene.Panel, 305, 200);
  PumpAppFor(1000);
  EXPECT_TRUE(scene.Shown.empty());
}
