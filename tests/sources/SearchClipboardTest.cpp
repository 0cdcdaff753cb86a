#include "sources/SearchClipboard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "os/os.h"
#include "tests/sources/SourceHits.h"
#include "tests/sources/SourceSettings.h"
#include "tests/support/Mapped.h"

namespace {

// What the source put on the clipboard.
struct TFakeClipboard : TClipboardSystem {
  std::string Text;
  TClipboardPicture Picture;
  std::u16string Copied;
  void PutText(const std::string& text) override { Text = text; }
  void PutCopiedText(const std::u16string& text) override { Copied = text; }
  void PutPicture(const TClipboardPicture& picture) override { Picture = picture; }
  std::unique_ptr<TIcon> PictureIcon(const TClipboardPicture&) override { return nullptr; }
  std::unique_ptr<TIcon> ClipboardIcon() override { return nullptr; }
};

// A picture of Data's bytes, as a DIB.
TClipboardPicture Picture(std::string data) { return {TClipboardPicture::pfDib, std::move(data)}; }

TNames Texts(const TClipboardHistory& history) {
  return Mapped(*history.Entries(), [](const auto& entry) { return entry->Text; });
}

// A packed DIB: an information header of 40 bytes, no colour table (above 8 bits), pixels.
std::string Dib(int32_t width, int32_t height, uint16_t bits, size_t pixelBytes, uint32_t colorsUsed = 0) {
  std::string dib(40, '\0');
  auto put = [&](size_t offset, uint32_t value, size_t size) {
    for (size_t i = 0; i < size; ++i) dib[offset + i] = static_cast<char>(value >> (8 * i));
  };
  put(0, 40, 4);
  put(4, static_cast<uint32_t>(width), 4);
  put(8, static_cast<uint32_t>(height), 4);
  put(12, 1, 2);
  put(14, bits, 2);
  put(32, colorsUsed, 4);
  return dib + std::string(pixelBytes, '\x7f');
}

class ClipboardSourceTest : public ::testing::Test {
 protected:
  ClipboardSourceTest() {
    auto system = std::make_unique<TFakeClipboard>();
    Clipboard = system.get();
    Source = std::make_unique<TSearchClipboard>(nullptr, History, TNames{"my clipboard note", "Line one\r\nline two"},
                                                std::move(system), nullptr);
  }

  std::shared_ptr<TClipboardHistory> History = std::make_shared<TClipboardHistory>(20);
  TFakeClipboard* Clipboard;
  std::unique_ptr<TSearchClipboard> Source;
};

}  // namespace

TEST(ClipboardHistoryTest, EqualTextsMoveUpAsStoredAndTheOldestGo) {
  TClipboardHistory history(3);
  for (const char* text : {"one", "two", "ONE", "Image 1"}) history.AddText(text);
  EXPECT_EQ(Texts(history), (TNames{"Image 1", "one", "two"}));
  const uint64_t first = history.AddPicture(Picture("dib1"), "Image 1");
  const uint64_t second = history.AddPicture(Picture("dib2"), "Image 1");
  EXPECT_NE(first, second);
  EXPECT_EQ(Texts(history), (TNames{"Image 1", "Image 1", "Image 1"}));
  EXPECT_EQ(history.Picture(first)->Data, "dib1");
  history.AddText("image 1");  // the text moves up: a picture's caption is no text
  EXPECT_EQ(history.Entries()->front()->Picture, nullptr);
  history.AddText("new");
  EXPECT_EQ(history.Picture(first), nullptr);
  EXPECT_EQ(history.Picture(second)->Data, "dib2");

  TClipboardHistory none(0);
  none.AddText("one");
  EXPECT_TRUE(none.Entries()->empty());
}

TEST(ClipboardHistoryTest, PicturesStayWithinTheirBudgetOldestFirstAndTextsStay) {
  TClipboardHistory history(20, 100);
  history.AddPicture(Picture(std::string(40, 'a')), "one");
  history.AddText("text");
  history.AddPicture(Picture(std::string(40, 'b')), "two");
  // A metafile counts as a bitmap does: 110 bytes, the oldest picture goes.
  history.AddPicture({TClipboardPicture::pfMetafile, std::string(30, 'c'), 8, 100, 100}, "three");
  EXPECT_EQ(Texts(history), (TNames{"three", "two", "text"}));
  EXPECT_EQ(history.AddPicture(Picture(std::string(101, 'd')), "too big"), 0u);  // not taken; nothing goes for it
  EXPECT_EQ(Texts(history), (TNames{"three", "two", "text"}));
  history.AddPicture(Picture(std::string(100, 'e')), "whole");
  EXPECT_EQ(Texts(history), (TNames{"whole", "text"}));
}

TEST(ClipboardHistoryTest, HistoryCountIsTheNumberSetAndNoneBelow0) {
  const std::pair<const char*, int> cases[] = {{"20", 20}, {" 7 ", 7}, {"-5", 0},  {"5000", 5000},
                                               {"abc", 20}, {"", 20},  {"3x", 20}, {"99999999999", 20}};
  for (const auto& [text, limit] : cases) {
    SCOPED_TRACE(text);
    TClipboardSettings settings;
    settings.HistoryCount = text;
    EXPECT_EQ(settings.HistoryLimit(), limit);
  }
}

// A key the file lacks leaves the value the settings held: the clipboard window keeps no pictures
// unless told, the options dialog, starting from StoreImages true, shows them kept.
TEST(ClipboardHistoryTest, AMissingKeyLeavesTheValueHeld) {
  struct TCase {
    const char* File;
    bool StoreImagesBefore;
    bool KeepAlive, StoreImages;
    const char* HistoryCount;
  };
  const TCase cases[] = {
      {"", false, true, false, "20"},
      {"", true, true, true, "20"},
      {"[Settings]\r\nHistoryCount=7\r\n", true, true, true, "7"},
      {"[Settings]\r\nStoreImages=0\r\n", true, true, false, "20"},
      {"[Settings]\r\nKeepAlive=0\r\nStoreImages=1\r\nHistoryCount=x\r\n", false, false, true, "x"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.File << " / " << c.StoreImagesBefore);
    TClipboardSettings settings;
    settings.StoreImages = c.StoreImagesBefore;
    settings.Load(TMemIniFile(WriteSettingsFile(TClipboardSettings::IniFileName, c.File)));
    EXPECT_EQ(settings.KeepAlive, c.KeepAlive);
    EXPECT_EQ(settings.StoreImages, c.StoreImages);
    EXPECT_EQ(settings.HistoryCount, c.HistoryCount);
  }
}

TEST(ClipboardHistoryTest, SettingsKeepLineBreaksAndRenumberThePermanentTexts) {
  TMemIniFile ini(WriteSettingsFile(TClipboardSettings::IniFileName,
                                    "[Permanent]\r\nItem5=a#13#10b#13#10c\r\nItem9=d\r\n[Other]\r\nx=1\r\n"));
  TClipboardSettings settings;
  settings.Load(ini);
  EXPECT_EQ(settings.Permanent, (TNames{"a\r\nb\r\nc", "d"}));
  settings.Save(ini);
  EXPECT_EQ(ini.KeyNames("Permanent"), (TNames{"Item1", "Item2"}));
  EXPECT_EQ(ini.ReadString("Permanent", "Item1", ""), "a#13#10b#13#10c");
  EXPECT_EQ(ini.ReadString("Other", "x", ""), "1");
}

// A permanent text comes back from the file exactly as it was kept: indented code, any line ends.
TEST(ClipboardHistoryTest, PermanentTextsComeBackFromTheFileAsTheyWereKept) {
  const TNames texts = {
      "  indented\nnext line  ", "LF\nonly",        "CR\ronly",         "CR LF\r\nline",
      "a literal #13#10",        "\"both quoted\"", "'single quoted'", "\t\r\n",
      "",                        "#35#35 #00#10",
  };
  const std::string file = WriteSettingsFile(TClipboardSettings::IniFileName, "");
  {
    TMemIniFile ini(file);
    TClipboardSettings settings;
    settings.Permanent = texts;
    settings.Save(ini);
    ini.UpdateFile();
  }
  std::string written;
  ASSERT_TRUE(os::ReadFile(file, written));
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 5 + std::ssize(texts)) << written;
  TClipboardSettings settings;
  settings.Load(TMemIniFile(file));
  ASSERT_EQ(settings.Permanent.size(), texts.size());
  for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(settings.Permanent[i], texts[i]) << i;
}

TEST_F(ClipboardSourceTest, PartsOfClipboardListTheWholeHistoryThenMatchingPermanentTexts) {
  for (const char* text : {"alpha", "beta", "clip art"}) History->AddText(text);
  History->AddPicture(Picture("dib"), "Image 01.02.2024 10:00:00");
  EXPECT_EQ(NamesInOrder(*Source, "ALP"), (TNames{"alpha"}));
  EXPECT_EQ(NamesInOrder(*Source, "clip"),
            (TNames{"Image 01.02.2024 10:00:00", "clip art", "beta", "alpha", "my clipboard note"}));
  EXPECT_EQ(NamesInOrder(*Source, "two"), (TNames{"Line one\r\nline two"}));

  int reported = 0;
  Source->Search("clip", [&](const TItemRecord&) { return ++reported == 2; });
  EXPECT_EQ(reported, 2);  // cancelled in the history: no permanent text
}

TEST_F(ClipboardSourceTest, HitsGoBackExactlyAsCopiedAndAGonePictureIsRefused) {
  History->AddText("%PATH% 100%");
  const std::u16string lone[] = {u"a\xD800-b", u"a\xDC00-b"};  // surrogates without their partners
  for (const std::u16string& text : {lone[0], lone[1], lone[0]}) History->AddText(text);
  const uint64_t key = History->AddPicture({TClipboardPicture::pfMetafile, "wmf", 8, 2540, 1270}, "Image 1");
  EXPECT_EQ(Texts(*History), (TNames{"Image 1", "a\uFFFD-b", "a\uFFFD-b", "%PATH% 100%"}));
  std::vector<TItemRecord> hits = CollectHits(*Source, "clipboard");
  TItemData text(hits[3]), picture(hits[0]), copied(hits[1]);
  Source->Execute(text);
  EXPECT_EQ(Clipboard->Text, "%PATH% 100%");
  Source->Execute(picture);
  EXPECT_EQ(Clipboard->Picture, (TClipboardPicture{TClipboardPicture::pfMetafile, "wmf", 8, 2540, 1270}));
  Source->Execute(copied);
  EXPECT_EQ(Clipboard->Copied, lone[0]);
  EXPECT_EQ(Texts(*History), (TNames{"Image 1", "a\uFFFD-b", "a\uFFFD-b", "%PATH% 100%"}));

  for (int i = 0; i < 20; ++i) History->AddText(std::to_string(i));
  ASSERT_EQ(History->Picture(key), nullptr);
  EXPECT_THROW(Source->Execute(picture), Exception);
  EXPECT_THROW(Source->Execute(copied), Exception);
}

TEST_F(ClipboardSourceTest, ASearchReadsASnapshotWhileTextsArrive) {
  std::atomic<bool> done = false;
  std::thread worker([&] {
    while (!done)
      for (const TItemRecord& hit : CollectHits(*Source, "clipboard")) EXPECT_FALSE(hit.DisplayName.empty());
  });
  for (int i = 0; i < 2000; ++i) History->AddText(std::string(i % 50 + 1, 'x') + std::to_string(i));
  done = true;
  worker.join();
  EXPECT_EQ(History->Entries()->size(), 20u);
}

TEST(ClipboardDataTest, TextEndsAtItsFirstZeroOrItsSize) {
  const char16_t data[] = {u'a', u'b', u'c', u'\0', u'd'};
  EXPECT_EQ(BoundedClipboardText(data, sizeof data), u"abc");
  EXPECT_EQ(BoundedClipboardText(data, 4), u"ab");
  EXPECT_EQ(BoundedClipboardText(data, 5), u"ab");
  EXPECT_EQ(BoundedClipboardText(nullptr, 8), u"");
}

TEST(ClipboardDataTest, ADibIsMadeOnlyFromAHeaderItsDataHolds) {
  const size_t rgb64x48 = 64 * 3 * 48;
  struct TCase {
    const char* What;
    std::string Data;
    bool Sound;
  } cases[] = {
      {"64x48 24 bits", Dib(64, 48, 24, rgb64x48), true},
      {"top-down", Dib(64, -48, 24, rgb64x48), true},
      {"rows padded to 4 bytes", Dib(3, 2, 24, 2 * 12), true},
      {"8 bits with its table", Dib(4, 4, 8, 256 * 4 + 16), true},
      {"8 bits without room for its table", Dib(4, 4, 8, 16), false},
      {"a table too long", Dib(4, 4, 8, 300 * 4 + 16, 300), false},
      {"one pixel row short", Dib(64, 48, 24, rgb64x48 - 1), false},
      {"no pixels", Dib(0, 48, 24, 0), false},
      {"height 0", Dib(64, 0, 24, 0), false},
      {"beyond any screen", Dib(0x7fffffff, 0x7fffffff, 32, 16), false},
      {"height of -2^31", Dib(1, INT32_MIN, 32, 16), false},
      {"7 bits", Dib(8, 8, 7, 64), false},
      {"header only", Dib(64, 48, 24, 0).substr(0, 39), false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    EXPECT_EQ(CheckDib(c.Data).has_value(), c.Sound);
  }
}

TEST(ClipboardDataTest, AMetafileIsTakenOnlyWithAHeaderItsDataHolds) {
  // Type, 9 words of header, version, the whole size in words; the data holds 30 words.
  const auto metafile = [](char type, char version, char words) {
    return std::string{type, 0, 9, 0, 0, version, words, 0, 0, 0} + std::string(50, '\0');
  };
  EXPECT_TRUE(CheckMetafile(metafile(1, 3, 30)) && CheckMetafile(metafile(2, 1, 9)));
  for (const std::string& bad :
       {metafile(1, 3, 31), metafile(1, 3, 8), metafile(3, 3, 30), metafile(1, 2, 30), metafile(1, 3, 9).substr(0, 17)})
    EXPECT_FALSE(CheckMetafile(bad));
}
