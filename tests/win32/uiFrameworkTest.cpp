// The component framework with real windows under Wine.
#include <gtest/gtest.h>
#include <windowsx.h>

#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/WineTestUtils.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Hints.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

namespace {

using UiTest = TWindowsTest;

std::string KeyName(WORD key) { return key >= 0x20 && key < 0x7F ? std::string(1, char(key)) : std::to_string(key); }

// The control's bounds as {left, top, right, bottom}; its window agrees.
std::vector<int> BoundsOf(TWinControl& control) {
  const RECT window = BoundsInParent(control.Handle());
  const std::vector<int> bounds{control.Left(), control.Top(), control.Left() + control.Width(),
                                control.Top() + control.Height()};
  EXPECT_EQ(bounds, (std::vector<int>{window.left, window.top, window.right, window.bottom})) << "the window";
  return bounds;
}

TButton* AddButton(TForm& form, int result, int left, std::function<void()> click) {
  auto* button = AddControl<TButton>(form);
  button->ModalResult = result;
  button->SetBounds(left, 60, 75, 25);
  button->OnClick = [click](TComponent&) { click(); };
  return button;
}

// Gives each 20-pixel row its own hint while the pointer moves, as the result list does.
struct TRowsControl : TPanel {
  using TPanel::TPanel;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_MOUSEMOVE) Hint = "Row " + std::to_string(GET_Y_LPARAM(lParam) / 20);
    return TPanel::WndProc(msg, wParam, lParam);
  }
};

}  // namespace

// The status bar draws its panel to the bar's end, with the simple text.
TEST_F(UiTest, AlignedControlsFollowTheFormThroughResizesAndVisibilityChanges) {
  TForm form(nullptr);
  auto* top = AddControl<TPanel>(form);
  top->SetHeight(30);
  top->SetAlign(alTop);
  auto* list = AddControl<TListBox>(form);
  list->SetAlign(alClient);
  auto* status = AddControl<TStatusBar>(form);
  status->PanelWidth = 120;
  std::vector<std::string> texts;
  RECT panel{};
  status->OnDrawPanel = [&](TStatusBar& sender, const RECT& rect, TCanvas& canvas) {
    texts.push_back(sender.SimpleText());
    panel = rect;
    canvas.FillRect(rect);
  };
  form.SetClientSize(400, 300);
  ASSERT_TRUE(ShowActive(form));
  const int bar = status->Height();
  ASSERT_GT(bar, 0);
  for (const SIZE client : {SIZE{400, 300}, SIZE{500, 220}}) {
    // The user drags the frame: the window's own size message lays the children out.
    RECT frame;
    GetWindowRect(form.Handle(), &frame);
    SetWindowPos(form.Handle(), nullptr, 0, 0, frame.right - frame.left + client.cx - form.ClientWidth(),
                 frame.bottom - frame.top + client.cy - form.ClientHeight(), SWP_NOMOVE | SWP_NOZORDER);
    Pump(50);
    ASSERT_EQ(form.ClientWidth(), client.cx);
    ASSERT_EQ(form.ClientHeight(), client.cy);
    EXPECT_EQ(BoundsOf(*top), (std::vector<int>{0, 0, client.cx, 30}));
    EXPECT_EQ(BoundsOf(*status), (std::vector<int>{0, client.cy - bar, client.cx, client.cy}));
    EXPECT_EQ(BoundsOf(*list), (std::vector<int>{0, 30, client.cx, client.cy - bar}));
  }
  // A hidden aligned control gives its room to the others; shown again it takes it back.
  top->Hide();
  EXPECT_EQ(BoundsOf(*list), (std::vector<int>{0, 0, 500, 220 - bar}));
  top->Show();
  top->SetHeight(50);
  EXPECT_EQ(BoundsOf(*list), (std::vector<int>{0, 50, 500, 220 - bar}));
  // The status bar's one panel is the last, so it reaches the right end of the bar.
  status->Repaint();
  EXPECT_GT(panel.right, 400);
  EXPECT_LE(panel.right, 500);
  status->SetSimpleText("Searching...");
  EXPECT_TRUE(PumpUntil([&] { return texts.back() == "Searching..."; }));
}

// Rows added before and after the window exists are drawn once each, at the item height; the
// user's selection and double click reach their events.
TEST_F(UiTest, AListBoxDrawsEachVisibleRowOnceAndReportsTheUsersChoice) {
  TForm form(nullptr);
  auto* list = new TListBox(&form);
  list->TabStop = false;  // left unfocused: a focused list draws its focused row again, for the mark
  list->Border = false;
  list->ItemHeight = 20;
  list->SetBounds(0, 0, 200, 200);
  std::vector<int> data(100);
  for (int i = 0; i < 50; ++i) list->AddItem("Item " + std::to_string(i), &data[i]);
  list->SetItemIndex(2);
  std::vector<int> drawn;
  std::set<int> heights;
  std::vector<unsigned> states(100);
  list->OnDrawItem = [&](TWinControl&, int index, const RECT& rect, unsigned state, TCanvas& canvas) {
    drawn.push_back(index);
    heights.insert(rect.bottom - rect.top);
    states[index] = state;
    canvas.FillRect(rect);
  };
  int changes = 0, doubleClicks = 0;
  list->OnChange = [&](TComponent&) { ++changes; };
  list->OnDblClick = [&](TComponent&) { ++doubleClicks; };
  list->SetParent(&form);
  form.SetClientSize(200, 200);
  ASSERT_TRUE(ShowActive(form));
  for (int i = 50; i < 100; ++i) list->AddItem("Item " + std::to_string(i), &data[i]);
  for (int topIndex : {0, 50}) {
    list->SetTopIndex(topIndex);
    drawn.clear();
    list->Repaint();
    std::vector<int> visible(10);
    for (int i = 0; i < 10; ++i) visible[i] = topIndex + i;
    EXPECT_EQ(drawn, visible);
  }
  EXPECT_EQ(heights, std::set<int>{20});
  EXPECT_TRUE(states[2] & odSelected);
  EXPECT_FALSE(states[3] & odSelected);
  EXPECT_EQ(list->ItemData(73), &data[73]);
  EXPECT_EQ(list->ItemAtPos({5, 45}), 52);
  ASSERT_TRUE(FocusOn(*list));
  PressKey(VK_DOWN);
  ASSERT_TRUE(PumpUntil([&] { return changes == 1; }));
  EXPECT_EQ(list->ItemIndex(), 3);
  list->InsertItem(0, "First", &data[0]);
  EXPECT_EQ(list->ItemText(1), "Item 0");
  const RECT row = list->ItemRect(list->TopIndex() + 1);
  SendMessageA(list->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, row.top + 2));
  SendMessageA(list->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, row.top + 2));
  EXPECT_EQ(doubleClicks, 1);
}

// A consumed key never reaches the edit, a handler may change the character, and a key for the
// form itself reaches its handler once.
TEST_F(UiTest, TheFormPreviewsKeysAndAConsumedKeyNeverReachesTheEdit) {
  TForm form(nullptr);
  form.KeyPreview = true;
  auto* edit = AddControl<TEdit>(form);
  edit->SetBounds(10, 10, 200, 23);
  std::vector<std::string> log;
  form.OnKeyDown = [&](TComponent&, WORD& key, TShiftState) {
    log.push_back("form " + KeyName(key));
    if (key == 'X') key = 0;
  };
  edit->OnKeyDown = [&](TComponent&, WORD& key, TShiftState) { log.push_back("edit " + KeyName(key)); };
  edit->OnKeyPress = [&](TComponent&, char& key) {
    log.push_back(std::string("press ") + key);
    if (key == 'b') key = 'c';
  };
  ASSERT_TRUE(ShowActive(form));
  ASSERT_TRUE(FocusOn(*edit));
  for (WORD key : {'A', 'X', 'B'}) PressKey(key);
  ASSERT_TRUE(PumpUntil([&] { return edit->Text() == "ac"; })) << edit->Text();
  EXPECT_EQ(log, (std::vector<std::string>{"form A", "edit A", "press a", "form X", "form B", "edit B", "press b"}));

  log.clear();
  SetFocus(form.Handle());
  PressKey('Q');
  ASSERT_TRUE(PumpUntil([&] { return !log.empty(); }));
  Pump(100);
  EXPECT_EQ(log, std::vector<std::string>{"form Q"});
}

// A form opens with the focus on its first control; Tab and Shift+Tab follow the controls as
// they stand, whatever order they were made in, pass over labels and hidden controls, select an
// edit's text and type no tab; a form activated again gives the focus back to the control that
// had it.
TEST_F(UiTest, TabAndShiftTabMoveTheFocusThroughTheTabStopsAndItComesBackWithTheForm) {
  TForm form(nullptr);
  auto* button = AddControl<TButton>(form);  // made first, stands last
  button->SetBounds(10, 110, 75, 25);
  auto* panel = AddControl<TPanel>(form);
  panel->SetBounds(0, 0, 300, 100);
  auto* second = AddControl<TEdit>(form, panel);
  second->SetBounds(120, 12, 100, 23);  // a little lower, in the same row
  second->SetText("two");
  AddControl<TLabel>(form, panel)->SetBounds(10, 40, 100, 17);  // no tab stop
  auto* first = AddControl<TEdit>(form, panel);
  first->SetBounds(10, 10, 100, 23);
  AddControl<TEdit>(form)->Hide();
  ASSERT_TRUE(ShowActive(form));
  EXPECT_TRUE(PumpUntil([&] { return first->Focused(); }));
  PressKey(VK_TAB);
  ASSERT_TRUE(PumpUntil([&] { return second->Focused(); }));
  DWORD start = 1, end = 0;
  SendMessageA(second->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(std::make_pair(start, end), std::make_pair(DWORD{0}, DWORD{3})) << "the text selected";
  const std::pair<bool, TWinControl*> steps[] = {{false, button}, {false, first}, {true, button}};
  for (auto [shift, next] : steps) {
    shift ? PressKeys({VK_SHIFT, VK_TAB}) : PressKey(VK_TAB);
    EXPECT_TRUE(PumpUntil([&] { return next->Focused(); }));
  }
  EXPECT_EQ(first->Text(), "") << "no tab typed into the edits";

  TForm other(nullptr);
  other.SetBounds(400, 400, 200, 100);
  ASSERT_TRUE(ShowActive(other));
  EXPECT_FALSE(button->Focused());
  SetForegroundWindow(form.Handle());  // as the user clicks its caption or Alt+Tabs back
  EXPECT_TRUE(PumpUntil([&] { return button->Focused(); }));
}

// Enter clicks the focused button, elsewhere the default button; Esc the cancel button; Alt with
// an underlined letter, or the letter alone on a button, that button; the close button answers
// Cancel, and a handler that refuses with Abort keeps the dialog open. The owner waits meanwhile,
// and the same form shows again.
TEST_F(UiTest, ShowModalAnswersTheResultOfTheButtonThatEndedIt) {
  TForm owner(nullptr);
  ASSERT_TRUE(ShowActive(owner));
  TForm dialog(nullptr);
  dialog.BorderStyle = WS_CAPTION | WS_SYSMENU;
  dialog.SetClientSize(300, 100);
  auto* edit = AddControl<TEdit>(dialog);
  dialog.ActiveControl = edit;
  int okClicks = 0, cancelClicks = 0;
  bool refuseFirst = false;
  dialog.DefaultButton = AddButton(dialog, mrOk, 130, [&] {
    if (++okClicks == 1 && refuseFirst) Abort();
  });
  dialog.CancelButton = AddButton(dialog, mrCancel, 215, [&] { ++cancelClicks; });
  dialog.DefaultButton->SetCaption("&Yes");
  dialog.CancelButton->SetCaption("Cancel");
  const auto onCancel = [&](WORD key) {
    return [&dialog, key] {
      FocusOn(*dialog.CancelButton);
      PressKey(key);
    };
  };
  const struct {
    const char* Name;
    std::function<void()> Drive;
    bool RefuseFirst;
    int Result, OkClicks, CancelClicks;
  } cases[] = {
      {"Enter", [] { PressKey(VK_RETURN); }, false, mrOk, 1, 0},
      {"Esc", [] { PressKey(VK_ESCAPE); }, false, mrCancel, 0, 1},
      {"close", [&] { PostMessageA(dialog.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }, false, mrCancel, 0, 0},
      {"Enter, refused once", [] { PressKey(VK_RETURN), PressKey(VK_RETURN); }, true, mrOk, 2, 0},
      {"Enter on the focused Cancel", onCancel(VK_RETURN), false, mrCancel, 0, 1},
      {"Alt+Y",
       [] {
         PressKeys({VK_MENU, 'Y'});
       },
       false, mrOk, 1, 0},
      {"Y on the focused Cancel", onCancel('Y'), false, mrOk, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    okClicks = cancelClicks = 0;
    refuseFirst = c.RefuseFirst;
    bool ownerDisabled = false;
    TTimer drive(nullptr);
    drive.SetInterval(50);
    drive.OnTimer = [&](TComponent&) {
      if (!dialog.Visible()) return;
      if (GetFocus() != edit->Handle()) {  // a busy Wine may not have activated it yet
        SetForegroundWindow(dialog.Handle());
        edit->SetFocus();
        return;
      }
      drive.SetEnabled(false);
      ownerDisabled = !IsWindowEnabled(owner.Handle());
      c.Drive();
    };
    TDelayedAction limit([&] { dialog.ModalResult = mrAbort; }, 20000);  // instead of hanging
    EXPECT_EQ(dialog.ShowModal(), c.Result);
    EXPECT_EQ(okClicks, c.OkClicks);
    EXPECT_EQ(cancelClicks, c.CancelClicks);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_FALSE(IsWindowVisible(dialog.Handle()));
  }
}

// An underlined letter, with Alt, or alone where the focus types no characters: a label hands the
// focus to the control it names (its text selected), a check box turns, a button clicks. The
// focused button looks like the default one, since Enter presses it.
TEST_F(UiTest, AnUnderlinedLetterFocusesWhatItsLabelNamesTurnsItsCheckBoxAndClicksItsButton) {
  TForm form(nullptr);
  auto* label = AddControl<TLabel>(form);
  label->SetCaption("&Name:");
  label->SetBounds(10, 13, 60, 17);
  auto* name = AddControl<TEdit>(form);
  name->SetBounds(80, 10, 100, 23);
  name->SetText("old");
  label->FocusControl = name;
  auto* other = AddControl<TEdit>(form);
  other->SetBounds(80, 40, 100, 23);
  auto* box = AddControl<TCheckBox>(form);
  box->SetCaption("&Tick");
  box->SetBounds(10, 100, 100, 20);
  int goClicks = 0;
  auto* go = AddButton(form, mrNone, 10, [&] { ++goClicks; });
  go->SetCaption("Go && &stop");
  auto* plain = AddButton(form, mrNone, 100, [] {});
  form.DefaultButton = go;
  ASSERT_TRUE(ShowActive(form));
  const struct {
    const char* Name;
    TWinControl* From;
    std::initializer_list<WORD> Keys;
    TWinControl* Focus;
    bool Checked;
    int GoClicks;
    std::string OtherText;
  } cases[] = {
      {"Alt+N", other, {VK_MENU, 'N'}, name, false, 0, ""},
      {"Alt+T", other, {VK_MENU, 'T'}, box, true, 0, ""},
      {"S on the check box", box, {'S'}, go, false, 1, ""},
      {"S in an edit types", other, {'S'}, other, false, 0, "s"},
      {"Alt+Z, no such letter", other, {VK_MENU, 'Z'}, other, false, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    box->SetChecked(false);
    other->SetText("");
    goClicks = 0;
    ASSERT_TRUE(FocusOn(*c.From));
    PressKeys(c.Keys);
    EXPECT_TRUE(PumpUntil([&] { return c.Focus->Focused() && box->Checked() == c.Checked; }));
    Pump(50);
    EXPECT_EQ(goClicks, c.GoClicks);
    EXPECT_EQ(other->Text(), c.OtherText);
  }
  // As a keyboard sends them (X lets go of Alt first): what is typed next replaces the selected
  // text, and no menu takes it.
  ASSERT_TRUE(FocusOn(*other));
  TDelayedAction noMenu([] { EndMenu(); }, 3000);  // a menu that took the keys would wait for ever
  ASSERT_TRUE(XTestKeys("key alt+n type xy", form.Handle()));
  EXPECT_TRUE(PumpUntil([&] { return name->Text() == "xy"; })) << name->Text();

  const auto looksDefault = [](TButton* button) {
    return (GetWindowLongA(button->Handle(), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  };
  ASSERT_TRUE(FocusOn(*plain));
  EXPECT_TRUE(looksDefault(plain));
  EXPECT_FALSE(looksDefault(go));
  ASSERT_TRUE(FocusOn(*other));
  EXPECT_FALSE(looksDefault(plain));
  EXPECT_TRUE(looksDefault(go));
}

// From a window procedure under a button's own procedure, from the message loop's key preview
// and from a timer; a silent abort reaches nobody.
TEST_F(UiTest, AnExceptionFromAnyHandlerEndsAtOnExceptionAndTheProgramGoesOn) {
  TForm form(nullptr);
  form.KeyPreview = true;
  auto* button = AddControl<TButton>(form);
  int clicks = 0;
  button->OnClick = [&](TComponent&) {
    if (++clicks == 1) throw Exception("Click failed");
  };
  form.OnKeyDown = [&](TComponent&, WORD& key, TShiftState) {
    if (key == 'K') throw Exception("Key failed");
  };
  ASSERT_TRUE(ShowActive(form));
  SendMessageA(button->Handle(), BM_CLICK, 0, 0);
  SendMessageA(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 2);
  PressKey('K');
  EXPECT_TRUE(PumpUntil([&] { return Errors.size() == 2; }));
  TTimer timer(nullptr);
  timer.SetInterval(10);
  timer.OnTimer = [&](TComponent&) {
    timer.SetEnabled(false);
    throw std::runtime_error("Timer failed");
  };
  EXPECT_TRUE(PumpUntil([&] { return Errors.size() == 3; }));
  button->OnClick = [](TComponent&) { Abort(); };
  SendMessageA(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(Errors, (std::vector<std::string>{"Click failed", "Key failed", "Timer failed"}));
  Errors.clear();
}

// Synchronize runs on the GUI thread (where it simply runs when called there) and raises its
// exception on the worker; Post runs there in order and its exception goes to the application; a
// wait for a thread serves its calls and what the message loop serves, and a handle that is no
// thread ends the wait instead of spinning.
TEST_F(UiTest, WaitForThreadServesSynchronizeWhichRaisesItsExceptionOnTheWorker) {
  constexpr UINT WM_TESTPOST = WM_APP + 7;
  int posted = 0;
  std::vector<DWORD> ranOn;
  std::string raised;
  HWND helper = Application().AllocateHWnd([&](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
    posted += msg == WM_TESTPOST;
    return DefWindowProcA(wnd, msg, wParam, lParam);
  });
  std::atomic<bool> started{false};
  std::vector<int> postedCalls;
  std::thread worker([&] {
    PostMessageA(helper, WM_TESTPOST, 0, 0);
    for (int call : {1, 2}) Application().Post([&, call] { postedCalls.push_back(call * int(GetCurrentThreadId())); });
    Application().Post([] { throw Exception("Posted call failed"); });
    started = true;
    Application().Synchronize([&] { ranOn.push_back(GetCurrentThreadId()); });
    try {
      Application().Synchronize([] { throw Exception("Refused on the GUI thread"); });
    } catch (const Exception& e) {
      raised = e.what();
    }
  });
  while (!started) Sleep(1);
  Sleep(50);  // the first call may already wait for the GUI thread when the wait begins
  Application().WaitForThread(worker);
  EXPECT_EQ(ranOn, std::vector<DWORD>{GetCurrentThreadId()});
  EXPECT_EQ(raised, "Refused on the GUI thread");
  EXPECT_EQ(posted, 1);
  ASSERT_TRUE(PumpUntil([&] { return Errors.size() == 1; }));
  const int gui = int(GetCurrentThreadId());
  EXPECT_EQ(postedCalls, (std::vector<int>{gui, 2 * gui}));
  EXPECT_EQ(Errors, std::vector<std::string>{"Posted call failed"});
  Errors.clear();
  Application().WaitForThread(static_cast<HANDLE>(nullptr));
  Application().Synchronize([&] { ranOn.push_back(0); });
  EXPECT_EQ(ranOn.size(), 2u);
  Application().DeallocateHWnd(helper);
}

TEST_F(UiTest, RemovedFiltersAreNeverCalledAgainWhateverTheOrderAndTheOthersStay) {
  constexpr UINT WM_TESTFILTER = WM_APP + 8;
  int delivered = 0;
  HWND target = Application().AllocateHWnd([&](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
    delivered += msg == WM_TESTFILTER;
    return DefWindowProcA(wnd, msg, wParam, lParam);
  });
  // The message passes the filters in the order they came; the first removes a later one (2) and
  // itself while it passes.
  std::vector<int> calls(4), ids(4);
  for (int i = 0; i < 4; ++i) {
    ids[i] = Application().AddMessageFilter([&, i](MSG& msg) {
      if (msg.message != WM_TESTFILTER) return false;
      ++calls[i];
      if (i == 0) {
        Application().RemoveMessageFilter(ids[2]);
        Application().RemoveMessageFilter(ids[0]);
      }
      return false;
    });
  }
  // Posts the message; true when it reached its window.
  auto send = [&] {
    const int before = delivered;
    PostMessageA(target, WM_TESTFILTER, 0, 0);
    return PumpUntil([&] { return delivered > before; });
  };
  ASSERT_TRUE(send());
  EXPECT_EQ(calls, (std::vector<int>{1, 1, 0, 1}));

  // Removed out of order, twice, and an id that never was: the rest go on.
  Application().RemoveMessageFilter(ids[3]);
  Application().RemoveMessageFilter(ids[3]);
  Application().RemoveMessageFilter(-5);
  ASSERT_TRUE(send());
  EXPECT_EQ(calls, (std::vector<int>{1, 2, 0, 1}));
  Application().RemoveMessageFilter(ids[1]);
  ASSERT_TRUE(send());
  EXPECT_EQ(calls, (std::vector<int>{1, 2, 0, 1}));
  Application().DeallocateHWnd(target);
}

// A disabled or freed item's command does nothing, and while an item lives its command is not
// given again when the ids wrap around.
TEST_F(UiTest, AMenuCommandRunsOnlyItsLiveEnabledItem) {
  TForm form(nullptr);
  int clicks = 0;
  auto* item = new TMenuItem(nullptr);
  item->OnClick = [&](TComponent&) { ++clicks; };
  const UINT command = item->Command();
  const auto pick = [&] { SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(command, 0), 0); };
  pick();
  item->Enabled = false;
  pick();
  EXPECT_EQ(clicks, 1);
  bool reused = false;
  for (int i = 0; i < 0x10000 && !reused; ++i) reused = TMenuItem(nullptr).Command() == command;
  EXPECT_FALSE(reused);
  delete item;
  pick();
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(TMenuItem::DispatchCommand(command));
}

TEST_F(UiTest, ATimerFiresRepeatedlyStopsWhenDisabledAndRestartsFromNow) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(20);
  timer.OnTimer = [&](TComponent&) { ++ticks; };
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  timer.SetEnabled(false);
  Pump(30);
  const int stopped = ticks;
  Pump(200);
  EXPECT_EQ(ticks, stopped);
  ticks = 0;
  timer.SetInterval(1000);
  timer.SetEnabled(true);
  Pump(600);
  timer.Restart();
  Pump(600);
  EXPECT_EQ(ticks, 0);
  EXPECT_TRUE(PumpUntil([&] { return ticks == 1; }));
  timer.SetEnabled(false);
}

TEST_F(UiTest, ALabelSizesItselfToItsTextAndWrapsAtItsWidth) {
  TForm form(nullptr);
  form.SetClientSize(400, 300);
  auto* single = AddControl<TLabel>(form);
  single->SetBounds(10, 10, 300, 50);
  auto* wrapped = AddControl<TLabel>(form);
  wrapped->WordWrap = true;
  wrapped->SetBounds(10, 100, 80, 17);
  form.Handle();
  single->SetCaption("Short");
  const int shortWidth = single->Width(), lineHeight = single->Height();
  EXPECT_GT(shortWidth, 0);
  EXPECT_LT(shortWidth, 300);
  single->SetCaption("A somewhat longer caption");
  EXPECT_GT(single->Width(), shortWidth);
  wrapped->SetCaption("one two three four five six seven eight nine ten");
  EXPECT_EQ(wrapped->Width(), 80);
  EXPECT_GE(wrapped->Height(), 3 * lineHeight);
  wrapped->SetCaption("");
  EXPECT_EQ(wrapped->Height(), lineHeight) << "an empty label keeps one line";
  // The canvas measures (and draws) text as UTF-8.
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

TEST_F(UiTest, ASpeedButtonClicksOnReleaseInsideAndNeverTakesTheFocus) {
  TForm form(nullptr);
  auto* edit = AddControl<TEdit>(form);
  auto* button = AddControl<TSpeedButton>(form);
  button->SetBounds(150, 0, 26, 26);
  int clicks = 0;
  button->OnClick = [&](TComponent&) { ++clicks; };
  ASSERT_TRUE(ShowActive(form));
  ASSERT_TRUE(FocusOn(*edit));
  HWND wnd = button->Handle();
  for (int x : {6, 60}) {  // released inside, then dragged out and released outside: no click
    SendMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(GetCapture(), wnd);
    SendMessageA(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 6));
    SendMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(x, 6));
    EXPECT_EQ(clicks, 1) << x;
    EXPECT_EQ(GetCapture(), nullptr);
  }
  EXPECT_TRUE(edit->Focused());

  // A flat button shows its frame only under the pointer.
  const auto corner = [&] {
    HDC dc = GetDC(wnd);
    const COLORREF colour = GetPixel(dc, 0, 0);
    ReleaseDC(wnd, dc);
    return colour;
  };
  MouseAt(wnd, POINT{13, 13});
  EXPECT_TRUE(PumpUntil([&] { return corner() == GetSysColor(COLOR_BTNHIGHLIGHT); }));
  MouseAt(form.Handle(), POINT{300, 100});
  EXPECT_TRUE(PumpUntil([&] { return corner() == GetSysColor(COLOR_BTNFACE); }));
}

// A group box draws its etched frame and, in its top edge, its caption.
TEST_F(UiTest, AGroupBoxDrawsItsFrameAndCaption) {
  TForm form(nullptr);
  auto* group = AddControl<TGroupBox>(form);
  group->SetCaption("Groups");
  group->SetBounds(10, 10, 200, 100);
  ASSERT_TRUE(ShowActive(form));
  group->Repaint();
  HDC dc = GetDC(group->Handle());
  EXPECT_EQ(GetPixel(dc, 0, 50), GetSysColor(COLOR_BTNSHADOW)) << "the frame's left edge";
  int edge = 0;  // the frame's top edge, seen beyond the caption
  while (edge < 20 && GetPixel(dc, 150, edge) != GetSysColor(COLOR_BTNSHADOW)) ++edge;
  EXPECT_LT(edge, 20);
  int ink = 0;  // the caption's text, off the rows of the edge
  for (int x = 10; x < 60; ++x)
    for (int y = 0; y < 16; ++y) ink += y != edge && y != edge + 1 && GetPixel(dc, x, y) != GetSysColor(COLOR_BTNFACE);
  ReleaseDC(group->Handle(), dc);
  EXPECT_GT(ink, 20);
}

TEST_F(UiTest, EscInAMultiLineMemoLeavesItsParentStanding) {
  TForm form(nullptr);
  auto* panel = AddControl<TPanel>(form);
  panel->SetAlign(alClient);
  auto* memo = new TMemo(&form);
  memo->ReadOnly = true;
  memo->SetText("Line one\r\nLine two");
  memo->SetParent(panel);
  int escapes = 0;
  memo->OnKeyDown = [&](TComponent&, WORD& key, TShiftState) { escapes += key == VK_ESCAPE; };
  ASSERT_TRUE(ShowActive(form));
  ASSERT_TRUE(FocusOn(*memo));
  HWND panelWnd = panel->Handle();
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(PumpUntil([&] { return escapes == 1; }));
  Pump(100);
  EXPECT_TRUE(IsWindow(panelWnd));
  EXPECT_TRUE(panel->HandleAllocated());
  memo->SetScrollBars(true);
  EXPECT_TRUE(GetWindowLongA(memo->Handle(), GWL_STYLE) & WS_VSCROLL);
}

// The hint shows below the pointer without taking the activation, or where the show-hint event
// puts it and as narrow as the event says; it follows the rows a control tells apart, and hides
// on a key and off the program's windows.
TEST_F(UiTest, TheHintFollowsThePointerAndTheShowHintEventAndHidesOnKeysAndLeaving) {
  SetCursorPos(5, 1000);  // away from the form until the test moves it
  TForm form(nullptr);
  form.SetBounds(100, 100, 400, 300);
  auto* panel = AddControl<TPanel>(form);
  panel->Hint = "A long hint text that needs several lines at this width";
  panel->SetAlign(alClient);
  auto* rows = AddControl<TRowsControl>(form, panel);
  rows->SetBounds(10, 10, 150, 150);
  THintWindow* window = nullptr;
  Application().OnShowHint = [&](std::string&, bool&, THintInfo& info) {
    window = info.HintWindow;
    if (info.HintControl != panel) return;
    info.HintMaxWidth = 120;
    info.HintPos = POINT{200, 150};
  };
  const auto shown = [&] { return window && window->Showing() ? window->Caption() : std::string(); };
  RECT r{};
  ASSERT_TRUE(ShowActive(form));
  MouseAt(rows->Handle(), POINT{50, 30});
  ASSERT_TRUE(PumpUntil([&] { return shown() == "Row 1"; }));
  POINT cursor;
  GetCursorPos(&cursor);
  GetWindowRect(window->Handle(), &r);
  EXPECT_GT(r.top, cursor.y);
  EXPECT_GE(r.left, cursor.x - 1);
  EXPECT_NE(GetActiveWindow(), window->Handle());

  // Another row: the control changed its hint, the shown one follows at once.
  MouseAt(rows->Handle(), POINT{50, 70});
  EXPECT_TRUE(PumpUntil([&] { return shown() == "Row 3"; }));
  PressKey(VK_SHIFT);
  EXPECT_TRUE(PumpUntil([&] { return shown().empty(); }));

  // The parent's own area has the parent's hint; off the program's windows, none.
  MouseAt(panel->Handle(), POINT{300, 200});
  ASSERT_TRUE(PumpUntil([&] { return shown() == panel->Hint; }));
  GetWindowRect(window->Handle(), &r);
  EXPECT_EQ(r.left, 200);
  EXPECT_EQ(r.top, 150);
  EXPECT_LE(r.right - r.left, 120);
  const RECT oneLine = window->CalcHintRect(1000, "A");
  EXPECT_GT(r.bottom - r.top, 2 * (oneLine.bottom - oneLine.top) - 10);
  SetCursorPos(5, 1000);
  EXPECT_TRUE(PumpUntil([&] { return shown().empty(); }));
  Application().OnShowHint = nullptr;
}

TEST_F(UiTest, AControlOpensItsMenuOnlyWithAutoPopupAndTheMenuKnowsForWhom) {
  TForm form(nullptr);
  auto* edit = AddControl<TEdit>(form);
  auto* menu = new TPopupMenu(&form);
  AddMenuItem(form, menu->Items(), "Run");
  int popups = 0;
  menu->OnPopup = [&](TComponent&) { ++popups; };
  edit->PopupMenu = menu;
  ASSERT_TRUE(ShowActive(form));
  auto contextMenu = [&] {
    TMenuWatch close([](HWND) { EndMenu(); });  // whichever menu opens
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
