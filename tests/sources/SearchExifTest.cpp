// The image source over JPEG files the tests write with the Exif writer, and over the corpus.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "core/qmFileUtils.h"
#include "os/os.h"
#include "metadata/Vmx.Exif.JPEGUtils.h"
#include "sources/SearchExif.h"
#include "tests/metadata/ExifTestFiles.h"
#include "tests/sources/SourceHits.h"
#include "tests/sources/SourceSettings.h"
#include "tests/support/Corpora.h"
#include "tests/support/ShellRecorder.h"
#include "tests/support/TestPaths.h"

using namespace vmx;

namespace {

using TFill = std::function<void(TExifData&)>;

// A JPEG file with the Exif data Fill sets and ScanBytes of image data after its headers.
void WriteImage(const std::string& fileName, const TFill& fill, size_t scanBytes = 64) {
  exiftest::Bytes plain{0xFF, 0xD8};
  exiftest::Append(plain, exiftest::Segment(0xDB, exiftest::Bytes(65, 1)));
  exiftest::Append(plain, exiftest::Segment(0xDA, exiftest::Bytes(10, 2)));
  plain.resize(plain.size() + scanBytes, 0x33);
  exiftest::Append(plain, {0xFF, 0xD9});
  TExifData exif;
  fill(exif);
  TUserMemoryStream source(plain.data(), static_cast<int64_t>(plain.size()));
  TMemoryStream image;
  exif.SaveToJPEG(source, image);
  testpaths::WriteText(fileName, std::string(image.Bytes().begin(), image.Bytes().end()));
}

// 17 May 2020 at Hour:Minute.
TDateTime May17(int hour, int minute) {
  TDateTime value = 0;
  TryEncodeDateTime(2020, 5, 17, hour, minute, 0, 0, value);
  return value;
}

TFill Description(const std::string& text) {
  return [text](TExifData& exif) {
    exif.SetEnforceASCII(false);
    exif.SetImageDescription(text);
  };
}

// The image source over a folder of its own, listed in the source's file.
class SearchExifTest : public ::testing::Test {
 protected:
  SearchExifTest() : Folder(testpaths::FreshFolder("exif_images")) { ListFolders({Folder}); }

  void ListFolders(const TStringList& folders) {
    WriteSettingsFile(TSearchExif::IniFileName, FolderListText(folders, false));
  }

  std::string Folder;
  bool DialogAnswer = false;
  std::string DialogCall;  // the file and caption the options dialog was shown with
  TSearchExif Source{nullptr, [this](const std::string& ini, const std::string& caption) {
                       DialogCall = ini + " | " + caption;
                       return DialogAnswer;
                     }};
};

}  // namespace

TEST_F(SearchExifTest, FindsTheFirstMatchingFieldInItsStoredCase) {
  struct TCase {
    const char* Name;
    TFill Fill;
    std::string Text;
    TNames Hits;
  } cases[] = {
      {"description before title",
       [](TExifData& exif) {
         exif.SetImageDescription("Holiday at the sea");
         exif.SetTitle(u"Sea");
       },
       "sea",
       {"Holiday at the sea"}},
      {"title in UTF-16", [](TExifData& exif) { exif.SetTitle(u"Straße 5"); }, "STRAßE", {"Straße 5"}},
      {"keywords", [](TExifData& exif) { exif.SetKeywords(u"dog;beach"); }, "beach", {"dog;beach"}},
      {"author in ASCII tag", [](TExifData& exif) { exif.SetAuthor(u"Ann Smith"); }, "smith", {"Ann Smith"}},
      {"description in Windows-1252", Description("Stra\xDF\x65 am Meer"), "straße", {"Straße am Meer"}},
      {"no field holds it", Description("Holiday at the sea"), "mountain", {}},
      {"no Exif data", [](TExifData&) {}, "sea", {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::filesystem::remove_all(std::filesystem::u8path(Folder));
    WriteImage(Folder + "image.jpg", c.Fill);
    const std::vector<TItemRecord> hits = CollectHits(Source, c.Text);
    EXPECT_EQ(HitNames(hits), c.Hits);
    for (const TItemRecord& hit : hits) EXPECT_EQ(hit.ExecuteString, Folder + "image.jpg");
  }
  // A hit opens the image by its own name, with its default program even as administrator.
  TShellRecorder shell;
  RunItem(Source, ItemOf(Folder + "%PATH% 100%.jpg", "", true));
  EXPECT_EQ(shell.Calls, (std::vector<os::TShellOpenRequest>{{"", Folder + "%PATH% 100%.jpg", "", "", 9}}));
  EXPECT_EQ(shell.Calls[0].Verb, "");
}

TEST(ExifHintTest, ListsTheShootingDataAPersonReads) {
  struct TCase {
    const char* Name;
    TFill Fill;
    std::string Lines;  // after the first line, which names the file
  } cases[] = {
      {"model, exposure time, F number, unnamed programme, no white balance",
       [](TExifData& exif) {
         exif.SetCameraModel("X100");
         exif.Section(esExif).SetFractionValue(ttag::ExposureTime, 0, {1, 250});
         exif.Section(esExif).SetFractionValue(ttag::FNumber, 0, {28, 10});
         exif.Section(esExif).SetWordValue(ttag::ExposureProgram, 0, 300);
       },
       "\r\nCamera model: X100\r\nExposure programme: <Unrecognised (44)>\r\nExposure time: 0.004 seconds\r\n"
       "F number: 2.8 "},
      {"bias, flash, focal lengths, white balance",
       [](TExifData& exif) {
         exif.Section(esExif).SetFractionValue(ttag::ExposureBiasValue, 0, {uint32_t(-2), 3}, tdLongIntFraction);
         exif.Flash.SetFired(true);
         exif.Section(esExif).SetFractionValue(ttag::FocalLength, 0, {50, 1});
         exif.Section(esExif).SetWordValue(ttag::FocalLengthIn35mmFilm, 0, 75);
         exif.Section(esExif).SetWordValue(ttag::WhiteBalance, 0, 1);
       },
       "\r\nExposure bias value: -0.666666666666667\r\nFlash fired: Yes\r\nFocal length: 50 \r\n"
       "Focal length in 35mm film: 75\r\nWhite balance mode: Manual"},
      {"a short exposure without exponent; programme and white balance stored as -1",
       [](TExifData& exif) {
         exif.Section(esExif).SetFractionValue(ttag::ExposureTime, 0, {1, 16000});
         exif.Section(esExif).SetWordValue(ttag::ExposureProgram, 0, 65535);
         exif.Section(esExif).SetWordValue(ttag::WhiteBalance, 0, 65535);
       },
       "\r\nExposure time: 0.0000625 seconds"},
      {"a date at midnight, without its time", [](TExifData& exif) { exif.SetDateTime(May17(0, 0)); },
       "\r\nDate/time: " + os::ShortDateText({2020, 5, 17, 0, 0, 0})},
      {"a date with its time", [](TExifData& exif) { exif.SetDateTime(May17(20, 30)); },
       "\r\nDate/time: " + os::ShortDateText({2020, 5, 17, 20, 30, 0}) + " " +
           os::LongTimeText({2020, 5, 17, 20, 30, 0})},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TExifData exif;
    exif.EnsureEnumsInRange = false;
    c.Fill(exif);
    EXPECT_EQ(DescribeImage(exif, "C:\\p.jpg"), "FileName: C:\\p.jpg" + c.Lines);
  }
}

TEST_F(SearchExifTest, ADamagedFileIsSkippedAndNamedOnceAfterTheWalk) {
  testpaths::WriteText(Folder + "a_text.jpg", "not a JPEG");
  testpaths::WriteText(Folder + "b_cut.jpg", "\xFF\xD8\xFF");
  WriteImage(Folder + "c_good.jpg", Description("Holiday at the sea"));
  std::string failure;
  EXPECT_EQ(HitNames(CollectHits(Source, "sea", &failure)), TNames{"Holiday at the sea"});
  EXPECT_EQ(failure, Folder + "a_text.jpg: JPEG header is not valid");
  // A search that was stopped reports nothing more.
  EXPECT_NO_THROW(Source.Search("sea", [](const TItemRecord&) { return true; }));
}

TEST_F(SearchExifTest, ReadsOnlyUpToTheEndOfTheExifSegmentWhateverTheImageSize) {
  for (size_t scanBytes : {64, 4 << 20}) {
    SCOPED_TRACE(scanBytes);
    const std::string file = Folder + "scan.jpg";
    WriteImage(file, Description("Holiday at the sea"), scanBytes);
    TFileStream stream(file);
    TJPEGHeaderParser walk(stream, JPEGMarkers({jmApp1}));
    ASSERT_TRUE(walk.MoveNext());
    TExifData exif;
    EXPECT_EQ(LoadImageExif(exif, file), walk.Current()->OffsetOfData() + walk.Current()->Data().Size());
    EXPECT_EQ(exif.ImageDescription(), "Holiday at the sea");
  }
}

TEST_F(SearchExifTest, TheFolderListIsReadOnceUntilTheDialogSaysOk) {
  const std::string other = testpaths::FreshFolder("exif_other");
  WriteImage(other + "other.jpg", Description("Other sea"));
  WriteImage(Folder + "image.jpg", Description("Holiday at the sea"));
  EXPECT_EQ(HitNames(CollectHits(Source, "sea")), TNames{"Holiday at the sea"});
  ListFolders({Folder, other});
  for (bool ok : {false, true}) {
    SCOPED_TRACE(ok);
    DialogAnswer = ok;
    Source.ShowOptions();
    EXPECT_EQ(CollectHits(Source, "sea").size(), ok ? 2u : 1u);
  }
  EXPECT_EQ(DialogCall, "LorvexExif.ini | Exif options");
}

TEST_F(SearchExifTest, EveryCorpusImageIsSearchedWithoutAFault) {
  testpaths::SkipWithoutCorpus("jpeg");
  ListFolders({testpaths::CorpusFolder("jpeg")});
  // Every image is loaded and its hint made; a fault would fail the search.
  EXPECT_NO_THROW(CollectHits(Source, "e"));
}
